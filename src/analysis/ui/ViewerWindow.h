#pragma once
// The viewer window (frmView): a condition file shown read-only. At the top
// the comment, the author, the aggregation keys in use, the favourite link
// and the axis favourite, and the condition grid; below a draggable bar
// (cmdSplit) the result grid. The grids and the comment use the catalogue's
// font size.
//
// Nothing here changes the conditions: the window only sorts the result grid
// on header clicks and stores the widths the user gives its columns, as the
// analysis window does. The window does not own the context or the
// document; both must outlive it.

#include <QWidget>

#include <array>

class QCheckBox;
class QLabel;
class QLineEdit;
class QSplitter;
class QTableView;

namespace tq::context {
class AppContext;
}

namespace tq::analysis {
class AnalysisDocument;
}

namespace tq::analysis::ui {

class ConditionGridModel;
class SheetModel;

class ViewerWindow final : public QWidget {
    Q_OBJECT
  public:
    ViewerWindow(context::AppContext& context, AnalysisDocument& document, QWidget* parent = nullptr);
    ~ViewerWindow() override;

    AnalysisDocument& document() const { return m_document; }

    // Rereads everything from the document (after a condition file was read
    // into it).
    void refreshFromDocument();

    // Puts the top of the bar `pixels` below the top of the window, as far as
    // the window's height allows; the condition grid ends at the bar and the
    // result grid takes the rest. A window made larger later grows its result
    // grid and keeps the bar where it is.
    void setSplitPosition(int pixels);
    // The top of the bar, in pixels below the top of the window.
    int splitPosition() const;

    // SaveFlgSet: only records the flag; closing a viewer never asks.
    void saveFlgSet(bool modified);

    // Applies a result column width that was stored by another window.
    void applyResultColumnWidth(const QString& header, double width);

    // コピー: the selected cells of the condition grid when it has the focus,
    // otherwise of the result grid, as TSV on the clipboard.
    void copySelection();

    QSize sizeHint() const override;

  signals:
    // Right-button release on either grid: the main window shows its edit
    // pop-up there.
    void editMenuRequested(const QPoint& globalPos);
    // A result column width the user chose and that was stored: other windows
    // may apply it through applyResultColumnWidth.
    void resultColumnWidthStored(const QString& header, double width);

  private:
    QWidget* buildTop();
    QWidget* buildKeys();
    QWidget* buildFavourites();
    QTableView* makeGrid(const QString& name);
    void onResultSectionResized(int column, int oldSize, int newSize);

    context::AppContext& m_context;
    AnalysisDocument& m_document;

    QSplitter* m_split = nullptr;
    QLineEdit* m_txtComment = nullptr;
    QLineEdit* m_txtUser = nullptr;
    std::array<QWidget*, 20> m_keyCells{};
    std::array<QLineEdit*, 20> m_txtKomoku{};
    QLineEdit* m_txtFavorite = nullptr;
    QCheckBox* m_chkFavoGroup = nullptr;
    QCheckBox* m_chkFavorite = nullptr;
    QLabel* m_lblHaving = nullptr;
    QWidget* m_axis = nullptr;
    QLabel* m_lblJiku = nullptr;
    QLineEdit* m_txtJiku = nullptr;
    QCheckBox* m_chkJikuGroup = nullptr;
    QTableView* m_conditionGrid = nullptr;
    ConditionGridModel* m_conditionModel = nullptr;
    QTableView* m_resultGrid = nullptr;
    SheetModel* m_resultModel = nullptr;
};

} // namespace tq::analysis::ui
