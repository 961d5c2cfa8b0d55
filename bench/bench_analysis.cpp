// Cost of a win-type analysis against its floor, measured in one run on
// generated race data. The floor is stepping through the rows of the same
// statement with the raw SQLite API (reading every column), measured twice:
// with SQLite's default connection settings and with the program's own. The
// run is the whole engine (statement through the database layer, group fold,
// labels, default horse list) with the statement stepping on a second thread
// and the list filled on a third, the same run on one thread, and the run
// without the list. Also the medians of the process's CPU time of each, and
// the fastest round of each variant.
// Prints, per case, the medians of the wall-clock times and the ratios of the
// runs to the faster floor (and of the two-thread runs to each floor; goal: at
// most 1.05 to the faster one), and whether the two-thread run's result table
// and list are the one-thread run's, cell for cell and bit for bit.
//
// Usage: bench_analysis [--years N ...] [--rounds R] [--case I] [--settings]
//   --years N   one data set of N years (repeatable; default 1; 20 is the
//               large set of about 950,000 runners)
//   --rounds R  interleaved rounds per case, the median kept (default 5)
//   --case I    only the I-th case (0-based; repeatable)
//   --settings  instead of the runs: the floor of every case under each
//               candidate connection setting, as a ratio to the default
// Wall-clock times: the run uses three threads. Cases and variants are
// interleaved round by round, so a load that comes and goes touches all of
// them alike.

#include "analysis/AnalysisDocument.h"
#include "analysis/AnalysisQuery.h"
#include "analysis/HorseList.h"
#include "analysis/Statistics.h"
#include "context/AppContext.h"
#include "store/Database.h"
#include "store/JetTranslator.h"
#include "support/GeneratedData.h"
#include "support/SpeedCases.h"

#include "support/Data.h"
#include "support/Floor.h"
#include "support/Options.h"

#include <QCoreApplication>

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

using namespace tq;

namespace {

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

using Case = support::NamedConditions;

// The three cases of the speed measurements, then three more shapes.
std::vector<Case> cases()
{
    std::vector<Case> out = support::speedCases();
    Case oneKey{"one key (開催場所)", {}};
    oneKey.set.keys[0] = {s("開催場所"), {}};
    out.push_back(oneKey);
    Case threeKeys{"three keys (距離 2,400 / 芝ダ / 馬番)", {}};
    threeKeys.set.keys[0] = {s("距離"), {s("2,400")}};
    threeKeys.set.keys[1] = {s("芝ダ"), {}};
    threeKeys.set.keys[2] = {s("馬番"), {s("0")}};
    out.push_back(threeKeys);
    Case previous{"previous-run condition (距離 > 前走)", {}};
    previous.set.rows = {support::conditionRow("距離", "2,0,0", 2)};
    out.push_back(previous);
    return out;
}

// A set of connection settings, applied to every schema of the connection
// (main and the attached race data).
struct Settings {
    const char* name;
    qint64 mmapBytes;
    int cacheKiB; // cache_size as a negative KiB figure
    int tempStore; // 0 default, 2 memory
    int threads;   // sorter worker threads
};

const Settings kDefault{"default", 0, 2000, 0, 0};

std::vector<Settings> candidateSettings()
{
    return {kDefault,
            {"mmap 1 GiB", 1 << 30, 2000, 0, 0},
            {"mmap + cache 256 MiB", 1 << 30, 262144, 0, 0},
            {"mmap + temp in memory", 1 << 30, 2000, 2, 0},
            {"mmap + cache + temp", 1 << 30, 262144, 2, 0},
            {"mmap + threads 1", 1 << 30, 2000, 0, 1},
            {"mmap + cache 16 MiB", 1 << 30, 16384, 0, 0},
            {"mmap + cache 16 MiB + threads 1", 1 << 30, 16384, 0, 1}};
}

std::vector<std::string> schemas(sqlite3* db)
{
    std::vector<std::string> out;
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "PRAGMA database_list", -1, &st, nullptr);
    while (sqlite3_step(st) == SQLITE_ROW) {
        const std::string name = reinterpret_cast<const char*>(sqlite3_column_text(st, 1));
        if (name != "temp")
            out.push_back(name);
    }
    sqlite3_finalize(st);
    return out;
}

void apply(sqlite3* db, const Settings& settings)
{
    std::string sql = "PRAGMA temp_store=" + std::to_string(settings.tempStore) +
                      "; PRAGMA threads=" + std::to_string(settings.threads) + ";";
    for (const std::string& schema : schemas(db))
        sql += " PRAGMA " + schema + ".mmap_size=" + std::to_string(settings.mmapBytes) + "; PRAGMA " + schema +
               ".cache_size=-" + std::to_string(settings.cacheKiB) + ";";
    sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
}

// A connection of its own to the application database (its race data linked
// as the program links it) with `settings`: switching the settings of one
// connection would drop its cache and memory map before every measurement.
std::unique_ptr<store::Database> connectionWith(context::AppContext& ctx, const Settings& settings)
{
    auto db = store::Database::open(ctx.appDb->path(), store::OpenMode::ReadOnly);
    apply(db->handle(), settings);
    return db;
}

double processCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// Wall seconds of f; with `cpu`, also the CPU seconds of every thread of
// the process meanwhile (on a loaded machine the wall time of a run on
// several threads says little, its CPU time still says what it costs).
double wallSecondsOf(const std::function<void()>& f, std::vector<double>* cpu = nullptr)
{
    const double cpuStart = processCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    f();
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (cpu)
        cpu->push_back(processCpuSeconds() - cpuStart);
    return wall;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double fastest(const std::vector<double>& v)
{
    return *std::min_element(v.begin(), v.end());
}

// Whether two sheets hold the same cells: kinds, numbers to the bit, texts.
bool sameSheet(const analysis::Sheet& a, const analysis::Sheet& b)
{
    if (a.rowCount() != b.rowCount() || a.columnCount() != b.columnCount() || a.headers() != b.headers())
        return false;
    for (int r = 0; r < a.rowCount(); ++r)
        for (int c = 0; c < a.columnCount(); ++c) {
            const double x = a.number(r, c), y = b.number(r, c);
            if (a.kind(r, c) != b.kind(r, c) || std::memcmp(&x, &y, sizeof x) != 0 ||
                a.displayText(r, c) != b.displayText(r, c))
                return false;
        }
    return true;
}

struct Statement {
    QString jet;
    QString sqlite;
};

Statement statementOf(context::AppContext& ctx, const Case& c)
{
    bool ok = false;
    Statement st;
    st.jet = analysis::funSqlCreate2(ctx.catalogue, c.set, ctx.appDb.get(), ctx.errorLog, &ok);
    st.sqlite = store::translateJet(st.jet);
    return st;
}

void benchSettings(context::AppContext& ctx, const std::vector<Case>& all, const std::vector<std::size_t>& chosen,
                   int rounds)
{
    const std::vector<Settings> candidates = candidateSettings();
    std::vector<std::unique_ptr<store::Database>> connections;
    for (const Settings& settings : candidates)
        connections.push_back(connectionWith(ctx, settings));
    std::printf("floor under each setting, median wall s (ratio to default)\n");
    for (const std::size_t i : chosen) {
        const Statement st = statementOf(ctx, all[i]);
        std::vector<std::vector<double>> times(candidates.size());
        for (int r = 0; r < rounds; ++r)
            for (std::size_t k = 0; k < candidates.size(); ++k) {
                sqlite3* db = connections[k]->handle();
                times[k].push_back(wallSecondsOf([&] { bench::floorRun(db, st.sqlite); }));
            }
        std::printf("%s\n", all[i].name);
        const double base = median(times[0]);
        for (std::size_t k = 0; k < candidates.size(); ++k)
            std::printf("  %-34s %8.3f %6.2f\n", candidates[k].name, median(times[k]), median(times[k]) / base);
        std::fflush(stdout);
    }
}

void benchRuns(context::AppContext& ctx, const std::vector<Case>& all, const std::vector<std::size_t>& chosen,
               int rounds)
{
    sqlite3* db = ctx.appDb->handle();
    const std::unique_ptr<store::Database> byDefault = connectionWith(ctx, kDefault);
    std::printf("median wall s of %d rounds; ratios to the faster floor (to default / program floor)\n", rounds);
    std::printf("%-40s %8s %7s %7s %7s %7s %7s %16s %6s %16s %s\n", "case", "rows", "floor d", "floor p", "run",
                "1 thr", "no list", "run ratio", "1 thr", "no-list ratio", "same");
    for (const std::size_t i : chosen) {
        const Case& c = all[i];
        const Statement st = statementOf(ctx, c);
        std::vector<double> floorDefault, floorProgram, run, oneThread, bare;
        std::vector<double> floorCpu, runCpu, oneThreadCpu, bareCpu;
        bool same = true;
        qint64 rows = 0;
        std::size_t listBytes = 0;
        int listRows = 0;
        for (int r = 0; r < rounds; ++r) {
            floorDefault.push_back(
                wallSecondsOf([&] { rows = bench::floorRun(byDefault->handle(), st.sqlite); }, &floorCpu));
            floorProgram.push_back(wallSecondsOf([&] { bench::floorRun(db, st.sqlite); }));
            analysis::AnalysisDocument doc;
            doc.conditions = c.set;
            analysis::DefaultHorseList list(ctx.catalogue, ctx.appDb.get(), &ctx.errorLog, false);
            analysis::RunServices services;
            services.horseList = &list;
            run.push_back(
                wallSecondsOf([&] { analysis::subKekkaHyouji(ctx, doc, st.jet, true, services); }, &runCpu));
            listBytes = doc.defaultList.memoryBytes();
            listRows = doc.defaultList.rowCount();
            analysis::AnalysisDocument single;
            single.conditions = c.set;
            analysis::DefaultHorseList singleList(ctx.catalogue, ctx.appDb.get(), &ctx.errorLog, false);
            services.horseList = &singleList;
            services.secondThread = false;
            oneThread.push_back(wallSecondsOf(
                [&] { analysis::subKekkaHyouji(ctx, single, st.jet, true, services); }, &oneThreadCpu));
            same = same && sameSheet(doc.result, single.result) && sameSheet(doc.defaultList, single.defaultList);
            analysis::AnalysisDocument withoutList;
            withoutList.conditions = c.set;
            bare.push_back(
                wallSecondsOf([&] { analysis::subKekkaHyouji(ctx, withoutList, st.jet, true, {}); }, &bareCpu));
        }
        const double fd = median(floorDefault), fp = median(floorProgram), fr = median(run), f1 = median(oneThread),
                     fb = median(bare);
        const double faster = std::min(fd, fp);
        std::printf("%-40s %8lld %7.3f %7.3f %7.3f %7.3f %7.3f %4.2f (%4.2f/%4.2f) %6.2f %4.2f (%4.2f/%4.2f) %s\n",
                    c.name, static_cast<long long>(rows), fd, fp, fr, f1, fb, fr / faster, fr / fd, fr / fp,
                    f1 / faster, fb / faster, fb / fd, fb / fp, same ? "yes" : "NO");
        std::printf("  cpu s: floor d %.3f, run %.3f, 1 thr %.3f, no list %.3f\n", median(floorCpu), median(runCpu),
                    median(oneThreadCpu), median(bareCpu));
        // Load from outside the process only adds time: the fastest round of
        // each variant shows what the medians show when the load comes and
        // goes in phases longer than a round.
        const double bestFloor = std::min(fastest(floorDefault), fastest(floorProgram));
        std::printf("  fastest s: floor %.3f, run %.3f (%4.2f), 1 thr %.3f (%4.2f), no list %.3f (%4.2f)\n", bestFloor,
                    fastest(run), fastest(run) / bestFloor, fastest(oneThread), fastest(oneThread) / bestFloor,
                    fastest(bare), fastest(bare) / bestFloor);
        if (c.set.rows.empty() && !c.set.keys[0].inUse() && listRows > 0)
            std::printf("  default list: %d rows, %.1f MB per million rows\n", listRows,
                        double(listBytes) / double(listRows) * 1e6 / 1048576.0);
        std::fflush(stdout);
    }
}

int benchYears(int years, const bench::Options& options)
{
    const std::unique_ptr<support::GeneratedData> generated = bench::generatedData(years);
    if (!generated)
        return 1;
    support::GeneratedData& data = *generated;
    const std::vector<Case> all = cases();
    const std::vector<std::size_t> chosen = options.chosenCases(all.size());
    if (options.has("--settings"))
        benchSettings(data.context(), all, chosen, options.rounds);
    else
        benchRuns(data.context(), all, chosen, options.rounds);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const bench::Options options = bench::parseOptions(argc, argv, 5, {"--settings"});
    int status = 0;
    for (const int y : options.years)
        status |= benchYears(y, options);
    return status;
}
