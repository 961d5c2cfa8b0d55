#pragma once
// The viewer document of the main window: a condition file read for viewing
// into a document of its own and shown in the viewer window (frmView). The
// document lives as long as its window; it cannot be run or edited, it can
// be saved again, and closing it never asks anything.

#include "analysis/AnalysisDocument.h"
#include "shell/ui/MainWindowDocuments.h"

namespace tq::analysis::ui {
class ViewerWindow;
}

namespace tq::shell::ui {

class ViewerDocumentWindow final : public DocumentWindow {
    Q_OBJECT
  public:
    explicit ViewerDocumentWindow(context::AppContext& ctx, QWidget* parent = nullptr);
    ~ViewerDocumentWindow() override;

    void setAuthor(const QString& author) override;
    // funJoukenLoad for the viewer (decimals without places); a splitter
    // position in the file (twips) places the bar at the screen's DPI. False
    // when the file cannot be opened.
    bool loadConditionFile(const QString& path) override;
    // The condition-file writer, as for an analysis document: the result's
    // decimals are written with one place, not as the viewer shows them.
    bool saveConditionFile(const QString& path) override;
    // A viewer is not analysed: the user is told so.
    void runAnalysis() override;
    void copySelection() override;
    // Nothing: the viewer's conditions cannot be changed.
    void deleteConditionRow() override;

    analysis::ui::ViewerWindow* viewerWindow() const { return m_window; }

  private:
    context::AppContext& m_ctx;
    analysis::ui::ViewerWindow* m_window;
};

// The text shown when 分析実行 is asked of a viewer.
QString viewerNotAnalysedText();

} // namespace tq::shell::ui
