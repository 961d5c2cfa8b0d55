#include "store/Database.h"

#include "store/Connection.h"
#include "store/JetExtensions.h"
#include "store/JetTranslator.h"
#include "store/Links.h"

#include <QFileInfo>

#include <sqlite3.h>

namespace tq::store {

Database::Database(QString path, std::shared_ptr<detail::Connection> conn)
    : m_path(std::move(path)), m_conn(std::move(conn))
{
}

Database::~Database() = default;

std::unique_ptr<Database> Database::openConnection(const QString& path, int flags, bool mustBeWritable)
{
    sqlite3* raw = nullptr;
    const QByteArray file = path.toUtf8();
    const int rc = sqlite3_open_v2(file.constData(), &raw, flags | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_URI, nullptr);
    auto conn = std::make_shared<detail::Connection>(raw); // closes raw whatever happens next
    if (rc != SQLITE_OK) {
        const QString message = raw ? QString::fromUtf8(sqlite3_errmsg(raw)) : QString::fromUtf8(sqlite3_errstr(rc));
        throw DbError(rc, message + QStringLiteral(": ") + path);
    }
    sqlite3_extended_result_codes(raw, 0);
    sqlite3_busy_timeout(raw, 0); // a held lock fails at once; DBOpn counts the attempts
    registerJetExtensions(raw);
    // Reading the schema is where a file that is not a database, or one that
    // another connection holds locked, shows itself.
    sqlite3_stmt* probe = nullptr;
    int prc = sqlite3_prepare_v2(raw, "SELECT count(*) FROM sqlite_master", -1, &probe, nullptr);
    if (prc == SQLITE_OK)
        prc = sqlite3_step(probe);
    sqlite3_finalize(probe);
    if (prc != SQLITE_OK && prc != SQLITE_ROW)
        throw DbError(prc, QString::fromUtf8(sqlite3_errmsg(raw)) + QStringLiteral(": ") + path);
    // A file without write permission is read-only even for a process that
    // could override the permission (the superuser): writing to it is refused
    // at open rather than half-way through an operation.
    if (mustBeWritable
        && (sqlite3_db_readonly(raw, "main") == 1
            || !(QFileInfo(path).permissions() & (QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther))))
        throw DbError(SQLITE_READONLY,
                      QStringLiteral("The database file is read-only and cannot be opened for writing: ") + path);
    // SQLite's own connection settings: a memory map, a larger page cache,
    // temporary storage in memory and sorter threads each measured slower on
    // some analysis statement (docs/performance.md).
    std::unique_ptr<Database> db(new Database(path, std::move(conn)));
    detail::loadLinks(*db->m_conn);
    return db;
}

std::unique_ptr<Database> Database::open(const QString& path, OpenMode mode)
{
    if (!QFileInfo::exists(path))
        throw DbError(SQLITE_CANTOPEN, QStringLiteral("Could not find file '%1'.").arg(path));
    const bool readOnly = mode == OpenMode::ReadOnly;
    return openConnection(path, readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE, !readOnly);
}

std::unique_ptr<Database> Database::create(const QString& path)
{
    if (QFileInfo::exists(path))
        throw DbError(SQLITE_CANTOPEN, QStringLiteral("Database already exists: ") + path);
    auto db = openConnection(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, true);
    // Write the header now, so the new file is a database even before any table.
    db->m_conn->execNative(QStringLiteral("PRAGMA user_version=0; BEGIN IMMEDIATE; COMMIT;"));
    return db;
}

bool Database::isReadOnly() const { return sqlite3_db_readonly(m_conn->db(), "main") == 1; }

sqlite3* Database::handle() const { return m_conn->db(); }

int Database::execute(const QString& jetSql)
{
    detail::Lease lease = m_conn->acquire(jetSql);
    sqlite3* db = m_conn->db();
    if (!lease.stmt) {
        // Several statements (SELECT ... INTO): all or nothing. The new
        // table's columns take the declared types of the source columns.
        const ColumnTypeLookup lookup = [this](const QString& table, const QString& column) {
            return declaredColumnType(table, column);
        };
        const QStringList statements = translateJetStatements(jetSql, lookup);
        Transaction tx(*this);
        const qint64 before = sqlite3_total_changes64(db);
        for (const QString& statement : statements) {
            try {
                m_conn->execNative(statement);
            } catch (const DbError& e) {
                throw DbError(e.code(), e.engineMessage(), jetSql, statements.join(QStringLiteral("; ")));
            }
        }
        const qint64 changed = sqlite3_total_changes64(db) - before;
        tx.commit();
        return int(changed);
    }
    int rc;
    while ((rc = sqlite3_step(lease.stmt)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) {
        const QString message = QString::fromUtf8(sqlite3_errmsg(db));
        const QString sql = lease.key;
        m_conn->release(lease);
        throw DbError(rc, message, jetSql, sql);
    }
    const bool changesRows = !sqlite3_stmt_readonly(lease.stmt) && sqlite3_column_count(lease.stmt) == 0;
    m_conn->release(lease);
    return changesRows ? int(sqlite3_changes64(db)) : 0;
}

Recordset Database::openRecordset(const QString& jetSql) { return Recordset(m_conn, jetSql); }

bool Database::returnsRows(const QString& jetSql)
{
    detail::Lease lease = m_conn->acquire(jetSql);
    const bool rows = lease.stmt && sqlite3_column_count(lease.stmt) > 0;
    m_conn->release(lease);
    return rows;
}

QString Database::declaredColumnType(const QString& table, const QString& column)
{
    sqlite3_stmt* stmt =
        m_conn->prepareNative(QStringLiteral("SELECT type FROM pragma_table_info(?1) WHERE name = ?2 COLLATE NOCASE"));
    detail::bindLiterals(stmt, QVariantList{table, column});
    QString type;
    if (sqlite3_step(stmt) == SQLITE_ROW)
        type = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
    sqlite3_finalize(stmt);
    return type;
}

bool Database::hasTable(const QString& name)
{
    sqlite3_stmt* stmt = m_conn->prepareNative(QStringLiteral(
        "SELECT 1 FROM sqlite_temp_master WHERE type IN ('table','view') AND name = ?1 COLLATE NOCASE "
        "UNION ALL SELECT 1 FROM main.sqlite_master WHERE type IN ('table','view') AND name = ?1 COLLATE NOCASE"));
    const QByteArray utf8 = name.toUtf8();
    sqlite3_bind_text(stmt, 1, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    const bool found = sqlite3_step(stmt) == SQLITE_ROW;
    sqlite3_finalize(stmt);
    return found;
}

void Database::reloadLinks()
{
    detail::dropLinks(*m_conn);
    detail::loadLinks(*m_conn);
}

void Database::interrupt() { sqlite3_interrupt(m_conn->db()); }

ProgressHandlerScope::ProgressHandlerScope(Database& db, std::function<bool()> handler)
    : m_conn(db.connection()), m_previous(m_conn->progressHandler())
{
    m_conn->setProgressHandler(std::move(handler));
}

ProgressHandlerScope::~ProgressHandlerScope() { m_conn->setProgressHandler(std::move(m_previous)); }

int Database::cachedStatementCount() const { return m_conn->cachedStatementCount(); }

int Database::cachedTranslationCount() const { return m_conn->cachedTranslationCount(); }

Transaction::Transaction(Database& db) : m_conn(db.connection())
{
    m_name = QStringLiteral("tq_tx%1").arg(++m_conn->savepointDepth);
    try {
        m_conn->execNative(QStringLiteral("SAVEPOINT ") + m_name);
    } catch (...) {
        --m_conn->savepointDepth;
        throw;
    }
}

Transaction::~Transaction()
{
    if (!m_done) {
        try {
            m_conn->execNative(QStringLiteral("ROLLBACK TO ") + m_name + QStringLiteral("; RELEASE ") + m_name);
        } catch (...) {
            // The engine already rolled the transaction back (a failed COMMIT, an
            // interrupt): nothing is left to undo.
        }
        --m_conn->savepointDepth;
    }
}

void Transaction::commit()
{
    if (m_done)
        return;
    m_conn->execNative(QStringLiteral("RELEASE ") + m_name);
    m_done = true;
    --m_conn->savepointDepth;
}

} // namespace tq::store
