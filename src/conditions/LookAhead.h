#pragma once
// Conditions that look ahead: an item marked Known=after in the catalogue
// (a race result, the final odds, the times) used on the race itself.
// Analysing past races with such a condition is fine; a favourite stored to
// pick today's runners is not, because today's races do not have the value
// yet and its WHERE text then selects nothing or the wrong runners.
//
// A previous run's value (前走 ... ５走前) is known before the race; a
// comparison of the race with a previous run (前走と比較 ...) needs the
// race's own value and looks ahead. Extended rows (free SQL) are not judged.

#include "conditions/ConditionCatalogue.h"
#include "conditions/ConditionSet.h"

#include <QString>
#include <QStringList>

namespace tq::conditions {

// The names of the look-ahead items among the unmasked condition rows, each
// once, in row order.
QStringList lookAheadConditions(const ConditionCatalogue& catalogue, const ConditionSet& conditions);

// The key texts of the aggregation levels in use whose item looks ahead,
// in level order (an aggregate favourite groups today's runners by them).
QStringList lookAheadKeys(const ConditionCatalogue& catalogue, const ConditionSet& conditions);

// The note the condition editor shows beside a look-ahead item.
QString lookAheadNote();

// The warning line for `names` (empty when there are none), as the
// registration question and the list of today's favourites show it.
QString lookAheadWarning(const QStringList& names);

} // namespace tq::conditions
