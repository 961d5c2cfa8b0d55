#pragma once
// One open database: a SQLite connection with the Jet dialect registered, the
// links of the database resolved, and a cache of prepared statements.
//
// Ownership: the caller owns the Database. Recordsets opened on it share the
// connection, so they stay valid after the Database is destroyed; the file is
// closed when the last of them goes.
// Threading: one thread at a time; only interrupt() may be called from
// another thread (to cancel a long statement).
// Errors: every member that talks to the engine throws DbError (engine
// message, Jet text, translated text).
// Speed: statements that differ only in their literals share one prepared
// statement (literals are bound), and statements that differ only in their
// quoted texts are translated once per connection. Outside a transaction every statement takes
// and drops the file lock (system calls and a stat each time), so loops of
// per-row queries should run inside one Transaction: about twice the rate.

#include "store/DbError.h"
#include "store/Recordset.h"

#include <QString>

#include <functional>
#include <memory>

struct sqlite3;

namespace tq::store {

namespace detail { class Connection; }

enum class OpenMode { ReadWrite, ReadOnly };

class Database final {
public:
    // Opens an existing database file (one attempt, no retry, never creates
    // it). ReadWrite on a file the process may not write fails rather than
    // silently opening read-only. A file that is not a database, or that
    // another connection holds locked, fails with the engine's message
    // (code SQLITE_NOTADB, SQLITE_BUSY or SQLITE_LOCKED).
    static std::unique_ptr<Database> open(const QString& path, OpenMode mode = OpenMode::ReadWrite);
    // Creates a new, empty database file; fails when the file exists.
    static std::unique_ptr<Database> create(const QString& path);

    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    const QString& path() const { return m_path; }
    bool isReadOnly() const;
    sqlite3* handle() const;

    // Runs one Jet statement and returns the number of rows it changed (0 for
    // DDL). A statement whose translation is several SQLite statements runs
    // them in one transaction: all or nothing. A SELECT is stepped through and
    // its rows discarded.
    int execute(const QString& jetSql);

    // A read-only, forward-streaming recordset of one Jet statement.
    Recordset openRecordset(const QString& jetSql);

    // Whether the statement yields rows (a SELECT) rather than changing them.
    bool returnsRows(const QString& jetSql);

    // Whether a table, view or link of that name resolves (letter case of
    // ASCII letters ignored).
    bool hasTable(const QString& name);

    // The declared type of a column of a table, view or link; empty when there
    // is no such column.
    QString declaredColumnType(const QString& table, const QString& column);

    // Re-reads the links table and re-attaches the sources (after TBLink on
    // another connection). Fails when a recordset is still running.
    void reloadLinks();

    // Makes the statement running on this connection stop with SQLITE_INTERRUPT.
    // Safe to call from any thread.
    void interrupt();

    // Statements kept prepared for reuse (for tests and diagnostics).
    int cachedStatementCount() const;
    // Statement shapes whose translation is kept (for tests and diagnostics).
    int cachedTranslationCount() const;

    // Internal: the shared connection state.
    const std::shared_ptr<detail::Connection>& connection() const { return m_conn; }

private:
    Database(QString path, std::shared_ptr<detail::Connection> conn);
    static std::unique_ptr<Database> openConnection(const QString& path, int flags, bool mustBeWritable);

    QString m_path;
    std::shared_ptr<detail::Connection> m_conn;
};

// Sets a progress handler on a database for its own lifetime, then puts the
// one that was set before back (scopes nest). While it is set, SQLite calls it
// every thousand or so steps of any statement running on the connection
// (recordsets opened on it included), so a long join or sort before the first
// row can keep the windows painted. Returning true interrupts the statement
// (DbError with SQLITE_INTERRUPT). The handler must not use the connection.
class ProgressHandlerScope final {
public:
    ProgressHandlerScope(Database& db, std::function<bool()> handler);
    ~ProgressHandlerScope();
    ProgressHandlerScope(const ProgressHandlerScope&) = delete;
    ProgressHandlerScope& operator=(const ProgressHandlerScope&) = delete;

private:
    std::shared_ptr<detail::Connection> m_conn;
    std::function<bool()> m_previous;
};

// A transaction that rolls back unless commit() is called. Nests (each guard is
// a savepoint), so an operation may use one whatever its caller does.
class Transaction final {
public:
    explicit Transaction(Database& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // Throws DbError when the commit fails; the transaction is then rolled back.
    void commit();

private:
    std::shared_ptr<detail::Connection> m_conn;
    QString m_name;
    bool m_done = false;
};

// Name of the table in which a database keeps its links (name, source file,
// source table), and of the one holding its summary properties.
inline constexpr const char* kLinksTable = "MSysLinks";
inline constexpr const char* kPropertiesTable = "MSysProperties";

} // namespace tq::store
