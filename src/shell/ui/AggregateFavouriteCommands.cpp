#include "shell/ui/AggregateFavouriteCommands.h"

#include "analysis/ui/AnalysisWindow.h"
#include "context/AppContext.h"
#include "derived/AggregateFavourites.h"
#include "derived/ui/AggregateOpenDialog.h"
#include "shell/ui/MainWindow.h"
#include "shell/ui/MainWindowAnalysisDocument.h"
#include "store/Database.h"

#include <QTabWidget>

namespace tq::shell::ui {

namespace {

void addFromActiveDocument(context::AppContext& ctx, MainWindow& window)
{
    DocumentWindow* active = window.activeDocument();
    if (!active || !derived::checkAggregateSource(ctx, active->document()))
        return;
    if (derived::subSyukeiFavoAdd(ctx, active->document()).outcome != derived::AggregateOutcome::Completed)
        return;
    if (auto* analysisDocument = qobject_cast<AnalysisDocumentWindow*>(active))
        analysisDocument->analysisWindow()->saveFlgSet(false);
}

void openChosen(context::AppContext& ctx, MainWindow& window)
{
    QStringList names;
    try {
        names = derived::aggregateFavouriteNames(*ctx.appDb);
    } catch (const store::DbError& e) {
        ctx.errorLog.report({0, e.describe(), {}}, QStringLiteral("subSyukeiFavoOpen"));
    }
    derived::ui::AggregateOpenDialog dialog(names, &window);
    dialog.exec();
    if (dialog.chosenName().isEmpty())
        return;
    // Read first, so that a favourite that cannot be read opens no empty window.
    analysis::AnalysisDocument loaded;
    if (!derived::subSyukeiFavoLoad(ctx, dialog.chosenName(), loaded))
        return;
    auto* target = qobject_cast<AnalysisDocumentWindow*>(window.LoadNewDoc());
    if (!target)
        return;
    analysis::AnalysisDocument& document = target->document();
    document.caption = loaded.caption;
    document.conditions.keys = loaded.conditions.keys;
    document.result = std::move(loaded.result);
    target->setWindowTitle(document.caption);
    analysis::ui::AnalysisWindow* view = target->analysisWindow();
    view->refreshFromDocument();
    view->saveFlgSet(false);
    view->tabs()->setCurrentIndex(1);
}

} // namespace

void installAggregateFavouriteCommands(context::AppContext& ctx, MainWindow& window)
{
    window.setCommandHandler(QStringLiteral("mnuSyukeiFavoAdd"), [&ctx, &window] { addFromActiveDocument(ctx, window); });
    window.setCommandHandler(QStringLiteral("mnuSyukeiFavoOpen"), [&ctx, &window] { openChosen(ctx, window); });
    window.setCommandHandler(QStringLiteral("mnuSyukeiFavorite"),
                             [&ctx] { derived::subSyukeiFavoriteAll(ctx); });
}

} // namespace tq::shell::ui
