#include "shell/ui/AggregateFavouriteCommands.h"

#include "analysis/ui/AnalysisWindow.h"
#include "context/AppContext.h"
#include "derived/AggregateFavourites.h"
#include "derived/TableBuild.h"
#include "derived/ui/AggregateOpenDialog.h"
#include "context/StatusLine.h"
#include "shell/ui/MainWindow.h"
#include "shell/ui/MainWindowAnalysisDocument.h"
#include "store/Database.h"

#include <QElapsedTimer>
#include <QTabWidget>

#include <functional>

namespace tq::shell::ui {

namespace {

// Runs a build and, when it completed, says in the status line what it built.
derived::AggregateResult buildTold(MainWindow& window, const QString& what,
                                   const std::function<derived::AggregateResult()>& build)
{
    QElapsedTimer clock;
    clock.start();
    derived::AggregateResult result = build();
    if (result.outcome == derived::AggregateOutcome::Completed)
        window.statusLine().setText(derived::builtText(what, result.rows, clock.elapsed()));
    return result;
}

void addFromActiveDocument(context::AppContext& ctx, MainWindow& window)
{
    DocumentWindow* active = window.activeDocument();
    if (!active || !derived::checkAggregateSource(ctx, active->document()))
        return;
    const auto built = buildTold(window, QStringLiteral("集計お気に入り"),
                                 [&] { return derived::subSyukeiFavoAdd(ctx, active->document()); });
    if (built.outcome != derived::AggregateOutcome::Completed)
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
    window.setCommandHandler(QStringLiteral("mnuSyukeiFavorite"), [&ctx, &window] {
        buildTold(window, QStringLiteral("集計お気に入りの本日の表"), [&ctx] { return derived::subSyukeiFavoriteAll(ctx); });
    });
}

} // namespace tq::shell::ui
