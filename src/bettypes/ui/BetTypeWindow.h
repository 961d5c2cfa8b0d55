#pragma once
// The bet-type window (frmUmaren): one favourite (or whole group) for the box
// horses, or two for a flow from the axis horses to the partner horses, the
// choice between flow and box, and the table of the last run. 分析実行 of the
// main window calls runAnalysis().
//
// Choosing a favourite goes through a FavouriteChooser that the composing
// window supplies (the favourites tree), so this window does not depend on
// the favourites dialogs.

#include "analysis/Sheet.h"
#include "bettypes/BetWindowRun.h"

#include <QWidget>

#include <array>
#include <functional>
#include <optional>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableView;

namespace tq::analysis::ui {
class SheetModel;
}
namespace tq::context {
class AppContext;
}

namespace tq::bettypes::ui {

// A picked favourite (wholeGroup false) or group (true); nothing when the
// user picked nothing.
using FavouriteChooser = std::function<std::optional<FavouritePick>(QWidget* parent)>;

class BetTypeWindow final : public QWidget {
    Q_OBJECT
  public:
    BetTypeWindow(context::AppContext& ctx, FavouriteChooser chooser, QWidget* parent = nullptr);
    ~BetTypeWindow() override;

    BetWindowState state() const;
    void setState(const BetWindowState& state);

    // subBunsekiUma with the window's state; the table shows the result (an
    // empty table after a failed or cancelled run). Returns whether it was
    // written. A second run while one is going is refused.
    bool runAnalysis();
    // The table's selected cells (all of it without selection) as TSV.
    QString selectionText() const;

    const analysis::Sheet& table() const { return m_table; }

  private:
    void choose(int index);
    void applyKind();

    context::AppContext& m_ctx;
    FavouriteChooser m_chooser;
    analysis::Sheet m_table;
    std::array<QGroupBox*, 2> m_frmFavo{};
    std::array<QLineEdit*, 2> m_txtFavorite{};
    std::array<QCheckBox*, 2> m_chkFavoGroup{};
    std::array<QPushButton*, 2> m_cmdFavorite{};
    std::array<QRadioButton*, 2> m_optSyurui{};
    QTableView* m_grid = nullptr;
    analysis::ui::SheetModel* m_model = nullptr;
    bool m_running = false;
};

} // namespace tq::bettypes::ui
