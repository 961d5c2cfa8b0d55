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

#include <QApplication>
#include <QMessageBox>

#include <cstdio>

namespace {

const tq::addins::AddinIdentity kIdentity{QStringLiteral("ZAVozivuzar"), QStringLiteral("本日のお気に入り")};

void printError(const QString& text)
{
    tq::addins::printAddinError(kIdentity, text);
}

} // namespace

int main(int argc, char** argv)
{
    tq::addins::AddinOptions options = tq::addins::startAddin(argc, argv);
    const bool byFavourite = options.rest.removeAll(QStringLiteral("--by-favourite")) > 0;
    // A bad command line is told before the window system is needed.
    if (!options.error.isEmpty() || !options.rest.isEmpty()) {
        printError(options.error.isEmpty()
                       ? QStringLiteral("usage: ZAVozivuzar [--app-dir DIR] [--by-favourite] [--csv OUT | --png OUT]")
                       : options.error);
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

    tq::addins::today::TodayWindow window(ctx);
    window.setGrouping(byFavourite ? tq::addins::today::Grouping::ByFavourite : tq::addins::today::Grouping::ByRace);
    const bool listed = window.reload();
    for (const QString& text : window.list().problems)
        printError(QStringLiteral("読めない項目: ") + text);
    if (!listed) {
        printError(window.error());
        if (!options.headless())
            QMessageBox::information(nullptr, kIdentity.displayName, window.error());
        return 1;
    }
    if (!options.csv.isEmpty()) {
        const auto result = tq::analysis::subExport(options.csv, window.list().sheet, addin.busy, ctx.errorLog);
        if (result != tq::analysis::ExportResult::Completed) {
            printError(options.csv + QStringLiteral(" に書き込めません"));
            return 2;
        }
        std::fprintf(stderr, "ZAVozivuzar: %d 件のお気に入り、%d 行を %s に書きました\n", window.list().favourites,
                     window.list().matches, options.csv.toUtf8().constData());
        return 0;
    }
    if (!options.png.isEmpty())
        return tq::addins::renderPngStatus(window, QSize(1200, 700), options.png, kIdentity,
                                           [&] { return tq::addins::grabWindowPng(window, options.png); });
    window.show();
    return app.exec();
}
