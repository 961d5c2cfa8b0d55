#pragma once
// The error every database operation throws inside the store layer. Operation
// boundaries (DBOpn, TBOpr, ...) catch it and report it under their own name.

#include <QString>
#include <stdexcept>

namespace tq::store {

class DbError : public std::runtime_error {
public:
    // `engineMessage`: what SQLite (or the translator) said; `jetSql`: the text
    // the caller sent; `sqliteSql`: what it was translated to (empty when the
    // translation itself failed). `code` is the SQLite result code, or 0.
    DbError(int code, QString engineMessage, QString jetSql = {}, QString sqliteSql = {});

    int code() const { return m_code; }
    const QString& engineMessage() const { return m_engineMessage; }
    const QString& jetSql() const { return m_jetSql; }
    const QString& sqliteSql() const { return m_sqliteSql; }

    // One text with all three parts, for the log and the console.
    QString describe() const;

private:
    int m_code;
    QString m_engineMessage;
    QString m_jetSql;
    QString m_sqliteSql;
};

} // namespace tq::store
