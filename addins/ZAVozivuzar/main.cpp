// ZAVozivuzar: today's runners that meet the favourites.
//
//   ZAVozivuzar [--app-dir DIR] [--by-favourite] [--csv OUT | --png OUT]
//   ZAVozivuzar [--app-dir DIR] --register
//
// Lists, for every favourite whose 表示 is on, the runners of today's races
// that meet it, grouped by race (or by favourite with --by-favourite). With
// --csv the list is written into OUT (CP932, CRLF), with --png the window is
// rendered into OUT; both end the program without showing a window. Exit
// status: 0 shown or written, 1 no favourite to show, 2 no database, a bad
// command line or a file that cannot be written. --register only writes
// the add-in's registry row.

#include "AddinStart.h"
#include "HeadlessRender.h"
#include "TodayFavourites.h"
#include "TodayWindow.h"

#include "analysis/CsvExport.h"
#include "shell/AppContext.h"
#include "shell/ConsolePrompter.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>

namespace {

void printError(const QString& text)
{
    std::fprintf(stderr, "ZAVozivuzar: %s\n", text.toUtf8().constData());
}

} // namespace

int main(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    tq::addins::AddinOptions options = tq::addins::parseAddinOptions(arguments);
    const bool byFavourite = options.rest.removeAll(QStringLiteral("--by-favourite")) > 0;
    tq::addins::chooseHeadlessPlatform(options);
    QApplication app(argc, argv);
    tq::addins::setAddinFont();
    if (!options.error.isEmpty() || !options.rest.isEmpty()) {
        printError(options.error.isEmpty()
                       ? QStringLiteral("usage: ZAVozivuzar [--app-dir DIR] [--by-favourite] [--csv OUT | --png OUT]")
                       : options.error);
        return 2;
    }

    tq::shell::ConsolePrompter prompter;
    tq::shell::SilentBusy busy;
    tq::shell::AppContext ctx(prompter, busy);
    const QString problem = tq::addins::openAddinDatabase(ctx, tq::addins::addinProgramDir(options.appDir),
                                                          {QStringLiteral("ZAVozivuzar"), QStringLiteral("本日のお気に入り")});
    if (!problem.isEmpty()) {
        const QString message = QStringLiteral("データベースを開けません。\n") + problem;
        if (!options.headless())
            QMessageBox::warning(nullptr, QStringLiteral("本日のお気に入り"), message);
        printError(message);
        return 2;
    }
    if (options.registerOnly)
        return 0;

    tq::addins::today::TodayWindow window(ctx);
    window.setGrouping(byFavourite ? tq::addins::today::Grouping::ByFavourite : tq::addins::today::Grouping::ByRace);
    const bool listed = window.reload();
    for (const QString& text : window.list().problems)
        printError(QStringLiteral("読めない項目: ") + text);
    if (!listed) {
        printError(window.error());
        if (!options.headless())
            QMessageBox::information(nullptr, QStringLiteral("本日のお気に入り"), window.error());
        return 1;
    }
    if (!options.csv.isEmpty()) {
        const auto result = tq::analysis::subExport(options.csv, window.list().sheet, busy, ctx.errorLog);
        if (result != tq::analysis::ExportResult::Completed) {
            printError(options.csv + QStringLiteral(" に書き込めません"));
            return 2;
        }
        std::fprintf(stderr, "ZAVozivuzar: %d 件のお気に入り、%d 行を %s に書きました\n", window.list().favourites,
                     window.list().matches, options.csv.toUtf8().constData());
        return 0;
    }
    if (!options.png.isEmpty()) {
        const bool written = tq::addins::renderHeadless(window, QSize(1200, 700),
                                                        [&] { return tq::addins::grabWindowPng(window, options.png); });
        if (!written)
            printError(options.png + QStringLiteral(" に書き込めません"));
        return written ? 0 : 2;
    }
    window.show();
    return app.exec();
}
