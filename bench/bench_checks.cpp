// Cost of the figures a win-type run can add beside its result: the split
// into a discovery and a validation period, the return-rate intervals, and
// both, each against the same run without them, measured in one run on
// generated race data through the program's own path (subBunseki), with the
// horse list built and without it. Goal: the split run at most 1.2 times the
// plain run.
//
// Usage: bench_checks [--years N ...] [--rounds R] [--case I ...]
//   --years N   one data set of N years (repeatable; default 1)
//   --rounds R  interleaved rounds, the median kept (default 5)
//   --case I    only the I-th case (0-based; repeatable)
// Variants are interleaved round by round, so a load that comes and goes
// touches all of them alike.

#include "analysis/AnalysisDocument.h"
#include "analysis/Run.h"
#include "context/AppContext.h"
#include "context/StatusLine.h"
#include "support/Data.h"
#include "support/GeneratedData.h"
#include "support/Options.h"

#include <QCoreApplication>
#include <QDate>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

using namespace tq;

namespace {

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

struct Case {
    const char* name;
    conditions::ConditionSet set;
};

std::vector<Case> cases()
{
    std::vector<Case> out;
    Case turf{"芝, key 距離", {}};
    conditions::ConditionRow row;
    row.itemName = s("芝ダ");
    row.value = s("1");
    turf.set.rows = {row};
    turf.set.keys[0] = {s("距離"), {}};
    out.push_back(turf);
    Case threeKeys{"three keys (距離 2,400 / 芝ダ / 馬番)", {}};
    threeKeys.set.keys[0] = {s("距離"), {s("2,400")}};
    threeKeys.set.keys[1] = {s("芝ダ"), {}};
    threeKeys.set.keys[2] = {s("馬番"), {s("0")}};
    out.push_back(threeKeys);
    Case none{"芝, no key", {}};
    none.set.rows = {row};
    out.push_back(none);
    return out;
}

struct Variant {
    const char* name;
    bool split;
    bool intervals;
};

const Variant kVariants[] = {{"plain", false, false}, {"split", true, false}, {"intervals", false, true},
                             {"both", true, true}};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The wall-clock seconds of one run of `c` with the variant's options.
double runOnce(context::AppContext& ctx, const Case& c, const Variant& v, const QDate& splitDate)
{
    analysis::AnalysisDocument doc;
    doc.conditions = c.set;
    if (v.split)
        doc.splitDate = splitDate;
    doc.intervals = v.intervals;
    context::MemoryStatusLine status;
    const auto start = std::chrono::steady_clock::now();
    const bool ok = analysis::subBunseki(ctx, status, doc, true);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!ok || (v.split && doc.splitResult.rowCount() != doc.result.rowCount()))
        std::fprintf(stderr, "run failed: %s / %s\n", c.name, v.name);
    return seconds;
}

int benchYears(int years, int rounds, const std::vector<std::size_t>& chosen)
{
    const std::unique_ptr<support::GeneratedData> generated = bench::generatedData(years);
    if (!generated)
        return 1;
    support::GeneratedData& data = *generated;
    context::AppContext& ctx = data.context();
    // The middle of the generated years: both periods hold about half the rows.
    const QDate splitDate(2025 - years / 2, years % 2 ? 7 : 1, 1);
    std::printf("split date %s; median wall s of %d rounds, ratio to plain\n",
                qPrintable(splitDate.toString(Qt::ISODate)), rounds);
    std::printf("%-40s %-8s %8s %8s %6s %8s %6s %8s %6s\n", "case", "list", "plain", "split", "ratio", "interv.",
                "ratio", "both", "ratio");
    const std::vector<Case> all = cases();
    for (const std::size_t i : chosen) {
        const Case& c = all[i];
        for (const bool list : {true, false}) {
            ctx.buildHorseList = list;
            std::vector<std::vector<double>> times(std::size(kVariants));
            for (int r = 0; r < rounds; ++r)
                for (std::size_t v = 0; v < std::size(kVariants); ++v)
                    times[v].push_back(runOnce(ctx, c, kVariants[v], splitDate));
            const double plain = median(times[0]);
            std::printf("%-40s %-8s %8.3f", c.name, list ? "list" : "no list", plain);
            for (std::size_t v = 1; v < std::size(kVariants); ++v)
                std::printf(" %8.3f %6.2f", median(times[v]), median(times[v]) / plain);
            std::printf("\n");
            std::fflush(stdout);
        }
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const bench::Options options = bench::parseOptions(argc, argv, 5);
    int status = 0;
    for (const int y : options.years)
        status |= benchYears(y, options.rounds, options.chosenCases(cases().size()));
    return status;
}
