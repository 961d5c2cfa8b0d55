#pragma once
// What every window showing a document's result grid (vaSpread2) does with
// it: sorting on a header click, keeping and storing the width of a column
// the user resized or another window stored, and the selected block of cells
// for コピー.

#include "analysis/Sheet.h"

#include <optional>

class QTableView;

namespace tq::store {
class Database;
}

namespace tq::analysis {
class AnalysisDocument;
}

namespace tq::analysis::ui {

class SheetModel;

// A header click on `column`: sorts document.result with the document's
// remembered column and order (sortResultOnHeaderClick), then shows the
// sorted rows in `grid` through `model` with the sheet's widths.
void sortResultGrid(AnalysisDocument& document, SheetModel& model, QTableView& grid, int column);

// The user resized `column` of `grid`, which shows `sheet`, to `pixels`: the
// sheet keeps the width in its own unit and it is stored in 分析結果表示設定
// under the column's header (storeColumnWidth). Returns the width when it
// was stored; nothing for a column outside the sheet, a width of 0 or when
// the store refused it.
std::optional<double> keepResizedColumn(store::Database* appDb, Sheet& sheet, const QTableView& grid, int column,
                                        int pixels);

// A width stored by another window for the columns headed `header`: every
// shown column of `sheet` with that header takes it, and `grid` shows it.
void applyWidthOfHeader(Sheet& sheet, QTableView& grid, const QString& header, double width);

// The smallest block holding every selected cell of `view`; nothing when no
// cell is selected.
std::optional<SheetRange> selectedRange(const QTableView& view);

} // namespace tq::analysis::ui
