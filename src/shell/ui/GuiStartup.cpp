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
#include <QMainWindow>

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

    // Until the main window issue lands, the main window is an empty frame.
    std::unique_ptr<QMainWindow> mainWindow;
    StartupHooks hooks;
    hooks.exeName = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    hooks.askUserName = [&mainWindow](AppContext& c) {
        BaseSetDialog dialog(c, mainWindow.get());
        dialog.exec();
    };
    hooks.showMainWindow = [&mainWindow, &prompter, title](AppContext& c) {
        mainWindow = std::make_unique<QMainWindow>();
        mainWindow->setObjectName(QStringLiteral("MDIFrmDEVovuved"));
        mainWindow->setWindowTitle(title);
        mainWindow->resize(1024, 720);
        mainWindow->show();
        prompter.setParent(mainWindow.get());
        c.errorLog.setFormName(QStringLiteral("MDIFrmDEVovuved"));
    };

    try {
        startUp(ctx, hooks);
    } catch (const StartupAborted&) {
        return 1;
    }
    const int rc = QApplication::exec();
    ctx.errorLog.report({0, QStringLiteral("終了しました"), {}}, QStringLiteral("Form_Unload"), 0, true);
    return rc;
}

} // namespace tq::shell::ui
