#pragma once
// The run of the bet-type window: counts, over a whole selection of horses
// chosen by favourites, the tickets of 馬連, ワイド, 馬単 and ３連複 bought as a
// box of the chosen horses of each race or as a flow from each axis horse to
// its partners, and writes one line per bet type into the window's table.
//
// Each race keeps at most eighteen horses (the most runners a race has); a
// counter that would leave the 32-bit range stops the run with a report
// rather than wrapping.

#include "analysis/Sheet.h"
#include "bettypes/BetTypeQuery.h"
#include "bettypes/Tally.h"

#include <QString>

namespace tq::context {
class AppContext;
}

namespace tq::bettypes {

// The controls of a bet-type window that its run reads.
struct BetWindowState {
    // 0: the axis horses (flow) or the box horses; 1: the partner horses.
    std::array<FavouritePick, 2> favourites;
    bool flow = true; // 軸馬から相手馬への流し; false: 対象馬のBOX
};

// subUmarenGyou: appends one line to the bet-type table; the first line
// gives the table its eleven columns and headers. Rates are 0 where their
// divisor is; 回収率 and 最高配当抜き回収率 get the background 8421631 above
// 100. A rate product that leaves 32 bits throws CountOverflow.
void subUmarenGyou(analysis::Sheet& grid, const QString& name, const LineCounters& line);

// subKekkaHyoujiUma: runs `sql` (the selection) and writes the lines into
// `table`. Returns false, with `table` empty, when there is no row (the
// message "対象データは１件もありません、…" is shown), when the user cancels, or
// on an error (reported under "subKekkaHyoujiUma": a statement that fails, a
// 着順 that is not a number, a counter beyond 32 bits, a nineteenth horse).
// Rows are not checked for 異常区分: every selected row buys its tickets.
// Calls ctx.busy.yield() once per row.
bool subKekkaHyoujiUma(context::AppContext& ctx, const BetWindowState& state, const QString& sql,
                       analysis::Sheet& table);

// subBunsekiUma: the run command of a bet-type window: the busy window with
// "分析中です", the selection of favourite 0 (funSqlCreateUma kind 0), then
// subKekkaHyoujiUma; the busy window is closed whatever the outcome.
// Returns whether the table was written.
bool subBunsekiUma(context::AppContext& ctx, const BetWindowState& state, analysis::Sheet& table);

} // namespace tq::bettypes
