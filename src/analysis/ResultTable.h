#pragma once
// The layout of a win-type result table and of the history table: the column
// headers, the cells of one group (labels and statistics), the stored column
// widths of 分析結果表示設定 and the threshold colours of the rate and return
// columns.
//
// With k key levels in use the columns are the k key texts, the sixteen
// group statistics, the five race statistics only when k = 0, then the three
// lower bounds, the two equal-stake returns and the three hidden sums
// (単配当合計, 複配当合計, 均等購入額, width 0): k + 24 columns when k > 0,
// 29 when k = 0.

#include "analysis/Sheet.h"
#include "analysis/StatRow.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace tq::store {
class Database;
}
namespace tq::context {
struct ColourSettings;
}

namespace tq::analysis {

// Statistic headers in column order, without the key columns.
const QStringList& resultStatisticHeaders(bool withRaceColumns);

// Column of a statistic header in a result table with k key columns, or -1.
int resultColumn(int k, QStringView header);

// Empties the sheet and gives it the result-table columns for `keyTexts`
// (k = keyTexts.size()); the last three columns are hidden.
void setupResultColumns(Sheet& sheet, const QStringList& keyTexts);

// Whether a label is stored as a number: an optional sign, digits with at most
// one ".", an optional exponent, blanks around. `*value` receives the number.
bool labelAsNumber(QStringView label, double* value = nullptr);
// Writes a group label: an integer cell for a number without ".", a decimal
// cell (one place) for a number with ".", a text cell otherwise.
void writeLabelCell(Sheet& sheet, int row, int column, const QString& label);
// The text a label cell written by writeLabelCell shows.
QString labelDisplayText(const QString& label);

// Writes every statistic of `stats` into `row` of a result table with k key
// columns (race statistics only when k = 0).
void writeStatistics(Sheet& sheet, int row, int k, const StatRow& stats);
// The accumulators back from a written row (the merge of repeated labels
// reads them from the grid): N, W1-W3, P, Q, S, Mw, Mp.
StatRow readStatistics(const Sheet& sheet, int row, int k);

// For every visible column: the width stored for its header text in
// 分析結果表示設定 on `appDb`, when there is one. Lookups that fail change
// nothing and are not reported. A null `appDb` does nothing.
void applyStoredColumnWidths(store::Database* appDb, Sheet& sheet);

// The threshold and colour of a result column, found by its whole header
// text: 勝率 and 最低勝率 take 勝率値 / 勝率色, 連対率 and 最低連対率 連対率値 /
// 連対率色, 複勝率 and 最低複勝率 複勝率値 / 複勝率色; the six return rates of a
// win-type result (単回収率, 複回収率, 最高配当抜き単回収率, 最高配当抜き複回収率,
// 戻り均等単回収率, 戻り均等最低単回収率) and the two of a bet-type result
// (回収率, 最高配当抜き回収率) take 回収率値 / 回収率色. Any other header, the
// race-level rates (レース勝率 ...) among them, has none: a header is never
// matched by a part of it.
struct Threshold {
    qint32 value;
    qint32 colour;
};
std::optional<Threshold> thresholdOfHeader(const context::ColourSettings& colours, QStringView header);

// The columns from `k` on that have a threshold (thresholdOfHeader), with
// it: looked up once for a table whose rows are written one by one.
struct ThresholdColumn {
    int column;
    Threshold threshold;
};
std::vector<ThresholdColumn> thresholdColumns(const context::ColourSettings& colours, const Sheet& sheet, int k);

// Background colours of the statistic cells of `row` (columns k and after):
// the threshold's colour (thresholdOfHeader) when the value is strictly
// greater than the threshold, otherwise the grid's normal colour.
void applyThresholdColours(const context::ColourSettings& colours, Sheet& sheet, int row, int k);
void applyThresholdColours(const std::vector<ThresholdColumn>& columns, Sheet& sheet, int row);

} // namespace tq::analysis
