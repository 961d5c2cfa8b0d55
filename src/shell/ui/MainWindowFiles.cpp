#include "shell/ui/MainWindowFiles.h"

#include <QStringList>

#include <algorithm>

namespace tq::shell::ui {

QString openFileFilter()
{
    return QStringLiteral("分析条件ファイル (*.tqb)|*.tqb|テキストファイル(*.txt)|*.txt");
}

QString saveFileFilter()
{
    return QStringLiteral("分析条件ファイル (*.tqb)|*.tqb");
}

QString toQtFileFilter(const QString& windowsFilter)
{
    const QStringList parts = windowsFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        // A description that already ends in its patterns is used as it is,
        // so the dialog does not show them twice.
        const QString inParentheses = QStringLiteral("(") + patterns + QStringLiteral(")");
        filters << (parts[i].endsWith(inParentheses) ? parts[i] : parts[i] + QStringLiteral(" ") + inParentheses);
    }
    return filters.join(QStringLiteral(";;"));
}

QString GetDocTitle(const QString& path)
{
    const qsizetype end = path.size() - 4;
    if (end <= 0)
        return path;
    const QString head = path.left(end);
    const qsizetype separator = std::max(head.lastIndexOf(QLatin1Char('\\')), head.lastIndexOf(QLatin1Char('/')));
    if (separator < 0)
        return path;
    return head.mid(separator + 1);
}

} // namespace tq::shell::ui
