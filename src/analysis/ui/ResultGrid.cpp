#include "analysis/ui/ResultGrid.h"

#include "analysis/AnalysisDocument.h"
#include "analysis/ResultDisplay.h"
#include "analysis/ui/SheetModel.h"

#include <QItemSelectionModel>
#include <QTableView>

#include <algorithm>

namespace tq::analysis::ui {

void sortResultGrid(AnalysisDocument& document, SheetModel& model, QTableView& grid, int column)
{
    sortResultOnHeaderClick(document, column);
    model.refresh();
    applyColumnWidths(grid, document.result);
}

std::optional<double> keepResizedColumn(store::Database* appDb, Sheet& sheet, const QTableView& grid, int column,
                                        int pixels)
{
    if (column < 0 || column >= sheet.columnCount() || pixels <= 0)
        return std::nullopt;
    const double width = widthFromPixels(grid, pixels);
    sheet.setColumnWidth(column, width);
    if (!storeColumnWidth(appDb, sheet.header(column), width))
        return std::nullopt;
    return width;
}

void applyWidthOfHeader(Sheet& sheet, QTableView& grid, const QString& header, double width)
{
    bool changed = false;
    for (int c = 0; c < sheet.columnCount(); ++c) {
        if (sheet.header(c) == header && !sheet.isColumnHidden(c)) {
            sheet.setColumnWidth(c, width);
            changed = true;
        }
    }
    if (changed)
        applyColumnWidths(grid, sheet);
}

std::optional<SheetRange> selectedRange(const QTableView& view)
{
    const QModelIndexList selected =
        view.selectionModel() ? view.selectionModel()->selectedIndexes() : QModelIndexList();
    if (selected.isEmpty())
        return std::nullopt;
    const QModelIndex& first = selected.first();
    SheetRange range{first.row(), first.column(), first.row(), first.column()};
    for (const QModelIndex& i : selected) {
        range.firstRow = std::min(range.firstRow, i.row());
        range.lastRow = std::max(range.lastRow, i.row());
        range.firstColumn = std::min(range.firstColumn, i.column());
        range.lastColumn = std::max(range.lastColumn, i.column());
    }
    return range;
}

} // namespace tq::analysis::ui
