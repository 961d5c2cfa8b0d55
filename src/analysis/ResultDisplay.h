#pragma once
// What the document window does with a result grid besides showing it: the
// stored column widths of 分析結果表示設定, sorting on a header click with the
// document's remembered column and order, the two clipboard texts of the
// result tab, and rebuilding a result grid from the lines of a condition file
// (headings, widths, rows).
//
// Nothing here touches a widget: the window passes its events in and puts the
// returned texts on the clipboard. One thread.

#include "analysis/Run.h"
#include "analysis/Sheet.h"

#include <QString>

namespace tq::context {
class AppContext;
struct ColourSettings;
}
namespace tq::store {
class Database;
}

namespace tq::analysis {

class AnalysisDocument;

// --- column widths --------------------------------------------------------

// The width text written to the database and to condition files: the
// shortest decimal text that reads back as the same single-precision number
// ("10", "12.5").
QString columnWidthText(double width);

// Stores a column width chosen by the user for every grid whose header reads
// `header`: UPDATE the row of 分析結果表示設定, INSERT it (表示順 0) when no row
// was changed. Nothing happens for an empty header, a width of 0 or less, or
// a null database. A "'" in the header is doubled inside the literal, so such
// headers are stored too. Returns whether the width was stored; failures are
// not reported (the column simply keeps its width in this session).
bool storeColumnWidth(store::Database* appDb, const QString& header, double width);

// --- sorting --------------------------------------------------------------

// A click on header `column` (0-based) of a grid of the document: ascending on
// the first click on a column, each further click on the same column flips
// the order, a click on another column starts ascending again. The pair is
// remembered in the document (one pair for the result grid and both lists).
// For the result grid of a bet-type document (`betTypeResult`), a click on
// one of the first 2g + 1 columns sorts by the column to its right, g being
// the number in the grid's Tag. A column outside the sheet does nothing.
void sortOnHeaderClick(AnalysisDocument& document, Sheet& sheet, int column, bool betTypeResult = false);

// The result grid's header click: sortOnHeaderClick on document.result, with
// the bet-type rule when the document's analysis kind is not 0.
void sortResultOnHeaderClick(AnalysisDocument& document, int column);

// --- clipboard texts ------------------------------------------------------

// 結果をクリップボードにコピー: the caption, CR LF; the WHERE text of the
// conditions (funWhere with "$" removed, then funDataHenkan), CR LF; then the
// header row and every data row of the result grid, hidden columns included,
// cells separated by TAB and each row ended by CR LF. When the WHERE text
// cannot be built its line stays empty (the fault is in the error log).
QString resultClipboardText(context::AppContext& context, const AnalysisDocument& document);

// SQLコピー（DEBUG）: the statement the document's run opens: funSqlCreate2,
// or for a bet-type document (kind 1-3) that of `betTypeSql` (empty without
// it); empty when it cannot be built.
QString analysisSqlText(context::AppContext& context, const AnalysisDocument& document,
                        const BetTypeSql& betTypeSql = {});

// --- rebuilding from a condition file --------------------------------------
// Each reads the comma-separated tokens of `line` from the 1-based
// `position` on (the position just after the line's tag and its comma).

// subKekkaHeader: empties the sheet and makes one column per token, the last
// one included, with the token as heading and the stored width of that
// heading (from `appDb`, when given). An empty token ends the label columns
// of a bet-type result: its column gets width 0 and the sheet's Tag becomes
// g = (i - 1) / 2 rounded half to even, i being the token's 1-based number.
// A line with no tokens at all leaves the sheet without columns.
void subKekkaHeader(store::Database* appDb, const QString& line, int position, Sheet& sheet);

// subKekkaWidth: the width of column i becomes the numeric value of token i;
// tokens beyond the last column are ignored.
void subKekkaWidth(const QString& line, int position, Sheet& sheet);

// subKekkaRow: appends one row. A token that reads as a number becomes an
// integer cell without "." and a decimal cell with one shown place in an
// analysis window (`analysisWindow`), none elsewhere; it is then coloured by
// the whole heading of its column exactly as a live run colours it
// (thresholdOfHeader: 複勝率 takes 複勝率's threshold, not 勝率's; race rates
// stay uncoloured). Any other token is a text cell.
//
// An empty token leaves its cell empty and the next token goes on into the
// next column: a row whose first label is empty keeps its statistics under
// their headings. Tokens beyond the last column are ignored.
void subKekkaRow(const context::ColourSettings& colours, const QString& line, int position, Sheet& sheet,
                 bool analysisWindow);

} // namespace tq::analysis
