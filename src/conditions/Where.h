#pragma once
// funWhere: the WHERE text of a whole condition set. Query builders put it
// after " WHERE "; the favourite store keeps it (with "$" escapes) as a
// favourite's ＷＨＥＲＥ文.

#include "conditions/ConditionCatalogue.h"
#include "conditions/ConditionSet.h"

#include <QString>

namespace tq::common {
class ErrorLog;
}
namespace tq::store {
class Database;
}

namespace tq::conditions {

// Builds, in this order: the favourite-race restriction when the set's
// favourite link names a favourite or group (read from お気に入り in `appDb`),
// then the clause of every unmasked row in row order joined with " AND ":
// an extended row as "(" its SQL ")" (every "$" removed when `removeDollar`),
// any other row through funJoukenSql. Rows with an empty item name are
// skipped.
//
// Analysis queries and recalculation pass removeDollar = true; the favourite
// store and the no-pre-race conversion pass false so that the escapes
// survive for funThisHenkan.
//
// Failure: a row whose item is not in the catalogue, a value the clause
// builder cannot read, a favourite link that cannot be read or that matches
// no favourite: the fault is reported under "funWhere", the result is the
// empty text and `*ok` (when given) is false. Callers must not mistake that
// empty text for "no conditions": it would analyse every race.
// `appDb` may be null when the set has no favourite link. Never throws.
QString funWhere(const ConditionCatalogue& catalogue, const ConditionSet& conditions, bool removeDollar,
                 store::Database* appDb, common::ErrorLog& log, bool* ok = nullptr);

} // namespace tq::conditions
