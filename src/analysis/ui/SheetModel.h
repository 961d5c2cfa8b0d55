#pragma once
// Shows a tq::analysis::Sheet in a QTableView. The model only reads the sheet
// (it never queries anything): numbers right-aligned, decimals with their own
// places, the cells' back and fore colours, the sheet's header texts.
//
// The sheet is not owned and must outlive the model or be replaced with
// setSheet(nullptr) first. Whoever changes the sheet calls refresh(), which
// resets the model; sort() sorts the sheet itself through Sheet::sort.
//
// Column widths are in the grid's unit (characters of the grid font); a width
// of 0 hides the column. applyColumnWidths() and widthFromPixels() convert.

#include "analysis/Sheet.h"

#include <QAbstractTableModel>
#include <QRgb>

class QTableView;

namespace tq::analysis::ui {

class SheetModel final : public QAbstractTableModel {
    Q_OBJECT
  public:
    explicit SheetModel(Sheet* sheet = nullptr, QObject* parent = nullptr);

    Sheet* sheet() const { return m_sheet; }
    void setSheet(Sheet* sheet);
    // The sheet changed (rows, columns, cells or headers): the view rereads it.
    void refresh();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

  private:
    Sheet* m_sheet = nullptr;
};

// A Windows colour value (red in the lowest byte) as RGB.
QRgb rgbOfWindowsColour(qint32 colour);

// Pixels per width unit of the view's font.
double pixelsPerWidthUnit(const QTableView& view);
// Sets the view's column widths from the sheet: width 0 hides the column, a
// width the sheet was given (stored or chosen, Sheet::hasColumnWidth) is
// kept, and any other column is sized to its header and the shown cells,
// between kMinimumFittedWidth and kMaximumFittedWidth units. Then the header
// grows to show wrapped headings (fitHeaderHeight).
void applyColumnWidths(QTableView& view, const Sheet& sheet);
constexpr double kMinimumFittedWidth = 4;
constexpr double kMaximumFittedWidth = 40;
// Makes the view's header as high as its longest heading needs when wrapped
// onto lines of its column's width (at most kMaximumHeaderLines lines), so a
// heading wider than a narrow stored width is read whole, not clipped.
void fitHeaderHeight(QTableView& view);
constexpr int kMaximumHeaderLines = 3;
// A width in pixels of the view as the sheet's unit.
double widthFromPixels(const QTableView& view, int pixels);

// A read-only grid for a sheet named `name`: block selection, rows as high as
// the font needs, headings wrapped to their column's width (the header
// follows resized columns), at least `minimumRows` rows high. `pointSize` above 0 sets
// the font size first.
QTableView* makeSheetGrid(const QString& name, int minimumRows, int pointSize = 0);

} // namespace tq::analysis::ui
