#pragma once
// frmFavoSeiri: every favourite in a grid, shown beside the documents without
// blocking them. Names, groups, 表示, comments, authors, dates and the
// secondary statistics are edited in place and stored at once; the counts
// and the five main rates are locked. Filters by group and author, sorts on
// a header click (again: descending), colours rates above the thresholds,
// and offers コピー, 削除, グループ名変更 and 色変更 on the selected rows. A
// click on a row shows its conditions in the condition viewer.
//
// The first three columns (表示, グループ名, 名称) stay in place when the
// grid scrolls sideways. Errors of a handler are reported under its name and
// shown. The context and the viewer must outlive the window.

#include "favourites/OrganizerRows.h"

#include <QPersistentModelIndex>
#include <QStringList>
#include <QWidget>

#include <functional>

class QComboBox;
class QMenu;
class QTableView;
class QTimer;

namespace tq::context {
class AppContext;
}

namespace tq::favourites::ui {

class ConditionViewer;
class FavouriteOrganizerModel;

class FavouriteOrganizer final : public QWidget {
    Q_OBJECT
  public:
    FavouriteOrganizer(context::AppContext& context, ConditionViewer& viewer, QWidget* parent = nullptr);
    ~FavouriteOrganizer() override;

    // Reloads the grid with the current filters and sort.
    void subHyouji();

    // The filter lists are filled when the window is made and not refilled
    // by later changes (reopen the window for new groups).
    QComboBox* groupFilter() const { return m_cboGroup; }
    QComboBox* authorFilter() const { return m_cboSaku; }
    QTableView* grid() const { return m_grid; }
    FavouriteOrganizerModel* model() const { return m_model; }
    QMenu* contextMenu() const { return m_menu; }
    const OrganizerSort& sort() const { return m_sort; }

    // The grid's first visible row, and scrolling it back there.
    int topRow() const;
    void scrollToRow(int row);

    // The context menu's actions on the selected rows.
    void copySelection();
    void deleteSelection();
    void regroupSelection();
    void recolourSelection();

  protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void fillFilters();
    OrganizerFilter filter() const;
    void onHeaderClicked(int column);
    // A click shows the favourite's conditions in the viewer once the time of
    // a double click has passed without one: the double click edits the
    // cell, and the viewer, opened at the first click, would catch the
    // second.
    void onClicked(const QModelIndex& index);
    void showClickedConditions();
    void onFavouriteDeleted(int topRow);
    QStringList selectedNames() const;
    // Runs a change of the selected rows and reloads at the same top row.
    void changeSelection(const std::function<void(const QStringList& names)>& change);
    void report(const QString& handler, const std::function<void()>& body);
    void layOutFrozen();

    context::AppContext& m_context;
    ConditionViewer& m_viewer;
    QComboBox* m_cboGroup = nullptr;
    QComboBox* m_cboSaku = nullptr;
    QTableView* m_grid = nullptr;
    QTableView* m_frozen = nullptr; // the first three columns over the grid
    FavouriteOrganizerModel* m_model = nullptr;
    QMenu* m_menu = nullptr;
    OrganizerSort m_sort;
    int m_lastSorted = -1;
    bool m_filling = false;
    QTimer* m_viewerDelay = nullptr;
    QPersistentModelIndex m_clicked;
};

} // namespace tq::favourites::ui
