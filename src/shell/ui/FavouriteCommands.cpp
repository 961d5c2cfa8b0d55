#include "shell/ui/FavouriteCommands.h"

#include "analysis/ui/AnalysisWindow.h"
#include "favourites/AddIns.h"
#include "favourites/Registration.h"
#include "favourites/ui/FavouriteDialog.h"
#include "shell/AppContext.h"
#include "shell/ui/MainWindow.h"
#include "shell/ui/MainWindowAnalysisDocument.h"

namespace tq::shell::ui {

namespace {

using favourites::FavoChoice;
using favourites::FavoMode;

// Shows the favourites dialog for `choice` and waits for it.
void showDialog(AppContext& ctx, QWidget* parent, FavoChoice& choice)
{
    favourites::ui::FavouriteDialog dialog(ctx, choice, parent);
    dialog.exec();
}

void openFavourites(AppContext& ctx, MainWindow& window)
{
    FavoChoice choice;
    choice.mode = FavoMode::Open;
    choice.name.clear();
    choice.group.clear();
    showDialog(ctx, &window, choice);
    if (choice.name.isEmpty())
        return;
    AnalysisDocumentWindow* current = nullptr;
    favourites::subFavoOpen(
        ctx, choice,
        [&]() -> analysis::AnalysisDocument* {
            current = qobject_cast<AnalysisDocumentWindow*>(window.LoadNewDoc());
            return current ? &current->document() : nullptr;
        },
        [&](analysis::AnalysisDocument& document) {
            current->setWindowTitle(document.caption);
            current->analysisWindow()->refreshFromDocument();
            current->analysisWindow()->saveFlgSet(false);
        });
}

void organise(AppContext& ctx, MainWindow& window, FavoMode mode)
{
    FavoChoice choice;
    choice.mode = mode;
    choice.name.clear();
    choice.group.clear();
    showDialog(ctx, &window, choice);
}

} // namespace

bool registerFavourite(AppContext& ctx, DocumentWindow& window)
{
    analysis::AnalysisDocument& document = window.document();
    FavoChoice choice;
    choice.mode = FavoMode::Add;
    choice.name = document.caption;
    showDialog(ctx, window.window(), choice);
    if (choice.name.isEmpty())
        return false;
    if (favourites::subFavoAdd(ctx, document, choice) != favourites::Registration::Stored)
        return false;
    window.setWindowTitle(document.caption);
    if (auto* analysisDocument = qobject_cast<AnalysisDocumentWindow*>(&window))
        analysisDocument->analysisWindow()->saveFlgSet(false);
    return true;
}

bool pickFavourite(AppContext& ctx, QWidget* parent, QString& name, bool& wholeGroup)
{
    FavoChoice choice;
    choice.mode = FavoMode::Select;
    choice.name.clear();
    choice.group.clear();
    showDialog(ctx, parent, choice);
    if (!choice.name.isEmpty()) {
        name = choice.name;
        wholeGroup = false;
        return true;
    }
    if (choice.group.isEmpty())
        return false;
    name = choice.group;
    wholeGroup = true;
    return true;
}

void installFavouriteCommands(AppContext& ctx, MainWindow& window, favourites::ProcessStarter& starter)
{
    window.setCommandHandler(QStringLiteral("mnuFavoAdd"), [&ctx, &window] {
        auto* document = qobject_cast<AnalysisDocumentWindow*>(window.activeDocument());
        if (!document || !favourites::checkBeforeRegistration(ctx, document->document()))
            return;
        // The date check may have rewritten condition rows.
        document->analysisWindow()->refreshFromDocument();
        registerFavourite(ctx, *document);
    });
    window.setCommandHandler(QStringLiteral("mnuFavoOpen"), [&ctx, &window] { openFavourites(ctx, window); });
    window.setCommandHandler(QStringLiteral("mnuFavoMnt_1"),
                             [&ctx, &window] { organise(ctx, window, FavoMode::Organise); });
    window.setCommandHandler(QStringLiteral("mnuExport"), [&ctx, &window] { organise(ctx, window, FavoMode::Export); });
    window.setCommandHandler(QStringLiteral("mnuFavoToday"),
                             [&ctx, &starter] { favourites::subFavoToday(ctx, starter); });
    window.setCommandHandler(QStringLiteral("mnuREDivor"), [&ctx, &window, &starter] {
        if (DocumentWindow* document = window.activeDocument())
            favourites::mnuREDivor_Click(ctx, starter, document->document());
    });
}

} // namespace tq::shell::ui
