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
// longest time the event loop was not serviced; for the batch also the
// longest pause with no analysis running in it and the longest stretch of its
// own work between two analyses (goal: under 100 ms).
//
// Usage: bench_favourites_recalc [--years N] [--rounds R] [--favourites F]
//   --years N       generated years of race data (default 1; 20 is the large set)
//   --rounds R      interleaved rounds, the median kept (default 3; 0: only
//                   the event-loop measurement)
//   --favourites F  favourites stored and recalculated (default 100)

#include "analysis/AnalysisDocument.h"
#include "analysis/Run.h"
#include "context/AppContext.h"
#include "context/StatusLine.h"
#include "favourites/FavouriteStore.h"
#include "favourites/Recalculation.h"
#include "favourites/Registration.h"
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
std::vector<favourites::Favourite> storeFavourites(context::AppContext& ctx, int count)
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
bool analyseEach(context::AppContext& ctx, const std::vector<favourites::Favourite>& stored)
{
    for (const favourites::Favourite& favourite : stored) {
        analysis::AnalysisDocument doc;
        if (favourites::loadFavourite(ctx, favourite, doc).result != 0)
            return false;
        context::MemoryStatusLine status;
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

// The GUI's busy window, told apart whether an analysis is running: from its
// "分析中です" to the busy window's hide() an analysis runs; the rest is the
// batch's own work between analyses (loading, condition text, storing).
class PhaseBusy final : public context::Busy {
  public:
    bool inAnalysis = false;
    bool analysisSinceTick = false; // an analysis ran at some point since the last tick
    qint64 longestBetween = 0;      // ms, from the end of one analysis to the start of the next

    void show() override { m_window.show(); }
    void hide() override
    {
        if (inAnalysis)
            m_between.start();
        inAnalysis = false;
        m_window.hide();
    }
    void setProgress(const QString& text) override
    {
        if (text == QStringLiteral("分析中です")) {
            if (!inAnalysis && m_between.isValid())
                longestBetween = std::max(longestBetween, m_between.elapsed());
            inAnalysis = analysisSinceTick = true;
        }
        m_window.setProgress(text);
    }
    void yield() override { m_window.yield(); }
    void keepAlive() override { m_window.keepAlive(); }
    bool cancelled() const override { return m_window.cancelled(); }
    void setStep(const QString& text) override { m_window.setStep(text); }

  private:
    shell::ui::WindowBusy m_window;
    QElapsedTimer m_between;
};

struct Gaps {
    qint64 longest = 0;         // ms, anywhere
    qint64 outsideAnalysis = 0; // ms, with no analysis running at any time in it
    qint64 between = 0;         // ms, the longest stretch between two analyses
    double seconds = 0;
};

// Runs `work` with the busy window of the GUI on a context sharing the
// data's connection while a 5 ms timer ticks, and measures the longest gaps
// between ticks.
Gaps gapsWithBusyWindow(context::AppContext& data, const std::function<void(context::AppContext&)>& work)
{
    context::ScriptedPrompter prompter;
    PhaseBusy busy;
    context::AppContext ctx(prompter, busy);
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

    Gaps gaps;
    QElapsedTimer clock;
    clock.start();
    qint64 lastTick = 0;
    const auto tick = [&] {
        const qint64 now = clock.elapsed();
        gaps.longest = std::max(gaps.longest, now - lastTick);
        if (!busy.analysisSinceTick)
            gaps.outsideAnalysis = std::max(gaps.outsideAnalysis, now - lastTick);
        busy.analysisSinceTick = busy.inAnalysis;
        lastTick = now;
    };
    QTimer ticker;
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, tick);
    ticker.start();
    work(ctx);
    tick();
    gaps.seconds = double(clock.elapsed()) / 1e3;
    gaps.between = busy.longestBetween;
    data.appDb = std::move(ctx.appDb);
    return gaps;
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
    context::AppContext& ctx = data.context();
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
    const Gaps analyses = gapsWithBusyWindow(ctx, [&](context::AppContext& c) { analyseEach(c, stored); });
    std::printf("  %d analyze runs with the busy window: %.3f s, longest event-loop gap %lld ms\n", count,
                analyses.seconds, static_cast<long long>(analyses.longest));
    const Gaps batch = gapsWithBusyWindow(ctx, [](context::AppContext& c) {
        const favourites::BatchSummary summary = favourites::subFavoSaiKeisan(c, QString());
        if (summary.updated != summary.total)
            std::fprintf(stderr, "%s\n", favourites::batchSummaryText(summary).toLocal8Bit().constData());
    });
    std::printf("  recalculation with the busy window: %.3f s, longest event-loop gap %lld ms, %lld ms outside "
                "the analyses; longest stretch between two analyses %lld ms (goal < 100)\n",
                batch.seconds, static_cast<long long>(batch.longest), static_cast<long long>(batch.outsideAnalysis),
                static_cast<long long>(batch.between));
    return 0;
}
