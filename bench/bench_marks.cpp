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

#include "derived/MarkResults.h"
#include "shell/AppContext.h"
#include "store/Database.h"
#include "store/JetTranslator.h"
#include "support/GeneratedData.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>

using namespace tq;

namespace {

struct Timing {
    double wall = 1e300, cpu = 1e300;
};

double cpuNow()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

void measure(Timing& best, const std::function<void()>& f)
{
    QElapsedTimer wall;
    const double cpu = cpuNow();
    wall.start();
    f();
    best.cpu = std::min(best.cpu, cpuNow() - cpu);
    best.wall = std::min(best.wall, double(wall.nsecsElapsed()) * 1e-9);
}

// Steps through every row of the statement reading every column; returns rows.
qint64 floorRun(sqlite3* db, const QString& sqliteSql)
{
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sqliteSql.toUtf8().constData(), -1, &st, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "prepare failed: %s\n", sqlite3_errmsg(db));
        return -1;
    }
    qint64 rows = 0;
    std::size_t sink = 0;
    const int columns = sqlite3_column_count(st);
    while (sqlite3_step(st) == SQLITE_ROW) {
        ++rows;
        for (int c = 0; c < columns; ++c) {
            switch (sqlite3_column_type(st, c)) {
            case SQLITE_INTEGER:
                sink += std::size_t(sqlite3_column_int64(st, c));
                break;
            case SQLITE_FLOAT:
                sink += std::size_t(sqlite3_column_double(st, c));
                break;
            case SQLITE_TEXT:
                sink += std::size_t(sqlite3_column_bytes(st, c));
                break;
            default:
                break;
            }
        }
    }
    sqlite3_finalize(st);
    if (sink == 42)
        std::puts("");
    return rows;
}

int benchYears(int years, int rounds)
{
    std::printf("generating and preparing %d year(s) ...\n", years);
    std::fflush(stdout);
    support::GeneratedData data(years);
    if (!data.ready()) {
        std::fprintf(stderr, "%s\n", data.problem().c_str());
        return 1;
    }
    std::printf("%d races, %d runners (%.1f s)\n", data.report().pastRaces, data.report().pastRunners,
                data.report().seconds);
    shell::AppContext& ctx = data.context();
    const QString sqlite = store::translateJet(derived::markSourceSql(ctx.catalogue, false));

    Timing floor, past, today;
    qint64 rows = 0, built = 0, todayRows = 0;
    bool ok = true;
    for (int r = 0; r < rounds; ++r) {
        measure(floor, [&] { rows = floorRun(ctx.appDb->handle(), sqlite); });
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
    std::vector<int> years;
    int rounds = 2;
    for (int i = 1; i + 1 < argc; i += 2) {
        const QByteArray opt(argv[i]);
        if (opt == "--years")
            years.push_back(std::max(1, std::atoi(argv[i + 1])));
        else if (opt == "--rounds")
            rounds = std::max(1, std::atoi(argv[i + 1]));
    }
    if (years.empty())
        years.push_back(1);
    int status = 0;
    for (int y : years)
        status |= benchYears(y, rounds);
    return status;
}
