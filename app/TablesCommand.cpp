// tables: builds the derived tables of the application database without
// windows. `tables marks --today | --past` builds 本日の印別成績 (with its
// add-in registry rows) or 過去の印別成績, with a progress line on stderr;
// Ctrl-C cancels and leaves the previous table in place.
//
// Exit status: 0 built, 2 bad usage, a failed preparation or build, or a
// cancel (the message says which).

#include "Commands.h"
#include "Console.h"

#include "derived/MarkColumns.h"
#include "derived/MarkResults.h"
#include "shell/AppContext.h"
#include "shell/ConsolePrompter.h"

#include <QElapsedTimer>

#include <cstdio>

namespace tq::app {

namespace {

int usage()
{
    std::fputs("usage: DEVovuved [--app-dir DIR] tables marks --today | --past\n"
               "  marks --today  builds 本日の印別成績 from today's races and registers its columns\n"
               "                 for the add-in programs\n"
               "  marks --past   builds 過去の印別成績 from every past race\n"
               "  Ctrl-C cancels; the previous table then stays as it was\n",
               stderr);
    return 2;
}

int buildMarks(const CommandLine& cl, bool today)
{
    shell::ConsolePrompter prompter(std::nullopt);
    ConsoleBusy busy;
    shell::AppContext ctx(prompter, busy);
    if (!openDatabase(ctx, cl.appDir, "tables"))
        return 2;

    QElapsedTimer clock;
    clock.start();
    derived::MarkBuildResult result;
    {
        const InterruptGuard interrupts;
        result = derived::subMarkBunseki(ctx, today);
    }
    const QString table = derived::markTableName(today);
    switch (result.outcome) {
    case derived::MarkBuildOutcome::Completed:
        err(QStringLiteral("%1: %2 rows (%3 s)").arg(table).arg(result.rows).arg(double(clock.elapsed()) / 1000.0, 0, 'f', 1));
        return 0;
    case derived::MarkBuildOutcome::Cancelled:
        err(QStringLiteral("tables: cancelled; %1 is unchanged").arg(table));
        return 2;
    case derived::MarkBuildOutcome::Failed:
        break;
    }
    err(QStringLiteral("tables: %1 could not be built and is unchanged: %2").arg(table, result.message));
    return 2;
}

} // namespace

int runTables(const CommandLine& cl)
{
    if (cl.args.size() == 2 && cl.args.at(0) == QLatin1String("marks")) {
        if (cl.args.at(1) == QLatin1String("--today"))
            return buildMarks(cl, true);
        if (cl.args.at(1) == QLatin1String("--past"))
            return buildMarks(cl, false);
    }
    return usage();
}

} // namespace tq::app
