#include "common/Tokens.h"

namespace tq::common {

namespace {

bool isSeparator(QChar c) { return c == QLatin1Char('\\') || c == QLatin1Char('/'); }

} // namespace

QString funGetToken(const QString& line, int& position)
{
    if (position < 1)
        position = 1;
    if (position > line.size())
        return {};
    const qsizetype start = position - 1;
    for (qsizetype i = start; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (c == QLatin1Char(',') || c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            position = static_cast<int>(i + 2);
            return line.mid(start, i - start);
        }
    }
    position = static_cast<int>(line.size() + 1);
    return line.mid(start);
}

QString funGetAndItem(const QString& line, int& position)
{
    if (position < 1)
        position = 1;
    if (position > line.size())
        return {};
    QString item;
    for (qsizetype i = position - 1; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (c == QLatin1Char('&')) {
            position = static_cast<int>(i + 2);
            return item;
        }
        if (c != QLatin1Char(' '))
            item += c;
    }
    position = static_cast<int>(line.size() + 1);
    return item;
}

QString funFileTitle(const QString& path)
{
    QString rest = path;
    for (;;) {
        qsizetype cut = -1;
        for (qsizetype i = 0; i < rest.size(); ++i) {
            if (isSeparator(rest.at(i))) {
                cut = i;
                break;
            }
        }
        if (cut < 0)
            cut = rest.indexOf(QLatin1Char(':'));
        if (cut < 0)
            break;
        rest = rest.mid(cut + 1);
    }
    const qsizetype dot = rest.indexOf(QLatin1Char('.'));
    return dot < 0 ? rest : rest.left(dot);
}

QString GetDocTitle(const QString& path)
{
    const qsizetype end = path.size() - 4;
    for (qsizetype i = end - 1; i >= 0; --i) {
        if (isSeparator(path.at(i)))
            return path.mid(i + 1, end - i - 1);
    }
    return path;
}

} // namespace tq::common
