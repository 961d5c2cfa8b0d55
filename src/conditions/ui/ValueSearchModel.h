#pragma once
// Shows a ValueSearchList in a QTableView: the field names as headers, the
// name cell of a marked row in the marking colour (the others white), the
// name of a struck-off entry in red. Every change of the marking or the order
// goes through this model so the view follows.

#include "conditions/ValueSearchList.h"

#include <QAbstractTableModel>

namespace tq::conditions::ui {

class ValueSearchModel final : public QAbstractTableModel {
    Q_OBJECT
  public:
    explicit ValueSearchModel(ValueSearchList list, QObject* parent = nullptr);

    const ValueSearchList& list() const { return m_list; }

    void toggleMark(int row);
    void mark(int row);
    void clearMarks();
    void markNames(const QString& startingNames);
    void sortByHeaderClick(int column);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

  private:
    void nameCellChanged(int row);

    ValueSearchList m_list;
};

} // namespace tq::conditions::ui
