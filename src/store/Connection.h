#pragma once
// Inside the store layer only: the state one SQLite connection shares between
// its Database and the recordsets opened on it. Recordsets keep it alive by a
// shared_ptr, so a recordset that outlives its Database stays safe to use.
//
// Not thread-safe: one connection is used by one thread at a time (it is
// opened with SQLITE_OPEN_NOMUTEX). Only interrupt() may be called from
// another thread.

#include "store/DbError.h"
#include "store/TranslationCache.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <list>
#include <memory>

struct sqlite3;
struct sqlite3_stmt;

namespace tq::store::detail {

// A prepared statement checked out of the cache, with its literals bound.
struct Lease {
    sqlite3_stmt* stmt = nullptr;
    QString key;      // translated SQL with ? markers; empty when not cacheable
    QString jetSql;   // for error texts
    QString script;   // set instead of stmt when the translation is several statements
};

class Connection final {
public:
    explicit Connection(sqlite3* db) : m_db(db) {}
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    sqlite3* db() const { return m_db; }

    // Translates one Jet statement (once per shape, see TranslationCache),
    // takes a matching prepared statement from
    // the cache (or prepares one) and binds its literals. Throws DbError when
    // the text holds more than one statement, does not translate or does not
    // prepare. The caller gives the lease back with release().
    Lease acquire(const QString& jetSql);
    // Resets the statement and keeps it for the next acquire of the same text
    // (least recently used entries beyond the cache's bound are finalised).
    void release(Lease& lease) noexcept;

    // Throws DbError for the current error of the connection.
    [[noreturn]] void fail(int rc, const QString& jetSql, const QString& sql) const;

    // Prepares SQLite SQL directly (no translation, no cache).
    sqlite3_stmt* prepareNative(const QString& sql) const;
    // Runs SQLite SQL directly (every statement of it). Throws DbError.
    void execNative(const QString& sql) const;

    // The progress handler of Database::setProgressHandler; empty: none.
    void setProgressHandler(std::function<bool()> handler);
    const std::function<bool()>& progressHandler() const { return m_progress; }

    int cachedStatementCount() const { return int(m_lru.size()); }
    int cachedTranslationCount() const { return m_translations.size(); }
    static constexpr int kCacheCapacity = 128;

    QStringList linkViews;   // temp views made for links
    QStringList linkSchemas; // schemas attached for links
    int savepointDepth = 0;

private:
    struct Entry {
        QString key;
        sqlite3_stmt* stmt;
    };
    sqlite3* m_db;
    std::function<bool()> m_progress;
    TranslationCache m_translations;
    std::list<Entry> m_lru; // front = most recently used; idle statements only
    QHash<QString, std::list<Entry>::iterator> m_index;
};

// Whether a Jet text holds a statement after its first ";" (quotes, double
// quotes, brackets and #dates# respected).
bool hasSecondStatement(const QString& jetSql);

// Binds values in order to ?1..?n. QString, integer, double and null values.
int bindLiterals(sqlite3_stmt* stmt, const QVariantList& literals);

// "name" with inner double quotes doubled.
QString quoteIdentifier(const QString& name);

} // namespace tq::store::detail
