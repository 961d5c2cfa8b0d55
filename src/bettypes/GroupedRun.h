#pragma once
// The grouped bet-type run of an analysis window (analysis kinds 1 馬連ＢＯＸ分析,
// 2 馬連流し相手分析, 3 馬連流し軸馬分析): splits the tickets into groups by the
// document's aggregation keys, keeps one clsUmaren per group and bet-type
// line, and writes one result line per group and line with the hits per
// payout band.
//
// Kind 1 buys the box of the selected horses of each race; kind 2 flows from
// the horses of the axis favourite to the partners meeting the document's
// conditions, grouped by the partners; kind 3 flows from the horses meeting
// the conditions to the partners of the axis favourite, grouped by the axis
// horses. Rows with 異常区分 "1" or "2" are neither counted nor listed.
//
// Differences from the bet-type window: a dead heat for first hits both 馬単
// orders, a hit that pays 0 is not counted, races are counted per group.

#include "analysis/AnalysisDocument.h"
#include "analysis/Sheet.h"
#include "bettypes/Tally.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace tq::analysis {
class HorseListBuilder;
}
namespace tq::context {
class AppContext;
class StatusLine;
}

namespace tq::bettypes {

// Key levels a grouped run accepts (levels 0 to 10).
inline constexpr int kMaxBetKeyLevels = 11;

// subSyukeiHyoujiUma2: appends the line `name` of one group to a grouped
// result grid with k key levels. The first line gives the grid its 2k + 18
// columns: per level its key text and a hidden column of the raw value (the
// header click sorts a label by it), 馬券種類 and a hidden line order, then
// レース数 … 10000～; stored widths are applied by header text. 回収率 and
// 最高配当抜き回収率 get 回収率色 above 回収率値. Throws CountOverflow when a
// rate product leaves 32 bits, std::out_of_range for k above the tally's
// levels.
void subSyukeiHyoujiUma2(context::AppContext& ctx, analysis::Sheet& grid, const QString& name, const clsUmaren& tally,
                         int k, const QStringList& keyTexts, int order);

// subKekkaHyoujiUma2: runs `sql` (funSqlCreateUma of the document with
// `kind`) and writes document.result. The status line (when given) gets
// " → hh:mm:ss(DBデータ取得) 件数:" and then the number of rows counted so far.
// The result grid's Tag becomes k; its rows are sorted by the raw key values
// level by level, then by line order. Returns false when there is no row
// (the message "対象データは１件もありません、…" unless `silent`), on cancel (the
// result grid untouched, the lists hidden) and on any error, reported under
// "subKekkaHyoujiUma2": more than eleven key levels, a nineteenth horse, a
// 着順 that is not a number, a counter beyond 32 bits, a failing statement.
// `horseList` (may be null) receives the counted selection rows (kinds 1, 3)
// or partner rows (kind 2).
bool subKekkaHyoujiUma2(context::AppContext& ctx, context::StatusLine* status, analysis::AnalysisDocument& document,
                        const QString& sql, int kind, bool silent, analysis::HorseListBuilder* horseList);

// The selection statement of an analysis document of kind 1-3
// (analysis::BetTypeSql): funSqlCreateUma of its kind.
QString betTypeAnalysisSql(context::AppContext& ctx, const analysis::AnalysisDocument& document);

// The run of an analysis document of kind 1-3 (analysis::BetTypeRun):
// funSqlCreateUma, then subKekkaHyoujiUma2 with the default horse list.
bool runBetTypeAnalysis(context::AppContext& ctx, context::StatusLine& status, analysis::AnalysisDocument& document,
                        bool silent);

} // namespace tq::bettypes
