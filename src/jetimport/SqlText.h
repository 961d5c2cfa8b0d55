#pragma once
// SQLite text helpers of the converter.

#include <QString>
#include <QStringList>

namespace tq::jetimport {

// "name" with inner double quotes doubled.
inline QString quoteName(const QString& name)
{
    QString q = name;
    q.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

// "a", "b" for a column list.
inline QString quoteNames(const QStringList& names)
{
    QStringList quoted;
    for (const QString& n : names)
        quoted << quoteName(n);
    return quoted.join(QStringLiteral(", "));
}

} // namespace tq::jetimport
