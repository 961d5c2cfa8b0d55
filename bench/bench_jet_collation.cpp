// Cost of the JET collation on the join every analysis makes: runners joined
// to their race through an index on an 8-character race key. The same data is
// built three times: keys declared BINARY, keys declared COLLATE JET (all
// ASCII digits, the fast path), and COLLATE JET with full-width digits (the
// general fold). After the Google Benchmark runs, a paired measurement prints
// the JET / BINARY ratios.
//
//   bench_jet_collation [--races=N] [benchmark options]

#include "store/JetExtensions.h"
#include "store/JetFold.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

int g_races = 20000; // about 14 runners each

enum class Keys { Binary, JetAscii, JetFullWidth };

using Db = std::unique_ptr<sqlite3, decltype(&sqlite3_close)>;

void exec(sqlite3* db, const std::string& sql)
{
    char* message = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        const std::string text = message ? message : "?";
        sqlite3_free(message);
        throw std::runtime_error(text + " in " + sql);
    }
}

std::string raceKey(int race, Keys keys)
{
    char ascii[16];
    std::snprintf(ascii, sizeof ascii, "%08d", 20000000 + race);
    if (keys != Keys::JetFullWidth) {
        return ascii;
    }
    std::string wide; // U+FF10.. full-width digits, 3 bytes each
    for (const char* p = ascii; *p; ++p) {
        wide += "\xEF\xBC";
        wide += static_cast<char>(0x90 + (*p - '0'));
    }
    return wide;
}

Db build(Keys keys)
{
    sqlite3* raw = nullptr;
    sqlite3_open(":memory:", &raw);
    Db db(raw, sqlite3_close);
    tq::store::registerJetExtensions(raw);
    const std::string collate = keys == Keys::Binary ? "" : " COLLATE JET";
    exec(raw, "CREATE TABLE races (k CHAR(8)" + collate + " NOT NULL PRIMARY KEY, distance INTEGER)");
    exec(raw, "CREATE TABLE runners (k CHAR(8)" + collate + " NOT NULL, horse INTEGER, place INTEGER)");
    exec(raw, "BEGIN");
    sqlite3_stmt* race = nullptr;
    sqlite3_stmt* runner = nullptr;
    sqlite3_prepare_v2(raw, "INSERT INTO races VALUES (?, ?)", -1, &race, nullptr);
    sqlite3_prepare_v2(raw, "INSERT INTO runners VALUES (?, ?, ?)", -1, &runner, nullptr);
    // Runners are inserted in an order unrelated to the race key, as results
    // files often are, so the join really searches the index.
    for (int r = 0; r < g_races; ++r) {
        const int scrambled = static_cast<int>((static_cast<long long>(r) * 7919) % g_races);
        const std::string key = raceKey(scrambled, keys);
        sqlite3_bind_text(race, 1, key.data(), static_cast<int>(key.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int(race, 2, 1000 + r % 2000);
        sqlite3_step(race);
        sqlite3_reset(race);
        for (int h = 1; h <= 14; ++h) {
            sqlite3_bind_text(runner, 1, key.data(), static_cast<int>(key.size()), SQLITE_TRANSIENT);
            sqlite3_bind_int(runner, 2, h);
            sqlite3_bind_int(runner, 3, (h * 5 + r) % 14 + 1);
            sqlite3_step(runner);
            sqlite3_reset(runner);
        }
    }
    sqlite3_finalize(race);
    sqlite3_finalize(runner);
    exec(raw, "CREATE INDEX runners_k ON runners (k, horse)");
    exec(raw, "COMMIT");
    return db;
}

// Steps the join over every runner row and reads its columns.
long long runJoin(sqlite3* db)
{
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT u.k, u.horse, u.place, r.distance FROM runners u "
                       "INNER JOIN races r ON r.k = u.k WHERE u.place <= 3 ORDER BY u.k, u.horse",
                       -1, &statement, nullptr);
    long long sum = 0;
    while (sqlite3_step(statement) == SQLITE_ROW) {
        sum += sqlite3_column_bytes(statement, 0) + sqlite3_column_int(statement, 1) +
               sqlite3_column_int(statement, 3);
    }
    sqlite3_finalize(statement);
    return sum;
}

sqlite3* database(Keys keys)
{
    static Db binary = build(Keys::Binary);
    static Db jetAscii = build(Keys::JetAscii);
    static Db jetWide = build(Keys::JetFullWidth);
    return keys == Keys::Binary ? binary.get() : keys == Keys::JetAscii ? jetAscii.get() : jetWide.get();
}

void BM_IndexedJoin(benchmark::State& state)
{
    const auto keys = static_cast<Keys>(state.range(0));
    sqlite3* db = database(keys);
    for (auto _ : state) {
        benchmark::DoNotOptimize(runJoin(db));
    }
    state.SetItemsProcessed(state.iterations() * g_races * 14 * 3 / 14);
}
BENCHMARK(BM_IndexedJoin)
    ->ArgName("keys_binary0_jet1_jetwide2")
    ->Arg(static_cast<int>(Keys::Binary))
    ->Arg(static_cast<int>(Keys::JetAscii))
    ->Arg(static_cast<int>(Keys::JetFullWidth))
    ->Unit(benchmark::kMillisecond);

// Process CPU time: the machine running benchmarks is often shared, and
// waiting for a core is not the collation's cost.
// The comparison alone, on neighbouring race keys (as a B-tree search sees
// them): memcmp as BINARY does it, against jetCompare.
void BM_CompareKeys(benchmark::State& state)
{
    const auto keys = static_cast<Keys>(state.range(0));
    std::vector<std::string> texts;
    for (int r = 0; r < 1024; ++r) {
        texts.push_back(raceKey(r * 37, keys == Keys::Binary ? Keys::JetAscii : keys));
    }
    long long sum = 0;
    for (auto _ : state) {
        for (std::size_t k = 1; k < texts.size(); ++k) {
            const std::string& a = texts[k - 1];
            const std::string& b = texts[k];
            if (keys == Keys::Binary) {
                const int c = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
                sum += c != 0 ? c : static_cast<int>(a.size()) - static_cast<int>(b.size());
            } else {
                sum += tq::store::jetCompare(a, b);
            }
        }
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(state.iterations() * 1023);
}
BENCHMARK(BM_CompareKeys)
    ->ArgName("keys_binary0_jet1_jetwide2")
    ->Arg(static_cast<int>(Keys::Binary))
    ->Arg(static_cast<int>(Keys::JetAscii))
    ->Arg(static_cast<int>(Keys::JetFullWidth));

double seconds(Keys keys)
{
    const std::clock_t start = std::clock();
    benchmark::DoNotOptimize(runJoin(database(keys)));
    return static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
}

// Alternates the variants so drift on a shared machine hits all alike, and
// prints the median of the per-round ratios.
void printRatios()
{
    std::vector<double> ascii;
    std::vector<double> wide;
    for (int round = 0; round < 9; ++round) {
        const double binary = seconds(Keys::Binary);
        ascii.push_back(seconds(Keys::JetAscii) / binary);
        wide.push_back(seconds(Keys::JetFullWidth) / binary);
    }
    const auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    std::printf("races=%d runners=%d rows=%d\n", g_races, g_races * 14, g_races * 3);
    std::printf("ratio JET(ascii keys)/BINARY      = %.3f (CPU time, median of 9 paired rounds)\n", median(ascii));
    std::printf("ratio JET(full-width keys)/BINARY = %.3f (CPU time, median of 9 paired rounds)\n", median(wide));
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<char*> rest;
    for (int k = 0; k < argc; ++k) {
        if (std::strncmp(argv[k], "--races=", 8) == 0) {
            g_races = std::max(1, std::atoi(argv[k] + 8));
        } else {
            rest.push_back(argv[k]);
        }
    }
    int restCount = static_cast<int>(rest.size());
    benchmark::Initialize(&restCount, rest.data());
    if (benchmark::ReportUnrecognizedArguments(restCount, rest.data())) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printRatios();
    return 0;
}
