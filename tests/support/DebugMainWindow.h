#pragma once
// For the window tests of the debug-mode menu entries: the main window over
// generated data (its catalogue with the debug flag set, its database), behind
// the real busy window, with a scripted prompter. The database goes back to
// the generated data when the window is gone.

#include "context/AppContext.h"
#include "context/ScriptedPrompter.h"
#include "shell/ui/MainWindow.h"
#include "shell/ui/WindowBusy.h"
#include "support/GeneratedData.h"

#include <QTemporaryDir>

#include <memory>

namespace tq::support {

struct DebugMainWindow {
    explicit DebugMainWindow(GeneratedData& generated) : data(generated)
    {
        ctx.catalogue = data.context().catalogue;
        ctx.catalogue.debugFlag = 1;
        ctx.appDb = std::move(data.context().appDb);
        shell::ui::MainWindow::Options options;
        options.settingsFile = settings.filePath(QStringLiteral("settings.ini"));
        window = std::make_unique<shell::ui::MainWindow>(ctx, nullptr, options);
    }
    ~DebugMainWindow()
    {
        window.reset();
        data.context().appDb = std::move(ctx.appDb);
    }
    DebugMainWindow(const DebugMainWindow&) = delete;
    DebugMainWindow& operator=(const DebugMainWindow&) = delete;

    GeneratedData& data;
    context::ScriptedPrompter prompter;
    shell::ui::WindowBusy busy;
    context::AppContext ctx{prompter, busy};
    QTemporaryDir settings;
    std::unique_ptr<shell::ui::MainWindow> window;
};

} // namespace tq::support
