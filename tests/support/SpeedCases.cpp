#include "support/SpeedCases.h"

namespace tq::support {

conditions::ConditionRow conditionRow(const char* item, const char* value, qint16 target)
{
    conditions::ConditionRow r;
    r.itemName = QString::fromUtf8(item);
    r.value = QString::fromUtf8(value);
    r.target = target;
    r.targetCaption = conditions::targetCaption(target);
    return r;
}

std::vector<NamedConditions> speedCases()
{
    std::vector<NamedConditions> out;
    out.push_back({"no condition", {}});
    NamedConditions turf{"芝, key 距離", {}};
    turf.set.rows = {conditionRow("芝ダ", "1")};
    turf.set.keys[0] = {QStringLiteral("距離"), {}};
    out.push_back(turf);
    NamedConditions sprint{"1000-1400 m, keys 確定単勝オッズ + 芝ダ", {}};
    sprint.set.rows = {conditionRow("距離", "1000,1400")};
    sprint.set.keys[0] = {QStringLiteral("確定単勝オッズ"), {}};
    sprint.set.keys[1] = {QStringLiteral("芝ダ"), {}};
    out.push_back(sprint);
    return out;
}

} // namespace tq::support
