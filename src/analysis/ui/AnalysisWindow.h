#pragma once
// The analysis document window (frmDEVovuved): a view over one
// AnalysisDocument. Four tabs: the conditions (condition grid, favourite link,
// analysis kind, comment and author), the result (twenty aggregation-key
// levels, the result grid, its buttons and the summary labels), the horse
// lists and the history. The window edits the document through its controls
// and calls the core for everything else; it never builds SQL.
//
// The window does not own the context or the document; both must outlive it.
// The condition editor, the favourites dialogs and the text report are not
// part of this window: it emits the hook signals below and leaves the
// buttons whose feature is missing disabled with a tooltip.

#include "analysis/Run.h"

#include <QWidget>

#include <array>
#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTableView;
class QWidget;

namespace tq::context {
class AppContext;
class StatusLine;
}

namespace tq::analysis {
class AnalysisDocument;
class Sheet;
}

namespace tq::analysis::ui {

class SheetModel;
class ConditionGridModel;

class AnalysisWindow final : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kVisibleKeyLevels = 15; // key levels shown before "more"
    static constexpr int kGridRows = 6;          // the grids' smallest height in rows

    AnalysisWindow(context::AppContext& context, AnalysisDocument& document, QWidget* parent = nullptr);
    ~AnalysisWindow() override;

    AnalysisDocument& document() const { return m_document; }

    // Where runs write their status texts (the main window's first panel).
    // Without one the window keeps the text itself.
    void setStatusLine(context::StatusLine* status);

    // Called when the user answers Yes to keeping a modified document as a
    // favourite; returns whether it was stored (the window then closes).
    // Without it the window says that favourites cannot be added yet and
    // stays open.
    using FavouriteRegistration = std::function<bool(AnalysisWindow&)>;
    void setFavouriteRegistration(FavouriteRegistration registration);

    // The run of the bet-type analysis kinds 1-3 (subKekkaHyoujiUma2), which
    // the composing window supplies; without it such a run fails.
    void setBetTypeRun(BetTypeRun run) { m_betTypeRun = std::move(run); }
    // Its selection statement, for SQLコピー（DEBUG）.
    void setBetTypeSql(BetTypeSql sql) { m_betTypeSql = std::move(sql); }
    // The favourites dialog behind the reference buttons 参照 of the favourite
    // link and of the axis favourite: returns false when nothing was chosen,
    // else the favourite's name, or a group's name with `wholeGroup` set.
    // The chosen name goes into the link's box and the whole-group box
    // follows it. Without a picker the buttons stay disabled.
    using FavouritePicker = std::function<bool(QString& name, bool& wholeGroup)>;
    void setFavouritePicker(FavouritePicker picker);

    // The document's caption, shown as the window title.
    void setCaption(const QString& caption);

    // SaveFlgSet: the document's modified flag.
    void saveFlgSet(bool modified);

    // Rereads everything from the document (after it was loaded or changed
    // outside the window).
    void refreshFromDocument();
    // Rereads the grids only (after a run or a sort).
    void refreshGrids();

    // Whether the window may close now: never while a run of its document is
    // going (the run still uses the window); otherwise asks the closing
    // question when the document is modified. closeEvent uses it.
    bool confirmClose();

    // The tab control, for tests and the main window.
    QTabWidget* tabs() const { return m_tabs; }

    // Large enough to show the key levels and a useful part of the result
    // grid without scrolling; the pages scroll when the window is smaller.
    QSize sizeHint() const override;

  public slots:
    // 分析実行: runs the document's analysis with the busy window; a second
    // request while a run of this document is going is ignored. Shows the
    // result tab when the run completed.
    bool runAnalysis();
    // 結果をクリップボードにコピー.
    void copyResultToClipboard();
    // SQLコピー（DEBUG）.
    void copyAnalysisSql();
    // コピー: the selected cells of the current tab's grid (result, shown list
    // or history) as TSV; nothing on the conditions tab.
    void copySelection();
    // 削除 of the condition pop-up: removes the active condition row when the
    // conditions tab is shown (the empty line cannot be removed). Marks the
    // document modified.
    void deleteConditionRow();
    // Applies a result column width that was stored by another window.
    void applyResultColumnWidth(const QString& header, double width);

  signals:
    // Hooks for the condition editor: open it for a condition row (0-based; the
    // empty line's index asks for a new row) or for key level 0-19.
    void conditionEditorRequested(int row);
    void keyEditorRequested(int level);
    // Right-button release on the condition grid over a condition row, and on
    // the result grid: the main window shows its pop-up menus there.
    void conditionMenuRequested(int row, const QPoint& globalPos);
    void resultMenuRequested(const QPoint& globalPos);
    // Right-button release on either horse list.
    void listMenuRequested(const QPoint& globalPos);
    // A result column width the user chose and that was stored: other windows
    // may apply it through applyResultColumnWidth.
    void resultColumnWidthStored(const QString& header, double width);
    // A tab other than the conditions became current: the condition editor,
    // when open, should hide.
    void conditionEditorHideRequested();
    // The modified flag changed.
    void modifiedChanged(bool modified);
    // A horse-list row's race key was written for the race viewer, which
    // should now be shown (started unless it runs).
    void raceViewerRequested();
    // A click on a history row: the condition text of that run, for the
    // condition viewer (which the composing window supplies).
    void historyConditionsRequested(const QString& conditionText);

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* buildConditionTab();
    QWidget* buildResultTab();
    QWidget* buildListTab();
    QWidget* buildHistoryTab();
    QWidget* buildCheckTab();
    void refreshCheckTab();

    void setKind(int kind);
    void updateKindControls();
    void updateHavingVisibility();
    void pickFavourite(bool axis);
    void setKeysExpanded(bool expanded);
    void onResultHeaderClicked(int column);
    void onResultSectionResized(int column, int oldSize, int newSize);
    void onListHeaderClicked(int column);
    void onListSectionResized(int column, int oldSize, int newSize);
    void onListDoubleClicked(const QModelIndex& index);
    void onHistoryClicked(const QModelIndex& index);
    void chooseList(const QString& name);
    void exportResultCsv();
    void exportListCsv();
    // Asks for a file name and writes `sheet` as CSV; the status line then
    // says what was written (file and rows), or that it stopped or failed.
    void exportSheet(const QString& caption, const QString& filter, const Sheet& sheet);
    void copyListSql();
    void clearHistory();
    void markModified();
    void updateListView();

    context::AppContext& m_context;
    AnalysisDocument& m_document;
    std::unique_ptr<context::StatusLine> m_ownStatus;
    context::StatusLine* m_status = nullptr;
    FavouriteRegistration m_registration;
    BetTypeRun m_betTypeRun;
    BetTypeSql m_betTypeSql;
    FavouritePicker m_picker;
    bool m_loading = false; // controls being filled from the document

    QTabWidget* m_tabs = nullptr;
    // conditions tab
    QTableView* m_conditionGrid = nullptr;
    ConditionGridModel* m_conditionModel = nullptr;
    QLineEdit* m_txtFavorite = nullptr;
    QPushButton* m_cmdFavorite0 = nullptr;
    QCheckBox* m_chkFavoGroup = nullptr;
    QCheckBox* m_chkFavorite = nullptr;
    QLabel* m_lblHaving0 = nullptr;
    QLabel* m_lblHaving1 = nullptr;
    QComboBox* m_cboHaving0 = nullptr;
    QComboBox* m_cboHaving1 = nullptr;
    std::array<QRadioButton*, 4> m_optSyurui{};
    QLabel* m_lblJiku = nullptr;
    QLineEdit* m_txtJiku = nullptr;
    QPushButton* m_cmdFavorite1 = nullptr;
    QCheckBox* m_chkJikuGroup = nullptr;
    QLineEdit* m_txtComment = nullptr;
    QLineEdit* m_txtUser = nullptr;
    // result tab
    std::array<QLineEdit*, 20> m_txtKomoku{};
    std::array<QLineEdit*, 20> m_txtRange{};
    std::array<QWidget*, 20> m_keyRows{};
    QPushButton* m_cmdMore = nullptr;
    QTableView* m_resultGrid = nullptr;
    SheetModel* m_resultModel = nullptr;
    std::array<QLabel*, 12> m_lblKekka{};
    // list tab
    QLabel* m_lblIchiran = nullptr;
    QCheckBox* m_chkSeigen = nullptr;
    QTableView* m_defaultListGrid = nullptr;
    QTableView* m_settingListGrid = nullptr;
    SheetModel* m_defaultListModel = nullptr;
    SheetModel* m_settingListModel = nullptr;
    // history tab
    QTableView* m_historyGrid = nullptr;
    SheetModel* m_historyModel = nullptr;
    // check tab: split periods and return-rate intervals
    QCheckBox* m_chkSplit = nullptr;
    QDateEdit* m_splitDate = nullptr;
    QCheckBox* m_chkIntervals = nullptr;
    QTableView* m_splitGrid = nullptr;
    SheetModel* m_splitModel = nullptr;
    QTableView* m_intervalGrid = nullptr;
    SheetModel* m_intervalModel = nullptr;
};

} // namespace tq::analysis::ui
