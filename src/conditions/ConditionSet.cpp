#include "conditions/ConditionSet.h"

#include <cmath>

namespace tq::conditions {

namespace {

const std::array<QString, kTargetCount>& captions()
{
    static const std::array<QString, kTargetCount> texts = {
        QStringLiteral("今走"),     QStringLiteral("前走"),           QStringLiteral("前走と比較"),
        QStringLiteral("２走前"),   QStringLiteral("２走前と比較"),   QStringLiteral("３走前"),
        QStringLiteral("３走前と比較"), QStringLiteral("４走前"),     QStringLiteral("４走前と比較"),
        QStringLiteral("５走前"),   QStringLiteral("５走前と比較"),
    };
    return texts;
}

} // namespace

namespace {

constexpr int kMaxRangeBounds = 50;

bool rangeNumber(const QString& token, double& value)
{
    bool ok = false;
    value = token.trimmed().toDouble(&ok);
    return ok && std::isfinite(value);
}

QString boundsProblem(const QStringList& bounds)
{
    if (bounds.isEmpty() || bounds.first().trimmed().isEmpty())
        return QStringLiteral("range kind 3 needs at least one bound");
    if (bounds.size() > kMaxRangeBounds)
        return QStringLiteral("range kind 3 takes at most %1 bounds").arg(kMaxRangeBounds);
    double previous = 0;
    for (qsizetype i = 0; i < bounds.size(); ++i) {
        double bound = 0;
        if (!rangeNumber(bounds.at(i), bound))
            return QStringLiteral("bound \"%1\" is not a number").arg(bounds.at(i));
        if (i > 0 && bound <= previous)
            return QStringLiteral("bounds must rise: %1 follows %2").arg(bounds.at(i).trimmed(),
                                                                         bounds.at(i - 1).trimmed());
        previous = bound;
    }
    return {};
}

} // namespace

QString rangeSpecProblem(const QString& text)
{
    if (text.isEmpty())
        return {};
    QStringList tokens = text.split(QLatin1Char(','));
    const QString kind = tokens.takeFirst().trimmed();
    const QString first = tokens.isEmpty() ? QString() : tokens.first();
    double number = 0;
    if (kind == u"0" || kind == u"1")
        return {};
    if (kind == u"2")
        return rangeNumber(first, number) && number > 0
                   ? QString()
                   : QStringLiteral("range kind 2 needs a step above 0, not \"%1\"").arg(first);
    if (kind == u"3")
        return boundsProblem(tokens);
    if (kind == u"4") {
        if (!rangeNumber(first, number) || number < 1 || number >= 32768 || number != std::floor(number))
            return QStringLiteral("range kind 4 needs a width of 1 or more, not \"%1\"").arg(first);
        return tokens.size() < 2 || tokens.at(1).trimmed().isEmpty()
                   ? QStringLiteral("range kind 4 needs a statement after the width")
                   : QString();
    }
    if (kind == u"9")
        return rangeNumber(first, number) && number >= 1 && number == std::floor(number) && number <= 2147483647.0
                   ? QString()
                   : QStringLiteral("range kind 9 needs a whole number of rows of 1 or more, not \"%1\"").arg(first);
    return QStringLiteral("unknown range kind \"%1\" (0, 1, 2, 3, 4 or 9)").arg(kind);
}

QString targetCaption(int target)
{
    if (target < 0 || target >= kTargetCount)
        return {};
    return captions()[static_cast<size_t>(target)];
}

int targetFromCaption(const QString& caption)
{
    for (int t = 0; t < kTargetCount; ++t) {
        if (captions()[static_cast<size_t>(t)] == caption)
            return t;
    }
    return -1;
}

ConditionRow* ConditionSet::find(const QString& itemName, qint16 target)
{
    for (ConditionRow& row : rows) {
        if (row.itemName == itemName && row.target == target)
            return &row;
    }
    return nullptr;
}

const ConditionRow* ConditionSet::find(const QString& itemName, qint16 target) const
{
    return const_cast<ConditionSet*>(this)->find(itemName, target);
}

std::vector<const AggregationKey*> ConditionSet::keysInUse() const
{
    std::vector<const AggregationKey*> result;
    for (const AggregationKey& key : keys) {
        if (key.inUse())
            result.push_back(&key);
    }
    return result;
}

} // namespace tq::conditions
