// Cost of a win-type analysis against its floor, measured in one run on
// generated race data: the floor is stepping through the rows of the same
// statement with the raw SQLite API (reading every column); the analysis is
// the whole engine run (statement through the database layer, group fold,
// labels, default horse list). Prints, per case, both times and their ratio
// (goal: at most 1.3), and the memory of the default list per million rows.
//
// Usage: bench_analysis [--years N ...] [--rounds R]
//   --years N   one data set of N years (repeatable; default 1; 20 is the
//               large set of about 900,000 runners)
//   --rounds R  interleaved rounds per case, best time kept (default 3)
//   --case I    only the I-th case (0-based), for profiling
// Times are the thread's CPU time, so other processes on the machine do not
// count.

#include "analysis/AnalysisDocument.h"
#include "analysis/AnalysisQuery.h"
#include "analysis/HorseList.h"
#include "analysis/Statistics.h"
#include "shell/AppContext.h"
#include "store/Database.h"
#include "store/JetTranslator.h"
#include "support/GeneratedData.h"

#include "support/Floor.h"

#include <QCoreApplication>


#include <algorithm>
#include <cstdio>
#include <functional>

using namespace tq;

namespace {

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

conditions::ConditionRow row(const char* item, const char* value, qint16 target = 0)
{
    conditions::ConditionRow r;
    r.itemName = s(item);
    r.value = s(value);
    r.target = target;
    r.targetCaption = conditions::targetCaption(target);
    return r;
}

struct Case {
    const char* name;
    conditions::ConditionSet set;
};

std::vector<Case> cases()
{
    std::vector<Case> out;
    out.push_back({"no condition", {}});
    Case oneKey{"one key (開催場所)", {}};
    oneKey.set.keys[0] = {s("開催場所"), {}};
    out.push_back(oneKey);
    Case threeKeys{"three keys (距離 2,400 / 芝ダ / 馬番)", {}};
    threeKeys.set.keys[0] = {s("距離"), {s("2,400")}};
    threeKeys.set.keys[1] = {s("芝ダ"), {}};
    threeKeys.set.keys[2] = {s("馬番"), {s("0")}};
    out.push_back(threeKeys);
    Case previous{"previous-run condition (距離 > 前走)", {}};
    previous.set.rows = {row("距離", "2,0,0", 2)};
    out.push_back(previous);
    return out;
}

int benchYears(int years, int rounds, int only)
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

    std::printf("%-44s %10s %10s %10s %7s %12s %7s\n", "case", "rows", "floor s", "run s", "ratio", "no list s",
                "ratio");
    const std::vector<Case> all = cases();
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (only >= 0 && std::size_t(only) != i)
            continue;
        const Case& c = all[i];
        bool ok = false;
        const QString jet = analysis::funSqlCreate2(ctx.catalogue, c.set, ctx.appDb.get(), ctx.errorLog, &ok);
        const QString sqlite = store::translateJet(jet);
        double bestFloor = 1e300, bestRun = 1e300, bestBare = 1e300;
        qint64 rows = 0;
        std::size_t listBytes = 0;
        int listRows = 0;
        for (int r = 0; r < rounds; ++r) {
            bestFloor = std::min(bestFloor, bench::cpuSecondsOf([&] { rows = bench::floorRun(ctx.appDb->handle(), sqlite); }));
            analysis::AnalysisDocument doc;
            doc.conditions = c.set;
            analysis::DefaultHorseList list(ctx.catalogue, ctx.appDb.get(), &ctx.errorLog, false);
            analysis::RunServices services;
            services.horseList = &list;
            bestRun = std::min(bestRun, bench::cpuSecondsOf([&] { analysis::subKekkaHyouji(ctx, doc, jet, true, services); }));
            listBytes = doc.defaultList.memoryBytes();
            listRows = doc.defaultList.rowCount();
            // The same run without the default list, to show the list's share.
            analysis::AnalysisDocument bare;
            bare.conditions = c.set;
            bestBare = std::min(bestBare, bench::cpuSecondsOf([&] { analysis::subKekkaHyouji(ctx, bare, jet, true, {}); }));
        }
        std::printf("%-44s %10lld %10.3f %10.3f %7.2f %12.3f %7.2f\n", c.name, static_cast<long long>(rows), bestFloor,
                    bestRun, bestRun / bestFloor, bestBare, bestBare / bestFloor);
        if (c.set.rows.empty() && !c.set.keys[0].inUse() && listRows > 0)
            std::printf("  default list: %d rows, %.1f MB per million rows\n", listRows,
                        double(listBytes) / double(listRows) * 1e6 / 1048576.0);
        std::fflush(stdout);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::vector<int> years;
    int rounds = 3;
    int only = -1;
    for (int i = 1; i + 1 < argc; i += 2) {
        const QByteArray opt(argv[i]);
        if (opt == "--years")
            years.push_back(std::max(1, std::atoi(argv[i + 1])));
        else if (opt == "--rounds")
            rounds = std::max(1, std::atoi(argv[i + 1]));
        else if (opt == "--case")
            only = std::atoi(argv[i + 1]);
    }
    if (years.empty())
        years.push_back(1);
    int status = 0;
    for (int y : years)
        status |= benchYears(y, rounds, only);
    return status;
}
