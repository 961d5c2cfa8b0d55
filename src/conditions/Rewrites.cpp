#include "conditions/Rewrites.h"

#include <QStringView>

namespace tq::conditions {

QString rewritePairs(const QString& text, const std::vector<NamePair>& pairs, PairDirection direction,
                     bool dollarEscape)
{
    const bool forward = direction == PairDirection::FirstToSecond;
    QString out;
    out.reserve(text.size() + text.size() / 4 + 16);
    const QStringView all(text);
    const qsizetype n = all.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = all[i];
        if (dollarEscape && c == QLatin1Char('$')) {
            if (i + 1 < n)
                out += all[i + 1];
            i += 2;
            continue;
        }
        const QStringView rest = all.mid(i);
        bool matched = false;
        for (const NamePair& pair : pairs) {
            const QString& from = forward ? pair.first : pair.second;
            const QString& to = forward ? pair.second : pair.first;
            if (from.isEmpty() || from.front() != c)
                continue;
            if (rest.startsWith(from) && !(!to.isEmpty() && rest.startsWith(to))) {
                out += to;
                i += from.size();
                matched = true;
                break;
            }
        }
        if (!matched) {
            out += c;
            ++i;
        }
    }
    return out;
}

QString funMojiHenkan(const QString& text, const QString& from, const QString& to)
{
    return rewritePairs(text, {NamePair{from, to}}, PairDirection::FirstToSecond);
}

QString funZensouHenkan(const ConditionCatalogue& catalogue, const QString& text, int target)
{
    if (target < 1 || target > 10)
        return text;
    QString result = rewritePairs(text, catalogue.zensou, PairDirection::FirstToSecond);
    if (target > 2) {
        const int run = (target + 1) / 2;
        result = funMojiHenkan(result, QStringLiteral("_1"), QLatin1Char('_') + QString::number(run));
    }
    return result;
}

QString funDataHenkan(const ConditionCatalogue& catalogue, const QString& text)
{
    return rewritePairs(text, catalogue.henkan, PairDirection::FirstToSecond);
}

QString funThisHenkan(const ConditionCatalogue& catalogue, const QString& text)
{
    return rewritePairs(text, catalogue.henkan, PairDirection::SecondToFirst, true);
}

QString funJoinTsuika(const QString& from, const QString& columnList, const QString& where, const JoinRule& rule)
{
    if (from.contains(rule.link))
        return from;
    if (!columnList.contains(rule.table) && !where.contains(rule.table))
        return from;
    return QLatin1Char('(') + from + QStringLiteral(") ") + rule.link;
}

QString withPastNames(const ConditionCatalogue& catalogue, const QString& text)
{
    const QString past = funDataHenkan(catalogue, text);
    return past == text ? text : text + QLatin1Char(' ') + past;
}

QString addCatalogueJoins(const ConditionCatalogue& catalogue, const QString& from, const QString& columnList,
                          const QString& where)
{
    QString result = from;
    for (const JoinRule& rule : catalogue.joins)
        result = funJoinTsuika(result, columnList, where, rule);
    return result;
}

} // namespace tq::conditions
