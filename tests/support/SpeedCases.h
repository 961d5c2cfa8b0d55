#pragma once
// Condition sets that the analysis tests and benchmarks share: the three
// cases of the speed measurements, and a condition row built from UTF-8
// literals.

#include "conditions/ConditionSet.h"

#include <vector>

namespace tq::support {

// A condition row on `item` with `value`, for the target `target` (0: this
// race, 1 and up: the runs before).
conditions::ConditionRow conditionRow(const char* item, const char* value, qint16 target = 0);

struct NamedConditions {
    const char* name;
    conditions::ConditionSet set;
};

// Every race without keys; 芝 with key 距離 (sorted by the key);
// 1000-1400 m with keys 確定単勝オッズ + 芝ダ (sorted, labels that repeat out of
// order, so groups merge into earlier rows).
std::vector<NamedConditions> speedCases();

} // namespace tq::support
