#pragma once
// funFavoWhere: the WHERE fragment that turns stored favourites into a
// condition of another query. It reads the ＷＨＥＲＥ文 of the favourite (or of
// every favourite of a group) from the application database's table お気に入り
// and either ORs them together or, with the race flag, wraps them in a
// race-level restriction: the races in which the number of runners meeting
// them compares with a count.
//
// The stored texts use today's table names; callers rewrite the fragment for
// the tables of their query (funDataHenkan for past-data queries).

#include "conditions/ConditionCatalogue.h"

#include <QString>

namespace tq::common {
class ErrorLog;
}
namespace tq::store {
class Database;
}

namespace tq::conditions {

struct FavouriteRestrictionResult {
    QString text;    // the fragment; empty when nothing matched or on failure
    int matched = 0; // favourites whose ＷＨＥＲＥ文 went into the text
    bool ok = false; // false when the table could not be read (reported as "TBOpr")
};

// One favourite: "(w)"; several: "((w1) OR (w2) ...)". With `raceFlag`:
// "T番組データ.レースキー in (select D番組データ.レースキー FROM <joins> WHERE
// <the above> group by D番組データ.レースキー[ HAVING COUNT(D競走馬データ.馬番)
// <op><count>])", wrapped in one more pair of parentheses when several
// favourites matched; the catalogue's join rules are added to its FROM text
// as the favourites' texts need them. `name` is quoted with "'" doubled.
// A null `appDb` reads nothing (ok = false). Never throws.
FavouriteRestrictionResult favouriteRestriction(const ConditionCatalogue& catalogue, store::Database* appDb,
                                                common::ErrorLog& log, bool wholeGroup, const QString& name,
                                                bool raceFlag, const QString& havingOperator,
                                                const QString& havingCount);

// The fragment alone, as the original operation returned it.
QString funFavoWhere(const ConditionCatalogue& catalogue, store::Database* appDb, common::ErrorLog& log,
                     bool wholeGroup, const QString& name, bool raceFlag, const QString& havingOperator,
                     const QString& havingCount);

} // namespace tq::conditions
