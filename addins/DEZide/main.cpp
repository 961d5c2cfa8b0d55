// DEZide: the race viewer.
//
//   DEZide [--app-dir DIR] [--png OUT]
//   DEZide [--app-dir DIR] --register
//
// Shows the race whose key the main program wrote into DEZide.ini
// ([DEZide] RACE_KEY) in the program directory, and follows the file while it
// runs. Each race shown is also written to stdout as "RACE_KEY=<key>". With
// --png the race is rendered into OUT and the program ends. Exit status: 0
// shown or written, 1 no key or an unknown race (with --png), 2 no database
// or a PNG that cannot be written. --register only writes the add-in's
// registry row.

#include "AddinStart.h"
#include "HeadlessRender.h"
#include "ViewerWindow.h"

#include "store/Database.h"

#include <QApplication>
#include <QDir>

#include <cstdio>

namespace {

const tq::addins::AddinIdentity kIdentity{QStringLiteral("DEZide"), QStringLiteral("レースビューア")};

} // namespace

int main(int argc, char** argv)
{
    const tq::addins::AddinOptions options = tq::addins::startAddin(argc, argv);
    // A bad command line is told before the window system is needed.
    if (!options.error.isEmpty() || !options.rest.isEmpty() || !options.csv.isEmpty()) {
        tq::addins::printAddinError(
            kIdentity, options.error.isEmpty() ? QStringLiteral("usage: DEZide [--app-dir DIR] [--png OUT]") : options.error);
        return 2;
    }
    QApplication app(argc, argv);
    tq::addins::setAddinFont();

    tq::addins::AddinContext addin;
    tq::context::AppContext& ctx = addin.ctx;
    if (!tq::addins::openAddinDatabaseOrTell(ctx, options, kIdentity))
        return 2;
    if (options.registerOnly)
        return 0;

    tq::addins::viewer::ViewerWindow window(*ctx.appDb, QDir(ctx.appDir()).filePath(QStringLiteral("DEZide.ini")));
    QObject::connect(&window, &tq::addins::viewer::ViewerWindow::raceShown, [](const QString& key) {
        std::printf("RACE_KEY=%s\n", key.toUtf8().constData());
        std::fflush(stdout);
    });
    const bool shown = window.showHandedRace();
    if (!options.png.isEmpty()) {
        if (!shown) {
            tq::addins::printAddinError(kIdentity, window.error());
            return 1;
        }
        return tq::addins::renderPngStatus(window, QSize(1000, 640), options.png, kIdentity,
                                           [&] { return tq::addins::grabWindowPng(window, options.png); });
    }
    window.show();
    return app.exec();
}
