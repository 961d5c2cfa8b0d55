// The batch recalculation of favourites against the analysis it repeats, on
// generated race data, measured in one run. 100 favourites with distinct
// conditions are stored; then, round by round, the same conditions are run
// as `analyze` runs them (a fresh document loaded from the condition text,
// then the analysis) and the batch recalculates them all (subFavoSaiKeisan).
// Prints the medians of both wall-clock times and their ratio (goal: at most
// 1.2), and the same for the process CPU time.
//
// Then the analyses and the batch run once more each with the GUI's busy
// window while a 5 ms timer ticks: the longest pause between ticks is the
// longest time the event loop was not serviced (goal for the batch: under
// 100 ms, or no more than the analyses alone leave).
//
// Usage: bench_favourites_recalc [--years N] [--rounds R] [--favourites F]
//   --years N       generated years of race data (default 1; 20 is the large set)
//   --rounds R      interleaved rounds, the median kept (default 3; 0: only
//                   the event-loop measurement)
//   --favourites F  favourites stored and recalculated (default 100)

#include "analysis/AnalysisDocument.h"
#include "analysis/Run.h"
#include "favourites/FavouriteStore.h"
#include "favourites/Recalculation.h"
#include "favourites/Registration.h"
#include "shell/AppContext.h"
#include "shell/StatusLine.h"
#include "shell/ui/WindowBusy.h"
#include "store/Database.h"
#include "support/GeneratedData.h"
#include "support/RaceTables.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <ctime>
#include <vector>

using namespace tq;

namespace {

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

double processCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// Distance ranges of 200 to 800 m starting every 100 m, so no two favourites
// share their conditions.
QString distanceRange(int i)
{
    const int low = 1000 + 100 * (i % 25);
    const int high = low + 200 * (1 + i / 25 % 4);
    return QStringLiteral("%1,%2").arg(low).arg(high);
}

// Stores `count` favourites, not analysed yet (the batch fills their statistics).
std::vector<favourites::Favourite> storeFavourites(shell::AppContext& ctx, int count)
{
    std::vector<favourites::Favourite> stored;
    favourites::FavouriteStore store(*ctx.appDb);
    for (int i = 0; i < count; ++i) {
        analysis::AnalysisDocument doc;
        doc.conditions.rows.push_back(support::distanceRow(distanceRange(i)));
        favourites::FavoChoice choice;
        choice.name = QStringLiteral("再計算%1").arg(i, 3, 10, QLatin1Char('0'));
        choice.group = s("ベンチ");
        stored.push_back(favourites::favouriteFromDocument(ctx, doc, choice, QDateTime::currentDateTime()));
        store.save(stored.back());
    }
    return stored;
}

// What `analyze` does for each favourite's conditions, in this process.
bool analyseEach(shell::AppContext& ctx, const std::vector<favourites::Favourite>& stored)
{
    for (const favourites::Favourite& favourite : stored) {
        analysis::AnalysisDocument doc;
        if (favourites::loadFavourite(ctx, favourite, doc).result != 0)
            return false;
        shell::MemoryStatusLine status;
        if (!analysis::subBunseki(ctx, status, doc, true))
            return false;
    }
    return true;
}

struct Timing {
    double wall = 0;
    double cpu = 0;
};

template <typename F> Timing timed(F&& f)
{
    QElapsedTimer clock;
    clock.start();
    const double cpu0 = processCpuSeconds();
    f();
    return {double(clock.nsecsElapsed()) * 1e-9, processCpuSeconds() - cpu0};
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Runs `work` with the busy window of the GUI on a context sharing the
// data's connection while a 5 ms timer ticks; returns the longest gap between
// ticks, in ms, and the time `work` took.
qint64 longestGapWithBusyWindow(shell::AppContext& data, const std::function<void(shell::AppContext&)>& work,
                                double& seconds)
{
    shell::ScriptedPrompter prompter;
    shell::ui::WindowBusy busy;
    shell::AppContext ctx(prompter, busy);
    ctx.programDir = data.programDir;
    ctx.catalogue = data.catalogue;
    ctx.korvenDir = data.korvenDir;
    ctx.thisDbPath = data.thisDbPath;
    ctx.dataDbPath = data.dataDbPath;
    ctx.codeDbPath = data.codeDbPath;
    ctx.ketoDbPath = data.ketoDbPath;
    ctx.hensaDbPath = data.hensaDbPath;
    ctx.colours = data.colours;
    ctx.appDb = std::move(data.appDb);

    QElapsedTimer clock;
    clock.start();
    qint64 lastTick = 0;
    qint64 longest = 0;
    QTimer ticker;
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longest = std::max(longest, now - lastTick);
        lastTick = now;
    });
    ticker.start();
    work(ctx);
    longest = std::max(longest, clock.elapsed() - lastTick);
    seconds = double(clock.elapsed()) / 1e3;
    data.appDb = std::move(ctx.appDb);
    return longest;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    int years = 1;
    int rounds = 3;
    int count = 100;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--years"))
            years = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--rounds"))
            rounds = std::max(0, std::atoi(argv[i + 1]));
        else if (!std::strcmp(argv[i], "--favourites"))
            count = std::max(1, std::atoi(argv[i + 1]));
    }

    support::GeneratedData data(years);
    if (!data.ready()) {
        std::fprintf(stderr, "generated data: %s\n", data.problem().c_str());
        return 1;
    }
    shell::AppContext& ctx = data.context();
    const std::vector<favourites::Favourite> stored = storeFavourites(ctx, count);

    std::vector<double> analyseWall, analyseCpu, batchWall, batchCpu;
    for (int r = 0; r < rounds; ++r) {
        bool ok = true;
        const Timing analysed = timed([&] { ok = analyseEach(ctx, stored); });
        if (!ok) {
            std::fprintf(stderr, "an analysis failed\n");
            return 1;
        }
        favourites::BatchSummary summary;
        const Timing batch = timed([&] { summary = favourites::subFavoSaiKeisan(ctx, QString()); });
        if (summary.updated != count) {
            std::fprintf(stderr, "%s\n", favourites::batchSummaryText(summary).toLocal8Bit().constData());
            return 1;
        }
        analyseWall.push_back(analysed.wall);
        analyseCpu.push_back(analysed.cpu);
        batchWall.push_back(batch.wall);
        batchCpu.push_back(batch.cpu);
    }
    std::printf("%d years, %d favourites, %d rounds (medians)\n", years, count, rounds);
    if (rounds > 0) {
        const double aw = median(analyseWall), bw = median(batchWall);
        const double ac = median(analyseCpu), bc = median(batchCpu);
        std::printf("  %d analyze runs: %8.3f s wall  %8.3f s cpu\n", count, aw, ac);
        std::printf("  recalculation:  %8.3f s wall  %8.3f s cpu\n", bw, bc);
        std::printf("  ratio:          %8.3f wall    %8.3f cpu  (goal <= 1.2)\n", bw / aw, bc / ac);
    }

    // The analyses alone under the busy window show how much of the longest
    // gap the analysis run itself leaves.
    double seconds = 0;
    const qint64 analysisGap = longestGapWithBusyWindow(
        ctx, [&](shell::AppContext& c) { analyseEach(c, stored); }, seconds);
    std::printf("  %d analyze runs with the busy window: %.3f s, longest event-loop gap %lld ms\n", count, seconds,
                static_cast<long long>(analysisGap));
    const qint64 gap = longestGapWithBusyWindow(
        ctx,
        [](shell::AppContext& c) {
            const favourites::BatchSummary summary = favourites::subFavoSaiKeisan(c, QString());
            if (summary.updated != summary.total)
                std::fprintf(stderr, "%s\n", favourites::batchSummaryText(summary).toLocal8Bit().constData());
        },
        seconds);
    std::printf("  recalculation with the busy window: %.3f s, longest event-loop gap %lld ms (goal < 100)\n",
                seconds, static_cast<long long>(gap));
    return 0;
}
