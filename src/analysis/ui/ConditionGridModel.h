#pragma once
// The condition grid of an analysis window: one line per ConditionRow of the
// set, plus the empty line that stands for a new condition. Seven columns:
// マスク (a check box, the only editable cell), 条件種類, 条件名, 対象, 条件,
// 保管用 and the target number; the window hides the last two.
//
// The set is not owned. Ticking a mask changes the row and emits maskChanged;
// everything else is read only, and a read-only model (the viewer's) shows the
// masks without letting them change. Call refresh() after the set changed.

#include "conditions/ConditionSet.h"

#include <QAbstractTableModel>

class QTableView;

namespace tq::analysis::ui {

class ConditionGridModel final : public QAbstractTableModel {
    Q_OBJECT
  public:
    static constexpr int kColumns = 7;

    explicit ConditionGridModel(conditions::ConditionSet& set, QObject* parent = nullptr);

    void refresh();
    void setReadOnly(bool readOnly) { m_readOnly = readOnly; }
    // Whether `row` is a condition row (not the final empty line).
    bool isConditionRow(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

  signals:
    void maskChanged(int row, bool masked);

  private:
    conditions::ConditionSet& m_set;
    bool m_readOnly = false;
};

// The column widths of a condition grid, with the two stored-value columns hidden.
void layOutConditionGrid(QTableView& grid);

} // namespace tq::analysis::ui
