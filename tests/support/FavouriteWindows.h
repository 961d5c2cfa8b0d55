#pragma once
// For the window tests of the favourites commands: a main window over a small
// race database with the favourites tables, and a helper that acts on a
// modal dialog once it is shown.

#include "context/AppContext.h"
#include "context/ScriptedPrompter.h"
#include "favourites/ui/FavouriteDialog.h"
#include "shell/ui/MainWindow.h"
#include "store/Database.h"
#include "support/FavouriteTables.h"
#include "support/GuiApplication.h"
#include "support/RaceTables.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <initializer_list>
#include <memory>
#include <type_traits>

namespace tq::support {

// Runs `act` on the modal dialog of type D once it is shown (and, for the
// favourites tree dialog, built).
template <typename D> void whenShown(std::function<void(D&)> act)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        if constexpr (std::is_same_v<D, favourites::ui::FavouriteDialog>) {
            if (!dialog->isBuilt())
                return;
        }
        timer->stop();
        timer->deleteLater();
        act(*dialog);
    });
    timer->start();
}

// A race of the small database: its key, distance and number of runners.
struct SmallRace {
    const char* key;
    int distance;
    int horses;
};

// The main window, loaded and shown, over a database with the distance item,
// the race tables holding `races` and the favourites tables.
class FavouriteWindowTest : public ::testing::Test {
  protected:
    void openMainWindow(std::initializer_list<SmallRace> races)
    {
        ensureGuiApplication();
        ASSERT_TRUE(dir.isValid());
        addDistanceItem(ctx.catalogue);
        ctx.appDb = store::Database::create(dir.filePath(QStringLiteral("app.mdb")));
        createRaceTables(*ctx.appDb);
        createFavouriteTables(*ctx.appDb);
        for (const SmallRace& race : races)
            addRace(*ctx.appDb, QString::fromUtf8(race.key), race.distance, race.horses);
        shell::ui::MainWindow::Options options;
        options.settingsFile = dir.filePath(QStringLiteral("settings.ini"));
        window = std::make_unique<shell::ui::MainWindow>(ctx, nullptr, options);
        window->load();
        window->show();
    }

    QTemporaryDir dir;
    context::ScriptedPrompter prompter;
    context::SilentBusy busy;
    context::AppContext ctx{prompter, busy};
    std::unique_ptr<shell::ui::MainWindow> window;
};

} // namespace tq::support
