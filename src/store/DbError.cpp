#include "store/DbError.h"

namespace tq::store {

DbError::DbError(int code, QString engineMessage, QString jetSql, QString sqliteSql)
    : std::runtime_error(engineMessage.toStdString()),
      m_code(code),
      m_engineMessage(std::move(engineMessage)),
      m_jetSql(std::move(jetSql)),
      m_sqliteSql(std::move(sqliteSql))
{
}

QString DbError::describe() const
{
    QString text = m_engineMessage;
    if (!m_jetSql.isEmpty())
        text += QStringLiteral("\nSQL: ") + m_jetSql;
    if (!m_sqliteSql.isEmpty() && m_sqliteSql != m_jetSql)
        text += QStringLiteral("\nSQLite: ") + m_sqliteSql;
    return text;
}

} // namespace tq::store
