#pragma once
// The bet-type document of the main window: the bet-type window (frmUmaren)
// in a document window. It has no condition file; 分析実行 runs its counting
// and コピー copies its table.

#include "bettypes/ui/BetTypeWindow.h"
#include "shell/ui/MainWindowDocuments.h"

namespace tq::shell::ui {

class BetTypeDocumentWindow final : public DocumentWindow {
    Q_OBJECT
  public:
    BetTypeDocumentWindow(context::AppContext& ctx, bettypes::ui::FavouriteChooser chooser, QWidget* parent = nullptr);

    void setAuthor(const QString&) override {}
    // A bet-type document is never read from or written to a condition file.
    bool loadConditionFile(const QString&) override { return false; }
    bool saveConditionFile(const QString&) override { return false; }
    void runAnalysis() override;
    void copySelection() override;
    void deleteConditionRow() override {}

    bettypes::ui::BetTypeWindow* betTypeWindow() const { return m_window; }

  private:
    bettypes::ui::BetTypeWindow* m_window;
};

} // namespace tq::shell::ui
