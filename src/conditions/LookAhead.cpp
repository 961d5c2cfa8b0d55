#include "conditions/LookAhead.h"

#include "conditions/Clauses.h"

namespace tq::conditions {

namespace {

// Whether a condition on `target` reads the race's own value.
bool readsTheRace(int target)
{
    return target == 0 || isComparisonTarget(target);
}

bool looksAhead(const ConditionCatalogue& catalogue, const QString& itemName)
{
    const ConditionItem* item = catalogue.itemByName(itemName);
    return item && item->knownAfterRace;
}

} // namespace

QStringList lookAheadConditions(const ConditionCatalogue& catalogue, const ConditionSet& conditions)
{
    QStringList names;
    for (const ConditionRow& row : conditions.rows) {
        if (row.masked || row.isExtended() || !readsTheRace(row.target))
            continue;
        if (looksAhead(catalogue, row.itemName) && !names.contains(row.itemName))
            names << row.itemName;
    }
    return names;
}

QStringList lookAheadKeys(const ConditionCatalogue& catalogue, const ConditionSet& conditions)
{
    QStringList keys;
    for (const AggregationKey* key : conditions.keysInUse()) {
        const AggregationKeyParts parts = splitAggregationKey(key->key);
        if (readsTheRace(parts.target) && looksAhead(catalogue, parts.itemName))
            keys << key->key;
    }
    return keys;
}

QString lookAheadNote()
{
    return QStringLiteral("【レース後に確定する情報】お気に入りに登録すると本日のレースでは正しく選ばれません");
}

QString lookAheadWarning(const QStringList& names)
{
    if (names.isEmpty())
        return {};
    return QStringLiteral("レース後に確定する情報が条件に含まれています（") + names.join(QStringLiteral("、")) +
           QStringLiteral("）。本日のレースではこの情報がまだないため、馬が選ばれないか、正しく選ばれません。");
}

} // namespace tq::conditions
