#include "conditions/ui/ValueSearchModel.h"

#include "common/WindowsColour.h"

#include <QColor>

namespace tq::conditions::ui {

namespace {

QColor colourOf(qint32 windowsColour)
{
    return QColor(common::redOf(windowsColour), common::greenOf(windowsColour), common::blueOf(windowsColour));
}

} // namespace

ValueSearchModel::ValueSearchModel(ValueSearchList list, QObject* parent)
    : QAbstractTableModel(parent), m_list(std::move(list))
{
}

void ValueSearchModel::toggleMark(int row)
{
    m_list.toggleMark(row);
    nameCellChanged(row);
}

void ValueSearchModel::mark(int row)
{
    m_list.setMarked(row, true);
    nameCellChanged(row);
}

void ValueSearchModel::clearMarks()
{
    m_list.clearMarks();
    if (m_list.rowCount() > 0)
        emit dataChanged(index(0, 0), index(m_list.rowCount() - 1, 0), {Qt::BackgroundRole});
}

void ValueSearchModel::markNames(const QString& startingNames)
{
    m_list.markNames(startingNames);
    if (m_list.rowCount() > 0)
        emit dataChanged(index(0, 0), index(m_list.rowCount() - 1, 0), {Qt::BackgroundRole});
}

void ValueSearchModel::sortByHeaderClick(int column)
{
    emit layoutAboutToBeChanged();
    m_list.sortByHeaderClick(column);
    emit layoutChanged();
}

int ValueSearchModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_list.rowCount();
}

int ValueSearchModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_list.columnCount();
}

QVariant ValueSearchModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const int row = index.row();
    const bool nameCell = index.column() == 0;
    switch (role) {
    case Qt::DisplayRole:
        return m_list.text(row, index.column());
    case Qt::BackgroundRole:
        return colourOf(nameCell && m_list.isMarked(row) ? kMarkedColour : kUnmarkedColour);
    case Qt::ForegroundRole:
        if (nameCell && m_list.isStruckOff(row))
            return colourOf(kStruckOffColour);
        return {};
    default:
        return {};
    }
}

QVariant ValueSearchModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    return m_list.header(section);
}

Qt::ItemFlags ValueSearchModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled : Qt::NoItemFlags;
}

void ValueSearchModel::nameCellChanged(int row)
{
    const QModelIndex cell = index(row, 0);
    emit dataChanged(cell, cell, {Qt::BackgroundRole});
}

} // namespace tq::conditions::ui
