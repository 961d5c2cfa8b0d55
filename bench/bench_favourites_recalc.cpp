// The recalculation of favourites against one analysis of every race, on
// generated race data, measured in one run so that the load of a shared
// machine falls on both alike. `--favourites` diverse favourites are stored
// (distance ranges, course sets, odds and popularity ranges, jockeys,
// previous runs and comparisons with them, extended SQL rows, Null-heavy
// items, favourites that select nothing); then, round by round, one analysis
// of every race (as `analyze` runs it, with its horse list) and the
// recalculation in passes of each batch size. Prints the medians and their
// ratios to the analysis of every race, and the cost of recalculating one
// favourite by its own run (measured on the first `--alone` favourites).
//
// --compare also recalculates every favourite by its own run and compares
// every stored column with the recalculation in passes (bit for bit).
// --gaps runs the recalculation once more with the GUI's busy window while a
// 5 ms timer ticks and prints the longest time the event loop was not served.
//
// Usage: bench_favourites_recalc [--years N] [--rounds R] [--favourites F]
//          [--batch-sizes A,B,..] [--alone K] [--compare] [--gaps]
//   --years N        generated years of race data (default 1; 20 is the large set)
//   --rounds R       interleaved rounds, the median kept (default 3)
//   --favourites F   favourites stored and recalculated (default 1000)
//   --batch-sizes    favourites per pass to measure (default the program's)
//   --alone K        favourites recalculated by their own runs for the
//                    per-favourite cost (default 20)

#include "analysis/AnalysisDocument.h"
#include "analysis/AnalysisQuery.h"
#include "analysis/HorseList.h"
#include "analysis/Run.h"
#include "analysis/Statistics.h"
#include "context/AppContext.h"
#include "context/StatusLine.h"
#include "favourites/FavouriteStore.h"
#include "favourites/Recalculation.h"
#include "favourites/Registration.h"
#include "shell/ui/WindowBusy.h"
#include "store/Database.h"
#include "store/Recordset.h"
#include "support/GeneratedData.h"
#include "support/SpeedCases.h"
#include "support/StoredFavourites.h"

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

const QString kGroup = QStringLiteral("ベンチ");

conditions::ConditionRow row(const char* item, const QString& value, qint16 target = 0)
{
    return support::conditionRow(item, value.toUtf8().constData(), target);
}

conditions::ConditionRow extendedRow(const QString& sql)
{
    conditions::ConditionRow r;
    r.itemName = conditions::extendedItemName();
    r.value = sql;
    return r;
}

// The most frequent jockey codes of the past races.
QStringList frequentJockeys(context::AppContext& ctx, int count)
{
    store::Recordset rs = ctx.appDb->openRecordset(
        s("SELECT 騎手コード FROM D競走馬データ GROUP BY 騎手コード ORDER BY Count(*) DESC"));
    QStringList codes;
    for (; !rs.isEOF() && codes.size() < count; rs.moveNext())
        if (!rs.field(0).isNull())
            codes << rs.field(0).toText();
    return codes;
}

// A course set of the ten courses from the bits of `mask`.
QString courseSet(int mask)
{
    QStringList ticks;
    for (int b = 0; b < 10; ++b)
        ticks << ((mask >> b & 1) ? s("1") : s("0"));
    return ticks.join(QLatin1Char(','));
}

// The conditions of the i-th favourite: twelve shapes in turn, each with its
// parameters moving with i, so that no two favourites share their conditions.
std::vector<conditions::ConditionRow> diverseConditions(int i, const QStringList& jockeys)
{
    const int k = i / 12;
    const QString n1 = QString::number(1000 + 100 * (k % 20));
    const QString n2 = QString::number(1200 + 100 * (k % 20) + 200 * (k / 20 % 5));
    switch (i % 12) {
    case 0:
        return {row("距離", n1 + QLatin1Char(',') + n2)};
    case 1:
        return {row("開催場所", courseSet(1 + k * 37 % 1023))};
    case 2:
        return {row("確定単勝オッズ", QStringLiteral("%1,%2").arg(1.0 + 0.5 * (k % 30)).arg(3.0 + k % 40))};
    case 3:
        return {row("単勝人気", QStringLiteral("%1,%2").arg(1 + k % 8).arg(1 + k % 8 + k / 8 % 6)),
                row("芝ダ", k % 2 ? s("1") : s("0,1"))};
    case 4:
        return {row("騎手", s("名,") + jockeys[k % jockeys.size()] + s(",0,0")),
                row("距離", n1 + s(",3600"))};
    case 5:
        return {row("距離", QStringLiteral("%1,1,%2").arg(k % 6).arg(100 * (k % 5)), 2)};
    case 6:
        return {row("着順", QStringLiteral("1,%1").arg(1 + k % 5), 1 + 2 * (k % 3)),
                row("単勝人気", QStringLiteral("1,%1").arg(3 + k % 10))};
    case 7:
        return {extendedRow(QStringLiteral("D番組データ.出走頭数 >= %1 AND D成績データ.確定単勝オッズ < %2")
                                .arg(8 + k % 10)
                                .arg(5 + k % 50))};
    case 8:
        return {row("馬体重増減", QStringLiteral("%1,%2,0").arg(-10 + k % 10).arg(k % 12))};
    case 9:
        return {row("総合偏差値", QStringLiteral("%1,%2").arg(40 + k % 20).arg(55 + k % 20))};
    case 10:
        return {row("馬齢", QStringLiteral("%1,%2").arg(2 + k % 3).arg(3 + k % 5)),
                row("性別", k % 2 ? s("1,0,0") : s("0,1,1")), row("距離", n1 + QLatin1Char(',') + n2)};
    default:
        // Every fifth of these selects nothing.
        if (k % 5 == 0)
            return {row("距離", QStringLiteral("%1,%2").arg(5000 + k).arg(6000 + k))};
        return {row("ローテーション", QStringLiteral("%1,%2").arg(1 + k % 4).arg(4 + k % 20)),
                row("確定単勝オッズ", QStringLiteral("1,%1").arg(10 + k % 90))};
    }
}

// Stores `count` diverse favourites, not analysed yet (the batch fills their statistics).
bool storeFavourites(context::AppContext& ctx, int count)
{
    const QStringList jockeys = frequentJockeys(ctx, 40);
    if (jockeys.isEmpty())
        return false;
    favourites::FavouriteStore store(*ctx.appDb);
    for (int i = 0; i < count; ++i) {
        analysis::AnalysisDocument doc;
        doc.conditions.rows = diverseConditions(i, jockeys);
        favourites::FavoChoice choice;
        choice.name = QStringLiteral("再計算%1").arg(i, 4, 10, QLatin1Char('0'));
        choice.group = kGroup;
        store.save(favourites::favouriteFromDocument(ctx, doc, choice, QDateTime::currentDateTime()));
    }
    return true;
}

// One analysis of every race as `analyze` runs it (with its horse list).
bool analyseEveryRace(context::AppContext& ctx)
{
    analysis::AnalysisDocument doc;
    bool built = false;
    const QString sql = analysis::funSqlCreate2(ctx.catalogue, doc.conditions, ctx.appDb.get(), ctx.errorLog, &built);
    analysis::DefaultHorseList list(ctx.catalogue, ctx.appDb.get(), &ctx.errorLog, doc.listLimit);
    analysis::RunServices services;
    services.horseList = &list;
    return built && analysis::subKekkaHyouji(ctx, doc, sql, true, services);
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
// data's connection while a 5 ms timer ticks; the longest gap between ticks
// in ms.
qint64 longestGapWithBusyWindow(context::AppContext& data, const std::function<void(context::AppContext&)>& work)
{
    context::ScriptedPrompter prompter;
    shell::ui::WindowBusy busy;
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

    qint64 longest = 0;
    QElapsedTimer clock;
    clock.start();
    qint64 lastTick = 0;
    const auto tick = [&] {
        const qint64 now = clock.elapsed();
        longest = std::max(longest, now - lastTick);
        lastTick = now;
    };
    QTimer ticker;
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, tick);
    ticker.start();
    work(ctx);
    tick();
    data.appDb = std::move(ctx.appDb);
    return longest;
}

std::vector<int> sizesOf(const char* list)
{
    std::vector<int> sizes;
    for (const QString& part : QString::fromUtf8(list).split(QLatin1Char(','), Qt::SkipEmptyParts))
        sizes.push_back(std::max(1, part.toInt()));
    return sizes;
}

favourites::BatchSummary recalculate(context::AppContext& ctx, int batchSize, const QString& filter = {})
{
    const QString selection = filter.isEmpty() ? favourites::recalculationFilter(favourites::RecalcSelection::Group,
                                                                                  kGroup)
                                               : filter;
    return favourites::subFavoSaiKeisan(ctx, selection, {}, batchSize);
}

void printSummary(const favourites::BatchSummary& summary)
{
    std::printf("  %s\n", favourites::batchSummaryText(summary).section(QLatin1Char('\n'), 0, 0).toUtf8().constData());
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    int years = 1;
    int rounds = 3;
    int count = 1000;
    int aloneCount = 20;
    bool compare = false;
    bool gaps = false;
    std::vector<int> batchSizes{favourites::kRecalcBatchSize};
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (!std::strcmp(argv[i], "--compare"))
            compare = true;
        else if (!std::strcmp(argv[i], "--gaps"))
            gaps = true;
        else if (hasValue && !std::strcmp(argv[i], "--years"))
            years = std::atoi(argv[++i]);
        else if (hasValue && !std::strcmp(argv[i], "--rounds"))
            rounds = std::max(1, std::atoi(argv[++i]));
        else if (hasValue && !std::strcmp(argv[i], "--favourites"))
            count = std::max(1, std::atoi(argv[++i]));
        else if (hasValue && !std::strcmp(argv[i], "--alone"))
            aloneCount = std::max(0, std::atoi(argv[++i]));
        else if (hasValue && !std::strcmp(argv[i], "--batch-sizes"))
            batchSizes = sizesOf(argv[++i]);
    }

    support::GeneratedData data(years);
    if (!data.ready()) {
        std::fprintf(stderr, "generated data: %s\n", data.problem().c_str());
        return 1;
    }
    context::AppContext& ctx = data.context();
    if (!storeFavourites(ctx, count)) {
        std::fprintf(stderr, "no jockeys in the generated data\n");
        return 1;
    }
    const std::vector<support::StoredFavourite> unanalysed = support::storedFavourites(*ctx.appDb, kGroup);

    // Round by round: the analysis of every race, the favourites' own runs
    // for a few of them, then the passes at each batch size.
    std::vector<double> everyWall, everyCpu, aloneWall;
    std::vector<std::vector<double>> passWall(batchSizes.size()), passCpu(batchSizes.size());
    const QString firstFew = QStringLiteral("WHERE グループ名 = '%1' AND 名称 < '再計算%2'")
                                 .arg(kGroup)
                                 .arg(aloneCount, 4, 10, QLatin1Char('0'));
    for (int r = 0; r < rounds; ++r) {
        bool ok = true;
        const Timing every = timed([&] { ok = analyseEveryRace(ctx); });
        if (!ok) {
            std::fprintf(stderr, "the analysis of every race failed\n");
            return 1;
        }
        everyWall.push_back(every.wall);
        everyCpu.push_back(every.cpu);
        if (aloneCount > 0)
            aloneWall.push_back(timed([&] { recalculate(ctx, 1, firstFew); }).wall / aloneCount);
        for (std::size_t b = 0; b < batchSizes.size(); ++b) {
            support::restoreFavourites(*ctx.appDb, kGroup, unanalysed);
            favourites::BatchSummary summary;
            const Timing pass = timed([&] { summary = recalculate(ctx, batchSizes[b]); });
            if (r == 0) {
                std::printf("batch size %d:", batchSizes[b]);
                printSummary(summary);
            }
            passWall[b].push_back(pass.wall);
            passCpu[b].push_back(pass.cpu);
        }
    }
    const double ew = median(everyWall), ec = median(everyCpu);
    std::printf("%d years, %d favourites, %d rounds (medians)\n", years, count, rounds);
    std::printf("  analysis of every race: %8.3f s wall  %8.3f s cpu\n", ew, ec);
    if (aloneCount > 0) {
        const double one = median(aloneWall);
        std::printf("  one favourite by its own run: %.3f s wall = %.3f x every race; %d favourites so: ~%.0f x\n",
                    one, one / ew, count, one * count / ew);
    }
    for (std::size_t b = 0; b < batchSizes.size(); ++b) {
        const double pw = median(passWall[b]), pc = median(passCpu[b]);
        std::printf("  passes of %4d: %8.3f s wall (%6.1f x every race)  %8.3f s cpu (%6.1f x)\n", batchSizes[b], pw,
                    pw / ew, pc, pc / ec);
    }
    std::fflush(stdout);

    if (compare) {
        support::restoreFavourites(*ctx.appDb, kGroup, unanalysed);
        const Timing alone = timed([&] { recalculate(ctx, 1); });
        const std::vector<support::StoredFavourite> byOwnRuns = support::storedFavourites(*ctx.appDb, kGroup);
        support::restoreFavourites(*ctx.appDb, kGroup, unanalysed);
        recalculate(ctx, batchSizes.front());
        const QStringList differing =
            support::differingFavourites(byOwnRuns, support::storedFavourites(*ctx.appDb, kGroup));
        std::printf("  every favourite by its own run: %.3f s (%.1f x every race); stored columns identical to the "
                    "passes for %lld of %d favourites%s%s\n",
                    alone.wall, alone.wall / ew, static_cast<long long>(count - differing.size()), count,
                    differing.isEmpty() ? "" : "; differing: ",
                    differing.mid(0, 10).join(QLatin1Char(' ')).toUtf8().constData());
    }
    if (gaps) {
        support::restoreFavourites(*ctx.appDb, kGroup, unanalysed);
        const qint64 longest =
            longestGapWithBusyWindow(ctx, [&](context::AppContext& c) { recalculate(c, batchSizes.front()); });
        std::printf("  passes with the busy window: longest event-loop gap %lld ms\n", static_cast<long long>(longest));
    }
    return 0;
}
