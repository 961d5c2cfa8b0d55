#pragma once
// The ungrouped statistics of many condition sets in one pass over the rows
// of a flagged analysis statement (flaggedAnalysisSql): every row is counted
// for each set whose flag it carries, exactly as that set's own run without
// keys counts it (subKekkaHyouji): rows of runners that did not run are left
// out, a race is counted when the set's rows reach a new race key, S sums in
// the statement's order, and the first date with missing final odds is kept
// for each set. Memory does not grow with the rows: each set keeps its accumulators
// and the state of the race it is at.

#include "analysis/StatRow.h"

#include <QString>

#include <optional>
#include <vector>

namespace tq::context {
class AppContext;
}

namespace tq::analysis {

struct FlaggedTally {
    StatRow stats;
    // The statement had a row for the set, counted or not: its own run would
    // have found rows (a run that finds none is not complete).
    bool selected = false;
    // The first date (yyyymmdd) of a counted row without final odds, for the
    // caller to tell (incompleteDataMessage); none when every row had odds.
    std::optional<QString> incompleteDate;
};

// Runs `sql` on ctx.appDb (a flaggedAnalysisSql statement of `setCount`
// WHERE texts) and returns one tally per text, in order. The statement steps
// on a thread of its own when the machine has a second core; the busy
// window is kept painted and its キャンセル interrupts the statement: the
// result is then nullopt. A statement that cannot be prepared or fails while
// stepping throws store::DbError, unreported (the caller decides).
std::optional<std::vector<FlaggedTally>> foldFlagged(context::AppContext& ctx, const QString& sql, int setCount);

// The message of a run that meets a date (yyyymmdd) without final odds.
QString incompleteDataMessage(const QString& date);

} // namespace tq::analysis
