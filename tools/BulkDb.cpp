#include "BulkDb.h"

#include "store/JetExtensions.h"

#include <QFile>

#include <sqlite3.h>

#include <cmath>

namespace tq::tools {

namespace {

void fail(sqlite3* db, const QString& what)
{
    throw BulkError(QString(what + QStringLiteral(": ") + QString::fromUtf8(sqlite3_errmsg(db))).toStdString());
}

} // namespace

void prepareConnection(sqlite3* db)
{
    tq::store::registerJetExtensions(db);
}

BulkDb::BulkDb(const QString& path) : m_path(path), m_tmp(path + QStringLiteral(".tmp"))
{
    QFile::remove(m_tmp);
    if (sqlite3_open_v2(m_tmp.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                        nullptr)
        != SQLITE_OK) {
        const QString msg = QString::fromUtf8(sqlite3_errmsg(m_db));
        sqlite3_close(m_db);
        m_db = nullptr;
        throw BulkError(QString(QStringLiteral("cannot create ") + m_tmp + QStringLiteral(": ") + msg).toStdString());
    }
    prepareConnection(m_db);
    exec(QStringLiteral("PRAGMA page_size=16384"));
    exec(QStringLiteral("PRAGMA journal_mode=OFF"));
    exec(QStringLiteral("PRAGMA synchronous=OFF"));
    exec(QStringLiteral("PRAGMA locking_mode=EXCLUSIVE"));
    exec(QStringLiteral("PRAGMA cache_size=-65536"));
    exec(QStringLiteral("BEGIN"));
}

BulkDb::~BulkDb()
{
    if (m_db) {
        sqlite3_close_v2(m_db);
        QFile::remove(m_tmp);
    }
}

void BulkDb::exec(const QString& sql)
{
    char* err = nullptr;
    if (sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &err) != SQLITE_OK) {
        const QString msg = QString::fromUtf8(err ? err : "error");
        sqlite3_free(err);
        throw BulkError(QString(sql.left(80) + QStringLiteral(": ") + msg).toStdString());
    }
}

void BulkDb::finish(const QStringList& indexSql)
{
    for (const QString& s : indexSql)
        exec(s);
    exec(QStringLiteral("ANALYZE"));
    exec(QStringLiteral("COMMIT"));
    if (sqlite3_close(m_db) != SQLITE_OK)
        fail(m_db, QStringLiteral("close"));
    m_db = nullptr;
    QFile::remove(m_path);
    if (!QFile::rename(m_tmp, m_path)) {
        QFile::remove(m_tmp);
        throw BulkError(QString(QStringLiteral("cannot rename to ") + m_path).toStdString());
    }
}

BulkInsert::BulkInsert(BulkDb& db, const QString& table, int columns) : m_db(db.handle())
{
    QString sql = QStringLiteral("INSERT INTO ") + table + QStringLiteral(" VALUES (");
    for (int i = 0; i < columns; ++i)
        sql += i == 0 ? QStringLiteral("?") : QStringLiteral(",?");
    sql += QLatin1Char(')');
    if (sqlite3_prepare_v2(m_db, sql.toUtf8().constData(), -1, &m_stmt, nullptr) != SQLITE_OK)
        fail(m_db, QStringLiteral("prepare ") + table);
}

BulkInsert::~BulkInsert() { sqlite3_finalize(m_stmt); }

BulkInsert& BulkInsert::text(const QString& v)
{
    const QByteArray u = v.toUtf8();
    sqlite3_bind_text(m_stmt, m_next++, u.constData(), int(u.size()), SQLITE_TRANSIENT);
    return *this;
}

BulkInsert& BulkInsert::integer(long long v)
{
    sqlite3_bind_int64(m_stmt, m_next++, v);
    return *this;
}

BulkInsert& BulkInsert::real(double v)
{
    // Values are held in single precision; store the decimal they stand for
    // (57.3, not 57.29999923706055).
    sqlite3_bind_double(m_stmt, m_next++, std::round(v * 10) / 10);
    return *this;
}

BulkInsert& BulkInsert::null()
{
    sqlite3_bind_null(m_stmt, m_next++);
    return *this;
}

void BulkInsert::row()
{
    if (sqlite3_step(m_stmt) != SQLITE_DONE)
        fail(m_db, QStringLiteral("insert"));
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
    m_next = 1;
    ++m_rows;
}

} // namespace tq::tools
