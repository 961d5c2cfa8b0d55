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

#include "shell/AppContext.h"
#include "shell/ConsolePrompter.h"
#include "store/Database.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>

#include <cstdio>

namespace {

void printError(const QString& text)
{
    std::fprintf(stderr, "DEZide: %s\n", text.toUtf8().constData());
}

} // namespace

int main(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const tq::addins::AddinOptions options = tq::addins::parseAddinOptions(arguments);
    tq::addins::chooseHeadlessPlatform(options);
    QApplication app(argc, argv);
    tq::addins::setAddinFont();
    if (!options.error.isEmpty() || !options.rest.isEmpty() || !options.csv.isEmpty()) {
        printError(options.error.isEmpty() ? QStringLiteral("usage: DEZide [--app-dir DIR] [--png OUT]") : options.error);
        return 2;
    }

    tq::shell::ConsolePrompter prompter;
    tq::shell::SilentBusy busy;
    tq::shell::AppContext ctx(prompter, busy);
    const QString problem = tq::addins::openAddinDatabase(ctx, tq::addins::addinProgramDir(options.appDir),
                                                          {QStringLiteral("DEZide"), QStringLiteral("レースビューア")});
    if (!problem.isEmpty()) {
        const QString message = QStringLiteral("データベースを開けません。\n") + problem;
        if (options.png.isEmpty())
            QMessageBox::warning(nullptr, QStringLiteral("レースビューア"), message);
        printError(message);
        return 2;
    }
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
            printError(window.error());
            return 1;
        }
        const bool written = tq::addins::renderHeadless(window, QSize(1000, 640),
                                                        [&] { return tq::addins::grabWindowPng(window, options.png); });
        if (!written)
            printError(options.png + QStringLiteral(" に書き込めません"));
        return written ? 0 : 2;
    }
    window.show();
    return app.exec();
}
