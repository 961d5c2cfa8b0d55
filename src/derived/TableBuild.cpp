#include "derived/TableBuild.h"

#include "context/AppContext.h"
#include "store/Database.h"
#include "store/Recordset.h"
#include "store/Value.h"

#include <sqlite3.h>

namespace tq::derived {

namespace {

[[noreturn]] void failNative(sqlite3* db, const QString& sql)
{
    throw store::DbError(sqlite3_errcode(db), QString::fromUtf8(sqlite3_errmsg(db)), {}, sql);
}

} // namespace

QString nativeName(const QString& name)
{
    QString n = name;
    n.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + n + QLatin1Char('"');
}

QString bracketed(const QString& name)
{
    return QLatin1Char('[') + name + QLatin1Char(']');
}

QString quotedText(const QString& text)
{
    QString t = text;
    t.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + t + QLatin1Char('\'');
}

QString builtText(const QString& what, qint64 rows, qint64 milliseconds)
{
    return QStringLiteral("%1を作成しました（%2 行、%3 秒）")
        .arg(what)
        .arg(rows)
        .arg(QString::number(double(milliseconds) / 1000.0, 'f', 1));
}

void execNative(sqlite3* db, const QString& sql)
{
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        failNative(db, sql);
}

NativeStatement::NativeStatement(sqlite3* db, const QString& sql) : m_db(db), m_sql(sql)
{
    if (sqlite3_prepare_v2(m_db, m_sql.toUtf8().constData(), -1, &m_stmt, nullptr) != SQLITE_OK)
        failNative(m_db, m_sql);
}

NativeStatement::~NativeStatement()
{
    sqlite3_finalize(m_stmt);
}

void NativeStatement::bindText(int parameter, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text(m_stmt, parameter, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

void NativeStatement::bindValue(int parameter, const store::Value& value)
{
    switch (value.kind()) {
    case store::Value::Kind::Null:
        bindNull(parameter);
        break;
    case store::Value::Kind::Integer:
        bindInteger(parameter, value.toInt());
        break;
    case store::Value::Kind::Real:
        bindDouble(parameter, value.toDouble());
        break;
    case store::Value::Kind::Text:
        bindText(parameter, value.toText());
        break;
    }
}

void NativeStatement::bindDouble(int parameter, double value)
{
    sqlite3_bind_double(m_stmt, parameter, value);
}

void NativeStatement::bindInteger(int parameter, qint64 value)
{
    sqlite3_bind_int64(m_stmt, parameter, value);
}

void NativeStatement::bindNull(int parameter)
{
    sqlite3_bind_null(m_stmt, parameter);
}

void NativeStatement::run()
{
    const int rc = sqlite3_step(m_stmt);
    sqlite3_reset(m_stmt);
    if (rc != SQLITE_DONE && rc != SQLITE_ROW)
        failNative(m_db, m_sql);
}

QString nativeInsertSql(const QString& table, int count, int rows)
{
    QString row = QStringLiteral("(");
    for (int i = 0; i < count; ++i)
        row += i == 0 ? QStringLiteral("?") : QStringLiteral(",?");
    row += QLatin1Char(')');
    QString sql = QStringLiteral("INSERT INTO ") + nativeName(table) + QStringLiteral(" VALUES ") + row;
    for (int r = 1; r < rows; ++r)
        sql += QLatin1Char(',') + row;
    return sql;
}

SecureDeleteOff::SecureDeleteOff(sqlite3* db) : m_db(db), m_previous(-1)
{
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(m_db, "PRAGMA secure_delete", -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
        m_previous = sqlite3_column_int(st, 0);
    sqlite3_finalize(st);
    sqlite3_exec(m_db, "PRAGMA secure_delete=0", nullptr, nullptr, nullptr);
}

SecureDeleteOff::~SecureDeleteOff()
{
    if (m_previous < 0)
        return;
    const QByteArray sql = "PRAGMA secure_delete=" + QByteArray::number(m_previous);
    sqlite3_exec(m_db, sql.constData(), nullptr, nullptr, nullptr);
}

std::unique_ptr<store::Recordset> openBuildSource(context::AppContext& ctx, const QString& jetSql)
{
    const store::ProgressHandlerScope keepAlive(*ctx.appDb, [&ctx] {
        ctx.busy.keepAlive();
        return ctx.busy.cancelled();
    });
    try {
        return std::make_unique<store::Recordset>(ctx.appDb->openRecordset(jetSql));
    } catch (const store::DbError& e) {
        if (e.code() == SQLITE_INTERRUPT && ctx.busy.cancelled())
            throw BuildCancelled{};
        throw;
    }
}

void registerAddInColumns(context::AppContext& ctx, const QString& table, const QStringList& columns)
{
    store::Database& db = *ctx.appDb;
    db.execute(QStringLiteral("DELETE FROM Sアドイン項目管理 WHERE テーブル名 = ") + quotedText(table));
    for (const QString& column : columns)
        db.execute(QStringLiteral("INSERT INTO Sアドイン項目管理 VALUES ('DEVovuved','B',") +
                   quotedText(ctx.appDbPath()) + QLatin1Char(',') + quotedText(table) + QLatin1Char(',') +
                   quotedText(column) + QStringLiteral(",' ')"));
}

} // namespace tq::derived
