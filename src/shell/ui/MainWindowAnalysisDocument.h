#pragma once
// The win-type document of the main window: an analysis document shown in
// the analysis window (frmDEVovuved). The document lives as long as its
// window.

#include "analysis/AnalysisDocument.h"
#include "bettypes/ui/BetTypeWindow.h"
#include "shell/ui/FavouriteCommands.h"
#include "shell/ui/MainWindowDocuments.h"

#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>

class QMenu;

namespace tq::analysis::ui {
class AnalysisWindow;
}

namespace tq::shell::ui {

class AnalysisDocumentWindow final : public DocumentWindow {
    Q_OBJECT
  public:
    AnalysisDocumentWindow(context::AppContext& ctx, context::StatusLine& status, QWidget* parent = nullptr);
    ~AnalysisDocumentWindow() override;

    void setAuthor(const QString& author) override;
    // funJoukenLoad into the document; false when the file cannot be opened.
    bool loadConditionFile(const QString& path) override;
    // The condition-file writer; a failure is logged under "subJoukenSave",
    // shown, and returns false.
    bool saveConditionFile(const QString& path) override;
    void runAnalysis() override;
    void copySelection() override;
    void deleteConditionRow() override;

    analysis::ui::AnalysisWindow* analysisWindow() const { return m_window; }

  protected:
    // The closing question of a modified document; Cancel keeps it open.
    void closeEvent(QCloseEvent* event) override;

  private:
    context::AppContext& m_ctx;
    analysis::ui::AnalysisWindow* m_window;
};

// Win-type documents in the analysis window (with the bet-type kinds' run),
// viewer documents in the viewer window, bet-type documents in the bet-type
// window, whose 参照 buttons use the favourite chooser (by default a list of
// the stored favourites). `popups` returns the main window's
// edit and condition pop-up menus, shown when a window asks for them (either
// may be null): the edit menu on the result grid, the horse lists and the
// viewer's grids, the condition menu on a condition row. A result column
// width stored by one analysis or viewer window is applied to every other
// open one the factory created.
class AnalysisDocumentFactory final : public DocumentWindowFactory {
  public:
    using Popups = std::function<std::pair<QMenu*, QMenu*>()>;
    AnalysisDocumentFactory(context::AppContext& ctx, context::StatusLine& status, Popups popups = {})
        : m_ctx(ctx), m_status(status), m_popups(std::move(popups)),
          m_chooser([&ctx](QWidget* parent) -> std::optional<bettypes::FavouritePick> {
              bettypes::FavouritePick pick;
              if (!pickFavourite(ctx, parent, pick.name, pick.wholeGroup))
                  return std::nullopt;
              return pick;
          })
    {
    }
    DocumentWindow* createWindow(DocumentKind kind) override;
    // The chooser of the bet-type windows created from now on.
    void setFavouriteChooser(bettypes::ui::FavouriteChooser chooser) { m_chooser = std::move(chooser); }
    // Shows the race viewer when an analysis window asks for it.
    void setRaceViewer(std::function<void()> show) { m_raceViewer = std::move(show); }
    // Shows the conditions of a history row when an analysis window asks.
    using HistoryViewer = std::function<void(analysis::ui::AnalysisWindow& source, const QString& conditionText)>;
    void setHistoryViewer(HistoryViewer show) { m_historyViewer = std::move(show); }

  private:
    DocumentWindow* createViewer();
    // Shows the main window's edit pop-up, or its condition pop-up, at a point.
    std::function<void(const QPoint&)> popupAt(bool conditionMenu) const;
    // Puts an analysis or viewer window into the width sharing.
    template <typename Window> void shareResultColumnWidths(Window* window);
    void shareResultColumnWidth(const QWidget* from, const QString& header, double width);

    context::AppContext& m_ctx;
    context::StatusLine& m_status;
    Popups m_popups;
    bettypes::ui::FavouriteChooser m_chooser;
    std::function<void()> m_raceViewer;
    HistoryViewer m_historyViewer;
    QList<QPointer<QWidget>> m_windows; // analysis and viewer windows; closed ones turn null
    QObject m_guard; // context of the width connections; they end with the factory
};

} // namespace tq::shell::ui
