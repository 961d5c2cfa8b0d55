#pragma once
// The window of today's favourites: the list grouped by race or by
// favourite (groups in alternating shades), failed favourites in red with
// their error, a reload and a CSV export.

#include "TodayFavourites.h"

#include <QMainWindow>

class QComboBox;
class QTableView;

namespace tq::context {
class AppContext;
}
namespace tq::analysis::ui {
class SheetModel;
}

namespace tq::addins::today {

class TodayWindow final : public QMainWindow {
    Q_OBJECT
public:
    // `ctx` (with its open database) must outlive the window.
    explicit TodayWindow(context::AppContext& ctx, QWidget* parent = nullptr);

    // Builds the list again with the chosen grouping. False (the reason in
    // error() and in the window) when there is nothing to show.
    bool reload();
    void setGrouping(Grouping grouping);

    const TodayList& list() const { return m_list; }
    const QString& error() const { return m_error; }

private:
    void shadeGroups();
    void exportCsv();

    context::AppContext& m_ctx;
    TodayList m_list;
    QString m_error;
    QComboBox* m_grouping = nullptr;
    QTableView* m_view = nullptr;
    analysis::ui::SheetModel* m_model = nullptr;
};

} // namespace tq::addins::today
