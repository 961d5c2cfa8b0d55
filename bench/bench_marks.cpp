// Cost of building the mark results tables, measured in one run on generated
// race data. The floor is stepping through the rows of the past table's
// source statement with the raw SQLite API (reading every column); the build
// is the whole of subMarkBunseki for 過去の印別成績 (source statement, rates,
// per-race ranks, prepared INSERTs in one transaction, the swap of the work
// table). Prints both times and their ratios (goal: at most 4), and the time
// of today's table (goal: under 1 s).
//
// Usage: bench_marks [--years N ...] [--rounds R]
//   --years N   one data set of N years (repeatable; default 1; 20 is the
//               large set of about 950,000 runners)
//   --rounds R  interleaved rounds, best time kept (default 2)
// Times are wall-clock (the build writes the table) and the thread's CPU time;
// on a shared machine the CPU ratio is the one that does not count other
// processes.

#include "context/AppContext.h"
#include "derived/MarkResults.h"
#include "store/Database.h"
#include "store/JetTranslator.h"
#include "support/GeneratedData.h"

#include "support/Data.h"
#include "support/Floor.h"
#include "support/Options.h"

#include <QCoreApplication>
#include <QElapsedTimer>


#include <algorithm>
#include <cstdio>
#include <functional>

using namespace tq;

namespace {

struct Timing {
    double wall = 1e300, cpu = 1e300;
};

void measure(Timing& best, const std::function<void()>& f)
{
    QElapsedTimer wall;
    const double cpu = bench::threadCpuSeconds();
    wall.start();
    f();
    best.cpu = std::min(best.cpu, bench::threadCpuSeconds() - cpu);
    best.wall = std::min(best.wall, double(wall.nsecsElapsed()) * 1e-9);
}

int benchYears(int years, int rounds)
{
    const std::unique_ptr<support::GeneratedData> generated = bench::generatedData(years);
    if (!generated)
        return 1;
    support::GeneratedData& data = *generated;
    context::AppContext& ctx = data.context();
    const QString sqlite = store::translateJet(derived::markSourceSql(ctx.catalogue, false));

    Timing floor, past, today;
    qint64 rows = 0, built = 0, todayRows = 0;
    bool ok = true;
    for (int r = 0; r < rounds; ++r) {
        measure(floor, [&] { rows = bench::floorRun(ctx.appDb->handle(), sqlite); });
        measure(past, [&] {
            const derived::MarkBuildResult result = derived::subMarkBunseki(ctx, false);
            ok = ok && result.outcome == derived::MarkBuildOutcome::Completed;
            built = result.rows;
        });
        measure(today, [&] {
            const derived::MarkBuildResult result = derived::subMarkBunseki(ctx, true);
            ok = ok && result.outcome == derived::MarkBuildOutcome::Completed;
            todayRows = result.rows;
        });
    }
    if (!ok || built != rows) {
        std::fprintf(stderr, "a build failed (%lld rows built, %lld source rows)\n", static_cast<long long>(built),
                     static_cast<long long>(rows));
        return 1;
    }
    std::printf("%-28s %10s %10s %10s %10s %10s\n", "", "rows", "wall s", "cpu s", "wall ratio", "cpu ratio");
    std::printf("%-28s %10lld %10.3f %10.3f\n", "floor (source statement)", static_cast<long long>(rows), floor.wall,
                floor.cpu);
    std::printf("%-28s %10lld %10.3f %10.3f %10.2f %10.2f\n", "過去の印別成績", static_cast<long long>(built), past.wall,
                past.cpu, past.wall / floor.wall, past.cpu / floor.cpu);
    std::printf("%-28s %10lld %10.3f %10.3f\n", "本日の印別成績", static_cast<long long>(todayRows), today.wall,
                today.cpu);
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const bench::Options options = bench::parseOptions(argc, argv, 2);
    int status = 0;
    for (const int y : options.years)
        status |= benchYears(y, options.rounds);
    return status;
}
