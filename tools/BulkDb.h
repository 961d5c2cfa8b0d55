#pragma once
// A database file written in one go: created under a temporary name, filled
// inside one transaction with prepared INSERTs (bind, step, reset per row),
// indexed and analysed, and only then renamed to its real name. An error or an
// interruption leaves no file under the real name. Used by the generator only.

#include <QString>
#include <QStringList>

#include <stdexcept>

struct sqlite3;
struct sqlite3_stmt;

namespace tq::tools {

// Registers the Jet extensions (the JET collation among them) on a raw
// connection to a generated file.
void prepareConnection(sqlite3* db);

class BulkError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class BulkDb final {
public:
    // Creates `path` + ".tmp" (an old one is removed). Throws BulkError.
    explicit BulkDb(const QString& path);
    ~BulkDb(); // without finish(): closes and deletes the temporary file
    BulkDb(const BulkDb&) = delete;
    BulkDb& operator=(const BulkDb&) = delete;

    void exec(const QString& sql);

    // Indexes, ANALYZE, commit, close and rename to the real name.
    void finish(const QStringList& indexSql);

    sqlite3* handle() const { return m_db; }

private:
    QString m_path, m_tmp;
    sqlite3* m_db = nullptr;
};

// One prepared INSERT of a table with n columns; values are bound in column
// order with the add* calls, then row() steps and resets.
class BulkInsert final {
public:
    BulkInsert(BulkDb& db, const QString& table, int columns);
    ~BulkInsert();
    BulkInsert(const BulkInsert&) = delete;
    BulkInsert& operator=(const BulkInsert&) = delete;

    BulkInsert& text(const QString& v);
    BulkInsert& textOrNull(const QString& v) { return v.isNull() ? null() : text(v); }
    BulkInsert& integer(long long v);
    BulkInsert& real(double v);       // stored with one decimal place exactly as written
    BulkInsert& null();
    void row();                       // throws BulkError
    long long rows() const { return m_rows; }

private:
    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
    int m_next = 1;
    long long m_rows = 0;
};

} // namespace tq::tools
