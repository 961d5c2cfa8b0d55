#include "shell/ui/GuiStartup.h"

#include "analysis/ui/AnalysisWindow.h"
#include "appdb/StartupAborted.h"
#include "context/AppContext.h"
#include "context/ConsolePrompter.h"
#include "shell/InstanceLock.h"
#include "shell/Startup.h"
#include "shell/ui/AppStyle.h"
#include "shell/ui/BaseSetDialog.h"
#include "shell/ui/MainWindow.h"
#include "shell/ui/MainWindowAnalysisDocument.h"
#include "shell/ui/QtPrompter.h"
#include "shell/ui/QtTranslations.h"
#include "shell/ui/WindowBusy.h"
#include "context/ui/WindowFocus.h"

#include <QApplication>
#include <QFileInfo>
#include <QFont>
#include <QScreen>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>

#include <cstdio>
#include <memory>

namespace tq::shell::ui {

namespace {

// How long a screenshot run lets the event loop settle (layouts, the busy
// window closing) before it renders the main window.
constexpr int kScreenshotSettleMs = 300;

void placeMainWindow(MainWindow& window, const GuiOptions& options)
{
    if (options.size.isValid()) {
        window.resize(options.size);
        return;
    }
    if (!options.screenshot())
        return;
    if (const QScreen* screen = window.screen())
        window.setGeometry(screen->availableGeometry());
}

// Opens the document the options name, runs it and shows the asked tab.
void openAnalysisDocument(MainWindow& window, const GuiOptions& options)
{
    DocumentWindow* doc = window.openDocument(QFileInfo(options.openFile).absoluteFilePath());
    auto* analysis = qobject_cast<AnalysisDocumentWindow*>(doc);
    if (analysis) {
        analysis->document().splitDate = options.splitDate;
        analysis->document().intervals = options.intervals;
    }
    if (options.run) {
        doc->runAnalysis();
        context::ui::bringToFront(*doc);
    }
    if (options.tab >= 0 && analysis)
        analysis->analysisWindow()->tabs()->setCurrentIndex(options.tab);
}

// The analysis document the options name, then the viewer they name.
void openStartDocument(MainWindow& window, const GuiOptions& options)
{
    if (!options.openFile.isEmpty())
        openAnalysisDocument(window, options);
    if (!options.viewFile.isEmpty())
        window.viewDocument(QFileInfo(options.viewFile).absoluteFilePath());
}

void scheduleScreenshot(MainWindow& window, const QString& file)
{
    QTimer::singleShot(kScreenshotSettleMs, &window, [&window, file] {
        const bool written = window.grabMainWindow(file);
        if (!written)
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        QCoreApplication::exit(written ? 0 : 1);
    });
}

} // namespace

void setApplicationFont()
{
    QFont font = QApplication::font();
    font.setFamilies({QStringLiteral("Noto Sans CJK JP"), QStringLiteral("IPAexGothic"), QStringLiteral("IPAGothic"),
                      QStringLiteral("IPAPGothic")});
    QApplication::setFont(font);
}

int runGui(const QString& programDir, const GuiOptions& options)
{
    QApplication::setStyle(new AppStyle);
    setApplicationFont();
    installQtTranslations();
    // The program has no icon of its own: the style's table icon stands in
    // for the toolkit's logo in every title bar.
    QApplication::setWindowIcon(QApplication::style()->standardIcon(QStyle::SP_FileDialogDetailedView));
    const bool interactive = !options.screenshot();
    QtPrompter windowPrompter;
    context::ConsolePrompter consolePrompter;
    context::Prompter& prompter = interactive ? static_cast<context::Prompter&>(windowPrompter) : consolePrompter;
    const QString title = context::AppContext::applicationTitle();

    InstanceLock lock(title);
    if (!lock.tryLock()) {
        prompter.inform(context::Message{alreadyRunningText(), title, context::Icon::Information, true});
        return 1;
    }

    WindowBusy busy;
    windowPrompter.setBusy(&busy);
    context::AppContext ctx(prompter, busy);
    ctx.programDir = programDir;

    std::unique_ptr<MainWindow> mainWindow;
    StartupHooks hooks;
    hooks.exeName = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    if (interactive) {
        hooks.askUserName = [&mainWindow, &busy](context::AppContext& c) {
            BaseSetDialog dialog(c, mainWindow.get());
            const BusyWindowAside aside(&busy);
            dialog.exec();
        };
    }
    hooks.showMainWindow = [&mainWindow, &windowPrompter, &options](context::AppContext& c) {
        // The load handler sets the caption and form name, restores the
        // geometry and opens the first document; closing logs "終了しました".
        mainWindow = std::make_unique<MainWindow>(c, nullptr);
        windowPrompter.setParent(mainWindow.get());
        mainWindow->load();
        placeMainWindow(*mainWindow, options);
        mainWindow->show();
    };

    try {
        startUp(ctx, hooks);
    } catch (const appdb::StartupAborted&) {
        return 1;
    }
    openStartDocument(*mainWindow, options);
    if (options.screenshot())
        scheduleScreenshot(*mainWindow, options.screenshotFile);
    return QApplication::exec();
}

} // namespace tq::shell::ui
