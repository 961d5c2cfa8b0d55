#include "analysis/ui/SheetModel.h"

#include "common/WindowsColour.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QHeaderView>
#include <QStyle>
#include <QTableView>

#include <algorithm>
#include <cmath>

namespace tq::analysis::ui {

SheetModel::SheetModel(Sheet* sheet, QObject* parent) : QAbstractTableModel(parent), m_sheet(sheet) {}

void SheetModel::setSheet(Sheet* sheet)
{
    beginResetModel();
    m_sheet = sheet;
    endResetModel();
}

void SheetModel::refresh()
{
    beginResetModel();
    endResetModel();
}

int SheetModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() || !m_sheet ? 0 : m_sheet->rowCount();
}

int SheetModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() || !m_sheet ? 0 : m_sheet->columnCount();
}

QVariant SheetModel::data(const QModelIndex& index, int role) const
{
    if (!m_sheet || !index.isValid() || index.row() >= m_sheet->rowCount() || index.column() >= m_sheet->columnCount())
        return {};
    const int r = index.row();
    const int c = index.column();
    switch (role) {
    case Qt::DisplayRole:
        return m_sheet->displayText(r, c);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::AlignVCenter | (m_sheet->isNumber(r, c) ? Qt::AlignRight : Qt::AlignLeft));
    case Qt::BackgroundRole: {
        const qint32 colour = m_sheet->backColour(r, c);
        if (colour == Sheet::kDefaultColour)
            return {};
        return QBrush(QColor::fromRgb(rgbOfWindowsColour(colour)));
    }
    case Qt::ForegroundRole: {
        const qint32 colour = m_sheet->foreColour(r, c);
        if (colour == Sheet::kDefaultColour)
            return {};
        return QBrush(QColor::fromRgb(rgbOfWindowsColour(colour)));
    }
    default:
        return {};
    }
}

QVariant SheetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || !m_sheet)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    if (section < 0 || section >= m_sheet->columnCount())
        return {};
    return m_sheet->header(section);
}

Qt::ItemFlags SheetModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void SheetModel::sort(int column, Qt::SortOrder order)
{
    if (!m_sheet || column < 0 || column >= m_sheet->columnCount())
        return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    m_sheet->sort(column, order == Qt::DescendingOrder);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

QRgb rgbOfWindowsColour(qint32 colour)
{
    return qRgb(common::redOf(colour), common::greenOf(colour), common::blueOf(colour));
}

double pixelsPerWidthUnit(const QTableView& view)
{
    return QFontMetricsF(view.font()).horizontalAdvance(QLatin1Char('0')) + 1.0;
}

void applyColumnWidths(QTableView& view, const Sheet& sheet)
{
    const double unit = pixelsPerWidthUnit(view);
    QHeaderView* header = view.horizontalHeader();
    const bool blocked = header->blockSignals(true);
    for (int c = 0; c < sheet.columnCount(); ++c) {
        const double width = sheet.columnWidth(c);
        view.setColumnHidden(c, width <= 0.0);
        if (width <= 0.0)
            continue;
        if (sheet.hasColumnWidth(c)) {
            view.setColumnWidth(c, int(std::lround(width * unit)));
            continue;
        }
        view.resizeColumnToContents(c);
        view.setColumnWidth(c, std::clamp(view.columnWidth(c), int(std::lround(kMinimumFittedWidth * unit)),
                                          int(std::lround(kMaximumFittedWidth * unit))));
    }
    header->blockSignals(blocked);
    fitHeaderHeight(view);
}

void fitHeaderHeight(QTableView& view)
{
    QHeaderView* header = view.horizontalHeader();
    const QAbstractItemModel* model = view.model();
    if (!model)
        return;
    const QFontMetrics metrics(header->font());
    const int margin = header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    int lines = 1;
    for (int c = 0; c < model->columnCount(); ++c) {
        if (header->isSectionHidden(c))
            continue;
        const QString text = model->headerData(c, Qt::Horizontal).toString();
        const int available = qMax(1, header->sectionSize(c) - 2 * margin);
        const QRect needed = metrics.boundingRect(QRect(0, 0, available, metrics.height() * 100),
                                                  Qt::AlignCenter | Qt::TextWordWrap, text);
        lines = qMax(lines, (needed.height() + metrics.height() - 1) / metrics.height());
    }
    lines = qMin(lines, kMaximumHeaderLines);
    header->setMinimumHeight(lines * metrics.height() + 2 * margin + 2);
}

double widthFromPixels(const QTableView& view, int pixels)
{
    return std::round(pixels / pixelsPerWidthUnit(view) * 100.0) / 100.0;
}

QTableView* makeSheetGrid(const QString& name, int minimumRows, int pointSize)
{
    auto* grid = new QTableView;
    grid->setObjectName(name);
    if (pointSize > 0) {
        QFont font = grid->font();
        font.setPointSize(pointSize);
        grid->setFont(font);
    }
    grid->setSelectionMode(QAbstractItemView::ContiguousSelection);
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
    grid->horizontalHeader()->setSectionsClickable(true);
    grid->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter | Qt::Alignment::fromInt(Qt::TextWordWrap));
    QObject::connect(grid->horizontalHeader(), &QHeaderView::sectionResized, grid, [grid] { fitHeaderHeight(*grid); });
    grid->horizontalHeader()->setHighlightSections(false);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Read-only: the arrow keys move within the grid, Tab on to the next control.
    grid->setTabKeyNavigation(false);
    grid->setMinimumHeight(minimumRows * grid->verticalHeader()->defaultSectionSize());
    return grid;
}

} // namespace tq::analysis::ui
