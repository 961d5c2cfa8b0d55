#include "analysis/ui/ConditionGridModel.h"

#include <QTableView>

#include <iterator>

namespace tq::analysis::ui {

ConditionGridModel::ConditionGridModel(conditions::ConditionSet& set, QObject* parent)
    : QAbstractTableModel(parent), m_set(set)
{
}

void ConditionGridModel::refresh()
{
    beginResetModel();
    endResetModel();
}

bool ConditionGridModel::isConditionRow(int row) const
{
    return row >= 0 && row < int(m_set.rows.size());
}

int ConditionGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_set.rows.size()) + 1;
}

int ConditionGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumns;
}

QVariant ConditionGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || !isConditionRow(index.row()))
        return {};
    const conditions::ConditionRow& row = m_set.rows[std::size_t(index.row())];
    if (index.column() == 0) {
        if (role == Qt::CheckStateRole)
            return row.masked ? Qt::Checked : Qt::Unchecked;
        if (role == Qt::TextAlignmentRole)
            return Qt::AlignCenter;
        return {};
    }
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case 1:
        return row.group;
    case 2:
        return row.itemName;
    case 3:
        return row.targetCaption;
    case 4:
        return row.display;
    case 5:
        return row.value;
    case 6:
        return row.isExtended() ? QString() : QString::number(row.target);
    default:
        return {};
    }
}

bool ConditionGridModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (m_readOnly || !index.isValid() || index.column() != 0 || role != Qt::CheckStateRole ||
        !isConditionRow(index.row()))
        return false;
    const bool masked = value.toInt() == Qt::Checked;
    conditions::ConditionRow& row = m_set.rows[std::size_t(index.row())];
    if (row.masked == masked)
        return true;
    row.masked = masked;
    emit dataChanged(index, index, {Qt::CheckStateRole});
    emit maskChanged(index.row(), masked);
    return true;
}

QVariant ConditionGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    static const char16_t* const captions[kColumns] = {u"マスク", u"条件種類", u"条件名", u"対象",
                                                       u"条件",   u"保管用",   u""};
    if (section < 0 || section >= kColumns)
        return {};
    return QString::fromUtf16(captions[section]);
}

Qt::ItemFlags ConditionGridModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (!m_readOnly && index.column() == 0 && isConditionRow(index.row()))
        f |= Qt::ItemIsUserCheckable;
    return f;
}

void layOutConditionGrid(QTableView& grid)
{
    const int widths[] = {60, 120, 160, 110, 420};
    for (int c = 0; c < int(std::size(widths)); ++c)
        grid.setColumnWidth(c, widths[c]);
    grid.setColumnHidden(5, true);
    grid.setColumnHidden(6, true);
}

} // namespace tq::analysis::ui
