#pragma once
// The tables of a staking simulation, as the command prints them, the window
// shows them and the CSV file holds the curve. Amounts are whole yen; return
// rates are decimal cells (shown with one place, keeping the full value) like
// the analysis' 単回収率 and 複回収率.

#include "analysis/Sheet.h"
#include "analysis/Simulation.h"

namespace tq::analysis {

// Two columns, 項目 and 値: the bet kind and stake rule, the starting
// bankroll, bets (購入件数), hits, skipped bets, total stake, total return,
// 回収率, final bankroll, the largest drawdown (yen, % of its peak, the dates
// of peak and trough), the longest losing run (bets, first and last date)
// and the date betting stopped, when it did.
Sheet simulationSummarySheet(const SimulationResult& result);

// One row per year (年, 購入件数, 的中件数, 賭け金, 払戻金, 回収率), then 合計.
Sheet simulationYearSheet(const SimulationResult& result);

// The bankroll after each race with a bet: 日付 (yyyy/MM/dd), レースキー,
// 賭け金, 払戻金, 資金. The CSV of `simulate --csv` and the saved curve the
// chart add-in reads.
Sheet simulationCurveSheet(const SimulationResult& result);

// What was simulated, for a chart's title: "単勝 flat:100　開始資金 100,000円",
// then the period and the validation period when they were set.
QString simulationCaption(const SimulationResult& result);

// "単勝" or "複勝".
QString betKindText(SimulationBet bet);

} // namespace tq::analysis
