// tables: builds the derived tables of the application database without
// windows, with a progress line on stderr; Ctrl-C cancels and leaves the
// previous table in place.
//  - `tables marks --today | --past` builds 本日の印別成績 (with its add-in
//    registry rows) or 過去の印別成績.
//  - `tables aggregate add FILE.tqb --name N` analyses a grouped condition
//    file and stores its result as aggregate favourite N.
//  - `tables aggregate today [NAME]` fills today's table of aggregate
//    favourite NAME, or of every aggregate favourite.
//
// Exit status: 0 built, 2 bad usage, a refused name or document, a failed
// preparation, analysis or build, or a cancel (the message says which).

#include "Commands.h"
#include "Console.h"

#include "analysis/AnalysisDocument.h"
#include "analysis/ConditionFile.h"
#include "analysis/Run.h"
#include "bettypes/GroupedRun.h"
#include "conditions/LookAhead.h"
#include "context/AppContext.h"
#include "context/ConsolePrompter.h"
#include "context/StatusLine.h"
#include "derived/AggregateFavourites.h"
#include "derived/MarkColumns.h"
#include "derived/MarkResults.h"

#include <QFileInfo>

#include <QElapsedTimer>

#include <cstdio>

namespace tq::app {

namespace {

int usage()
{
    std::fputs("usage: DEVovuved [--app-dir DIR] tables marks --today | --past\n"
               "       DEVovuved [--app-dir DIR] tables aggregate add FILE.tqb --name NAME\n"
               "       DEVovuved [--app-dir DIR] tables aggregate today [NAME]\n"
               "  marks --today  builds 本日の印別成績 from today's races and registers its columns\n"
               "                 for the add-in programs\n"
               "  marks --past   builds 過去の印別成績 from every past race\n"
               "  aggregate add  analyses a condition file with aggregation keys and stores its\n"
               "                 result as aggregate favourite NAME (table NAME, its row in\n"
               "                 集計お気に入り, 本日のNAME and its registry rows)\n"
               "  aggregate today  fills 本日のNAME (every aggregate favourite without NAME)\n"
               "  Ctrl-C cancels; the previous table then stays as it was\n",
               stderr);
    return 2;
}

int buildMarks(const CommandLine& cl, bool today)
{
    CommandSession session;
    context::AppContext& ctx = session.ctx;
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

int reportAggregate(const derived::AggregateResult& result, const QString& what, const QElapsedTimer& clock)
{
    switch (result.outcome) {
    case derived::AggregateOutcome::Completed:
        err(QStringLiteral("%1: %2 rows (%3 s)").arg(what).arg(result.rows).arg(double(clock.elapsed()) / 1000.0, 0, 'f', 1));
        return 0;
    case derived::AggregateOutcome::Cancelled:
        err(QStringLiteral("tables: cancelled; %1 is unchanged").arg(what));
        return 2;
    case derived::AggregateOutcome::NotAsked:
    case derived::AggregateOutcome::Refused:
    case derived::AggregateOutcome::Failed:
        break;
    }
    // Refusals and failures have been shown on stderr by the prompter.
    err(QStringLiteral("tables: %1 is unchanged").arg(what));
    return 2;
}

int addAggregate(const CommandLine& cl, const QString& file, const QString& name)
{
    if (!QFileInfo(file).isFile()) {
        err(QStringLiteral("tables: no such file: ") + file);
        return 2;
    }
    CommandSession session;
    context::AppContext& ctx = session.ctx;
    if (!openDatabase(ctx, cl.appDir, "tables"))
        return 2;

    analysis::AnalysisDocument doc;
    doc.caption = QFileInfo(file).completeBaseName();
    doc.filePath = file;
    if (analysis::funJoukenLoad(ctx, doc, file).result != 0)
        err(QStringLiteral("tables: %1 was only partly read (see the error log %2)").arg(file, ctx.errorLog.logFileName()));

    QElapsedTimer clock;
    clock.start();
    const InterruptGuard interrupts;
    context::MemoryStatusLine status;
    if (!analysis::subBunseki(ctx, status, doc, true, bettypes::runBetTypeAnalysis)) {
        ctx.busy.hide();
        err(ctx.busy.cancelled() ? QStringLiteral("tables: cancelled; nothing was stored")
                             : QStringLiteral("tables: the analysis of %1 did not complete; nothing was stored").arg(file));
        return 2;
    }
    if (!derived::checkAggregateSource(ctx, doc))
        return 2;
    // The command line has no one to ask: the look-ahead warning is printed
    // and the favourite stored, as the user asked for it.
    const QString lookAhead = conditions::lookAheadWarning(derived::aggregateLookAhead(ctx.catalogue, doc));
    if (!lookAhead.isEmpty())
        err(QStringLiteral("tables: ") + lookAhead);
    return reportAggregate(derived::storeAggregateFavourite(ctx, doc, name.trimmed()),
                           QStringLiteral("集計お気に入り「%1」").arg(name.trimmed()), clock);
}

int fillToday(const CommandLine& cl, const std::optional<QString>& name)
{
    CommandSession session;
    context::AppContext& ctx = session.ctx;
    if (!openDatabase(ctx, cl.appDir, "tables"))
        return 2;
    QElapsedTimer clock;
    clock.start();
    const InterruptGuard interrupts;
    if (name)
        return reportAggregate(derived::subSyukeiFavorite2(ctx, *name), derived::todayAggregateTable(*name), clock);
    return reportAggregate(derived::subSyukeiFavoriteAll(ctx), QStringLiteral("本日の集計お気に入り"), clock);
}

int runAggregate(const CommandLine& cl)
{
    const QStringList& a = cl.args;
    if (a.size() == 5 && a.at(1) == QLatin1String("add") && a.at(3) == QLatin1String("--name"))
        return addAggregate(cl, a.at(2), a.at(4));
    if (a.size() == 5 && a.at(1) == QLatin1String("add") && a.at(2) == QLatin1String("--name"))
        return addAggregate(cl, a.at(4), a.at(3));
    if (a.size() == 2 && a.at(1) == QLatin1String("today"))
        return fillToday(cl, std::nullopt);
    if (a.size() == 3 && a.at(1) == QLatin1String("today"))
        return fillToday(cl, a.at(2));
    return usage();
}

} // namespace

int runTables(const CommandLine& cl)
{
    if (!cl.args.isEmpty() && cl.args.at(0) == QLatin1String("aggregate"))
        return runAggregate(cl);
    if (cl.args.size() == 2 && cl.args.at(0) == QLatin1String("marks")) {
        if (cl.args.at(1) == QLatin1String("--today"))
            return buildMarks(cl, true);
        if (cl.args.at(1) == QLatin1String("--past"))
            return buildMarks(cl, false);
    }
    return usage();
}

} // namespace tq::app
