#include "shell/ui/FavouriteCommands.h"

#include "analysis/ui/AnalysisWindow.h"
#include "favourites/AddIns.h"
#include "favourites/Registration.h"
#include "analysis/ConditionFile.h"
#include "favourites/ui/ConditionViewer.h"
#include "favourites/ui/FavouriteDialog.h"
#include "favourites/ui/FavouriteOrganizer.h"
#include "shell/AppContext.h"
#include "shell/ui/MainWindow.h"
#include "shell/ui/MainWindowAnalysisDocument.h"

#include <QPointer>

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

// Opens a condition text from the viewer as a new analysis document.
void openConditionText(AppContext& ctx, MainWindow& window, const favourites::ui::ConditionViewer::OpenRequest& request)
{
    auto* document = qobject_cast<AnalysisDocumentWindow*>(window.LoadNewDoc());
    if (!document)
        return;
    analysis::ConditionLoadOptions options;
    options.input = analysis::ConditionInput::Text;
    options.commentOverride = request.comment;
    options.userOverride = request.author;
    analysis::funJoukenLoad(ctx, document->document(), request.conditionText, options);
    if (!request.caption.isEmpty())
        document->document().caption = request.caption;
    document->setWindowTitle(document->document().caption);
    document->analysisWindow()->refreshFromDocument();
    document->analysisWindow()->saveFlgSet(false);
}

// The one condition viewer of the main window, hidden between uses.
favourites::ui::ConditionViewer& conditionViewer(AppContext& ctx, MainWindow& window)
{
    const QString name = QStringLiteral("frmJouRireki");
    if (auto* viewer = window.findChild<favourites::ui::ConditionViewer*>(name, Qt::FindDirectChildrenOnly))
        return *viewer;
    auto* viewer = new favourites::ui::ConditionViewer(ctx, &window);
    viewer->setOpenHandler([&ctx, &window](const favourites::ui::ConditionViewer::OpenRequest& request) {
        openConditionText(ctx, window, request);
    });
    return *viewer;
}

// お気に入りのダイレクト編集: the organizer, one at a time; closing it ends
// it, so the next opening reads the group and author lists again.
void showOrganizer(AppContext& ctx, MainWindow& window)
{
    const QString name = QStringLiteral("frmFavoSeiri");
    auto* organizer = window.findChild<favourites::ui::FavouriteOrganizer*>(name, Qt::FindDirectChildrenOnly);
    if (!organizer) {
        organizer = new favourites::ui::FavouriteOrganizer(ctx, conditionViewer(ctx, window), &window);
        organizer->setAttribute(Qt::WA_DeleteOnClose);
    }
    organizer->show();
    organizer->raise();
    organizer->activateWindow();
}

} // namespace

void showHistoryConditions(AppContext& ctx, MainWindow& window, analysis::ui::AnalysisWindow& source,
                           const QString& conditionText)
{
    conditionViewer(ctx, window).ShowJouken(source, conditionText);
}

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
    window.setCommandHandler(QStringLiteral("mnuFavoMnt_2"), [&ctx, &window] { showOrganizer(ctx, window); });
    window.setCommandHandler(QStringLiteral("mnuExport"), [&ctx, &window] { organise(ctx, window, FavoMode::Export); });
    window.setCommandHandler(QStringLiteral("mnuFavoToday"),
                             [&ctx, &starter] { favourites::subFavoToday(ctx, starter); });
    window.setCommandHandler(QStringLiteral("mnuREDivor"), [&ctx, &window, &starter] {
        if (DocumentWindow* document = window.activeDocument())
            favourites::mnuREDivor_Click(ctx, starter, document->document());
    });
}

} // namespace tq::shell::ui
