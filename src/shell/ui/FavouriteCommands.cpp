#include "shell/ui/FavouriteCommands.h"

#include "analysis/ConditionFile.h"
#include "analysis/TextReport.h"
#include "analysis/ui/AnalysisWindow.h"
#include "context/AppContext.h"
#include "favourites/AddIns.h"
#include "favourites/ExchangeFile.h"
#include "favourites/Recalculation.h"
#include "favourites/Registration.h"
#include "favourites/ui/ConditionViewer.h"
#include "favourites/ui/FavouriteDialog.h"
#include "favourites/ui/FavouriteOrganizer.h"
#include "favourites/ui/ImportDialog.h"
#include "favourites/ui/RecalculationDialog.h"
#include "context/StatusLine.h"
#include "shell/ui/MainWindow.h"
#include "shell/ui/MainWindowAnalysisDocument.h"
#include "context/ui/WindowFocus.h"

#include <QPointer>
#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>

namespace tq::shell::ui {

namespace {

using favourites::FavoChoice;
using favourites::FavoMode;

// Shows the favourites dialog for `choice` and waits for it.
void showDialog(context::AppContext& ctx, QWidget* parent, FavoChoice& choice)
{
    favourites::ui::FavouriteDialog dialog(ctx, choice, parent);
    dialog.exec();
}

void openFavourites(context::AppContext& ctx, MainWindow& window)
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

void organise(context::AppContext& ctx, MainWindow& window, FavoMode mode)
{
    FavoChoice choice;
    choice.mode = mode;
    choice.name.clear();
    choice.group.clear();
    showDialog(ctx, &window, choice);
}

// Opens a condition text from the viewer as a new analysis document.
void openConditionText(context::AppContext& ctx, MainWindow& window, const favourites::ui::ConditionViewer::OpenRequest& request)
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
favourites::ui::ConditionViewer& conditionViewer(context::AppContext& ctx, MainWindow& window)
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
void showOrganizer(context::AppContext& ctx, MainWindow& window)
{
    const QString name = QStringLiteral("frmFavoSeiri");
    auto* organizer = window.findChild<favourites::ui::FavouriteOrganizer*>(name, Qt::FindDirectChildrenOnly);
    if (!organizer) {
        organizer = new favourites::ui::FavouriteOrganizer(ctx, conditionViewer(ctx, window), &window);
        organizer->setAttribute(Qt::WA_DeleteOnClose);
    }
    organizer->show();
    context::ui::bringToFront(*organizer);
}

// お気に入りのエクスポート: the dialog chooses the favourites, its OK asks
// for the file and writes it.
void exportChosen(context::AppContext& ctx, MainWindow& window)
{
    FavoChoice choice;
    choice.mode = FavoMode::Export;
    choice.name.clear();
    choice.group.clear();
    favourites::ui::FavouriteDialog dialog(ctx, choice, &window);
    dialog.setExportHandler([&ctx, &window](const QString& filter) {
        const QString typed = ctx.prompter.saveFileName(QStringLiteral("お気に入りのエクスポート"), QString(),
                                                        favourites::exchangeFileFilter());
        if (typed.isEmpty())
            return;
        const QString path = favourites::exportFilePath(typed);
        if (const std::optional<int> written = favourites::subFavoExport(ctx, filter, path))
            window.statusLine().setText(QDir::toNativeSeparators(path) +
                                        QStringLiteral(" に %1 件のお気に入りを出力しました").arg(*written));
    });
    dialog.exec();
}

void importChosen(context::AppContext& ctx, MainWindow& window)
{
    favourites::ui::ImportDialog dialog(&window);
    if (dialog.exec() != QDialog::Accepted)
        return;
    QCoreApplication::processEvents();
    const QString path = ctx.prompter.openFileName(QStringLiteral("お気に入りのインポート"), QString(),
                                                   favourites::exchangeFileFilter());
    if (path.isEmpty())
        return;
    if (const auto summary = favourites::subFavoInport(ctx, path, dialog.options()))
        ctx.prompter.inform({favourites::importSummaryText(*summary), QString(), context::Icon::Information, false});
}

void recalculate(context::AppContext& ctx, MainWindow& window)
{
    favourites::ui::RecalculationDialog dialog(ctx, &window);
    if (dialog.exec() != QDialog::Accepted)
        return;
    QCoreApplication::processEvents();
    const favourites::BatchSummary summary = favourites::subFavoSaiKeisan(ctx, dialog.filter());
    ctx.prompter.inform({favourites::batchSummaryText(summary), QString(), context::Icon::Information, false});
}

void convertNoPreRace(context::AppContext& ctx)
{
    const favourites::BatchSummary summary = favourites::subChokuHen(ctx);
    ctx.prompter.inform({favourites::batchSummaryText(summary), QString(), context::Icon::Information, false});
}

void copyReport(MainWindow& window, analysis::TextReportKind kind)
{
    if (DocumentWindow* document = window.activeDocument())
        QGuiApplication::clipboard()->setText(analysis::textReport(document->document(), kind));
}

} // namespace

void showHistoryConditions(context::AppContext& ctx, MainWindow& window, analysis::ui::AnalysisWindow& source,
                           const QString& conditionText)
{
    conditionViewer(ctx, window).ShowJouken(source, conditionText);
}

bool registerFavourite(context::AppContext& ctx, DocumentWindow& window)
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

bool pickFavourite(context::AppContext& ctx, QWidget* parent, QString& name, bool& wholeGroup)
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

void installFavouriteCommands(context::AppContext& ctx, MainWindow& window, favourites::ProcessStarter& starter)
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
    window.setCommandHandler(QStringLiteral("mnuExport"), [&ctx, &window] { exportChosen(ctx, window); });
    window.setCommandHandler(QStringLiteral("mnuInport"), [&ctx, &window] { importChosen(ctx, window); });
    window.setCommandHandler(QStringLiteral("mnu_FavoSaiKeisan"), [&ctx, &window] { recalculate(ctx, window); });
    window.setCommandHandler(QStringLiteral("mnu_ChokuHen"), [&ctx] { convertNoPreRace(ctx); });
    window.setCommandHandler(QStringLiteral("mnuCopyTextFull"),
                             [&window] { copyReport(window, analysis::TextReportKind::Full); });
    window.setCommandHandler(QStringLiteral("mnuCopyTextShort"),
                             [&window] { copyReport(window, analysis::TextReportKind::Short); });
    window.setCommandHandler(QStringLiteral("mnuFavoToday"),
                             [&ctx, &starter] { favourites::subFavoToday(ctx, starter); });
    window.setCommandHandler(QStringLiteral("mnuREDivor"), [&ctx, &window, &starter] {
        if (DocumentWindow* document = window.activeDocument())
            favourites::mnuREDivor_Click(ctx, starter, document->document());
    });
}

} // namespace tq::shell::ui
