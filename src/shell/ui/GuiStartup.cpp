#include "shell/ui/GuiStartup.h"

#include "shell/AppContext.h"
#include "shell/InstanceLock.h"
#include "shell/StartupAborted.h"
#include "shell/Startup.h"
#include "shell/ui/BaseSetDialog.h"
#include "shell/ui/QtPrompter.h"
#include "shell/ui/WindowBusy.h"

#include <QApplication>
#include <QFileInfo>
#include <QFont>
#include "shell/ui/MainWindow.h"

#include <memory>

namespace tq::shell::ui {

void setApplicationFont()
{
    QFont font = QApplication::font();
    font.setFamilies({QStringLiteral("Noto Sans CJK JP"), QStringLiteral("IPAexGothic"), QStringLiteral("IPAGothic"),
                      QStringLiteral("IPAPGothic")});
    QApplication::setFont(font);
}

int runGui(const QString& programDir)
{
    setApplicationFont();
    QtPrompter prompter;
    const QString title = AppContext::applicationTitle();

    InstanceLock lock(title);
    if (!lock.tryLock()) {
        prompter.inform(Message{alreadyRunningText(), title, Icon::Information, true});
        return 1;
    }

    WindowBusy busy;
    AppContext ctx(prompter, busy);
    ctx.programDir = programDir;

    std::unique_ptr<MainWindow> mainWindow;
    StartupHooks hooks;
    hooks.exeName = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    hooks.askUserName = [&mainWindow](AppContext& c) {
        BaseSetDialog dialog(c, mainWindow.get());
        dialog.exec();
    };
    hooks.showMainWindow = [&mainWindow, &prompter](AppContext& c) {
        // The load handler sets the caption and form name, restores the
        // geometry and opens the first document; closing logs "終了しました".
        mainWindow = std::make_unique<MainWindow>(c, nullptr);
        prompter.setParent(mainWindow.get());
        mainWindow->load();
        mainWindow->show();
    };

    try {
        startUp(ctx, hooks);
    } catch (const StartupAborted&) {
        return 1;
    }
    return QApplication::exec();
}

} // namespace tq::shell::ui
