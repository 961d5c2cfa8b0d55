#include "store/Connection.h"

#include "store/JetTranslator.h"

#include <sqlite3.h>

namespace tq::store::detail {

Connection::~Connection()
{
    for (Entry& e : m_lru)
        sqlite3_finalize(e.stmt);
    sqlite3_close_v2(m_db);
}

namespace {

// Virtual-machine steps between two calls of the progress handler: a call
// costs the handler's clock read, a few microseconds of work apart.
constexpr int kProgressSteps = 1000;

int callProgressHandler(void* state)
{
    // A copy: the handler may replace itself while it runs.
    const std::function<bool()> handler = static_cast<Connection*>(state)->progressHandler();
    return handler && handler() ? 1 : 0;
}

} // namespace

void Connection::setProgressHandler(std::function<bool()> handler)
{
    m_progress = std::move(handler);
    if (m_progress)
        sqlite3_progress_handler(m_db, kProgressSteps, callProgressHandler, this);
    else
        sqlite3_progress_handler(m_db, 0, nullptr, nullptr);
}

void Connection::fail(int rc, const QString& jetSql, const QString& sql) const
{
    throw DbError(rc, QString::fromUtf8(sqlite3_errmsg(m_db)), jetSql, sql);
}

bool hasSecondStatement(const QString& jetSql)
{
    const qsizetype n = jetSql.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = jetSql.at(i);
        if (c == u'\'' || c == u'"' || c == u'[' || c == u'#') {
            const QChar close = c == u'[' ? QChar(u']') : c;
            // Skip to the closing character; a doubled quote stays inside.
            for (++i; i < n; ++i) {
                if (jetSql.at(i) == close) {
                    if (close != u']' && close != u'#' && i + 1 < n && jetSql.at(i + 1) == close) {
                        ++i;
                        continue;
                    }
                    break;
                }
            }
        } else if (c == u';') {
            for (qsizetype j = i + 1; j < n; ++j)
                if (!jetSql.at(j).isSpace() && jetSql.at(j) != u';')
                    return true;
            return false;
        }
    }
    return false;
}

int bindLiterals(sqlite3_stmt* stmt, const QVariantList& literals)
{
    int index = 0;
    for (const QVariant& v : literals) {
        ++index;
        int rc = SQLITE_OK;
        switch (v.typeId()) {
        case QMetaType::QString: {
            const QByteArray utf8 = v.toString().toUtf8();
            rc = sqlite3_bind_text(stmt, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
            break;
        }
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
            rc = sqlite3_bind_int64(stmt, index, v.toLongLong());
            break;
        case QMetaType::Bool:
            rc = sqlite3_bind_int64(stmt, index, v.toBool() ? -1 : 0);
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            rc = sqlite3_bind_double(stmt, index, v.toDouble());
            break;
        default:
            if (v.isNull()) {
                rc = sqlite3_bind_null(stmt, index);
            } else {
                const QByteArray utf8 = v.toString().toUtf8();
                rc = sqlite3_bind_text(stmt, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
            }
        }
        if (rc != SQLITE_OK)
            return rc;
    }
    return SQLITE_OK;
}

QString quoteIdentifier(const QString& name)
{
    QString quoted = name;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

sqlite3_stmt* Connection::prepareNative(const QString& sql) const
{
    const QByteArray utf8 = sql.toUtf8();
    sqlite3_stmt* stmt = nullptr;
    const int rc = sqlite3_prepare_v2(m_db, utf8.constData(), int(utf8.size()), &stmt, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(stmt);
        fail(rc, sql, sql);
    }
    return stmt;
}

void Connection::execNative(const QString& sql) const
{
    const QByteArray utf8 = sql.toUtf8();
    char* message = nullptr;
    const int rc = sqlite3_exec(m_db, utf8.constData(), nullptr, nullptr, &message);
    if (rc != SQLITE_OK) {
        const QString text = message ? QString::fromUtf8(message) : QString::fromUtf8(sqlite3_errstr(rc));
        sqlite3_free(message);
        throw DbError(rc, text, sql, sql);
    }
}

Lease Connection::acquire(const QString& jetSql)
{
    if (hasSecondStatement(jetSql))
        throw DbError(0, QStringLiteral("Characters found after end of SQL statement."), jetSql);

    Lease lease;
    lease.jetSql = jetSql;
    QString sql;
    QVariantList literals;
    try {
        // A long translation keeps the windows painted and stops on cancel,
        // as a long statement does.
        ParameterizedSql translated = m_translations.translate(jetSql, m_progress);
        sql = std::move(translated.sql);
        literals = std::move(translated.literals);
    } catch (const DbError& e) {
        throw DbError(e.code(), e.engineMessage(), jetSql, e.sqliteSql());
    }

    if (const auto hit = m_index.find(sql); hit != m_index.end()) {
        lease.stmt = hit.value()->stmt;
        lease.key = sql;
        m_lru.erase(hit.value());
        m_index.erase(hit);
    } else {
        const QByteArray utf8 = sql.toUtf8();
        const char* tail = nullptr;
        sqlite3_stmt* stmt = nullptr;
        int rc = sqlite3_prepare_v3(m_db, utf8.constData(), int(utf8.size()), SQLITE_PREPARE_PERSISTENT, &stmt, &tail);
        if (rc != SQLITE_OK) {
            sqlite3_finalize(stmt);
            fail(rc, jetSql, sql);
        }
        if (!stmt)
            throw DbError(0, QStringLiteral("Invalid SQL statement: the text holds no statement."), jetSql, sql);
        // The translation of some Jet statements is a script of several; the
        // later ones may name tables the earlier ones create, so they are
        // not prepared here.
        const char* end = utf8.constData() + utf8.size();
        for (const char* p = tail; p && p < end; ++p) {
            if (*p != ';' && !QChar::isSpace(uchar(*p))) {
                sqlite3_finalize(stmt);
                lease.script = sql;
                return lease;
            }
        }
        lease.stmt = stmt;
        lease.key = sql;
    }
    const int rc = bindLiterals(lease.stmt, literals);
    if (rc != SQLITE_OK) {
        const QString message = QString::fromUtf8(sqlite3_errmsg(m_db));
        release(lease);
        throw DbError(rc, message, jetSql, sql);
    }
    return lease;
}

void Connection::release(Lease& lease) noexcept
{
    sqlite3_stmt* stmt = lease.stmt;
    lease.stmt = nullptr;
    if (!stmt)
        return;
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
    if (lease.key.isEmpty() || m_index.contains(lease.key)) {
        sqlite3_finalize(stmt);
        return;
    }
    m_lru.push_front(Entry{lease.key, stmt});
    m_index.insert(lease.key, m_lru.begin());
    while (int(m_lru.size()) > kCacheCapacity) {
        m_index.remove(m_lru.back().key);
        sqlite3_finalize(m_lru.back().stmt);
        m_lru.pop_back();
    }
}

} // namespace tq::store::detail
