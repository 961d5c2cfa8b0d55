// What registering a favourite costs on top of its analysis, measured in one
// run on generated race data: the analysis run of a condition file
// (subBunseki) and then its registration (subFavoAdd: condition text, WHERE
// text, statistics, one transaction), overwriting the same favourite in
// later rounds. Goal: the registration adds at most 50 ms to the analysis.
//
// Usage: bench_favourites_add [--years N] [--rounds R]

#include "analysis/AnalysisDocument.h"
#include "analysis/ConditionFile.h"
#include "analysis/Run.h"
#include "context/AppContext.h"
#include "context/StatusLine.h"
#include "favourites/Registration.h"
#include "support/GeneratedData.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <limits>

using namespace tq;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int years = 1;
    int rounds = 3;
    const QStringList args = QCoreApplication::arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--years"))
            years = args[++i].toInt();
        else if (args[i] == QLatin1String("--rounds"))
            rounds = std::max(1, args[++i].toInt());
    }
    support::GeneratedData data(years, 5);
    if (!data.ready()) {
        std::fprintf(stderr, "generated data: %s\n", data.problem().c_str());
        return 1;
    }
    context::AppContext& ctx = data.context();
    const QString file = QStringLiteral(TQ_SOURCE_DIR "/examples/tokyo-1400-1800.tqb");

    double bestRun = std::numeric_limits<double>::max();
    double bestAdd = std::numeric_limits<double>::max();
    double bestBuild = std::numeric_limits<double>::max();
    for (int r = 0; r < rounds; ++r) {
        analysis::AnalysisDocument doc;
        analysis::funJoukenLoad(ctx, doc, file);
        context::MemoryStatusLine status;
        QElapsedTimer clock;
        clock.start();
        if (!analysis::subBunseki(ctx, status, doc, true)) {
            std::fprintf(stderr, "the analysis failed\n");
            return 1;
        }
        bestRun = std::min(bestRun, clock.nsecsElapsed() / 1e6);
        favourites::FavoChoice choice;
        choice.name = QStringLiteral("bench");
        if (r > 0)
            data.prompter().pushAnswer(context::Answer::Yes); // overwrite
        clock.restart();
        if (favourites::subFavoAdd(ctx, doc, choice) != favourites::Registration::Stored) {
            std::fprintf(stderr, "the registration failed\n");
            return 1;
        }
        bestAdd = std::min(bestAdd, clock.nsecsElapsed() / 1e6);
        // Its first part alone: building the record (condition text, WHERE
        // text, statistics) without writing it.
        clock.restart();
        favourites::favouriteFromDocument(ctx, doc, choice, QDateTime::currentDateTime());
        bestBuild = std::min(bestBuild, clock.nsecsElapsed() / 1e6);
    }
    std::printf("favourites add on %d year(s), best of %d rounds (wall time)\n", years, rounds);
    std::printf("analysis run      %10.1f ms\n", bestRun);
    std::printf("registration      %10.1f ms  (goal: <= 50 ms)\n", bestAdd);
    std::printf("  of which record %10.1f ms  (the rest is the write and its commit)\n", bestBuild);
    std::printf("add / analysis    %10.3f\n", bestAdd / bestRun);
    return 0;
}
