#include "conditions/ConditionSet.h"

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
