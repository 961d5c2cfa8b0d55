// Race-data generation time per 100k runners (whole gen-data run: simulation
// and all five databases). Argument: years of past races (about 45k runners
// each). bench_gen --benchmark_filter=/20 measures the one-million-runner set.

#include "tools/RaceDataGenerator.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

void BM_Generate(benchmark::State& state)
{
    double runners = 0, seconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        state.ResumeTiming();
        tq::tools::GenOptions o;
        o.outDir = dir.path();
        o.years = int(state.range(0));
        o.seed = 1;
        tq::tools::GenReport report;
        QString error;
        if (!tq::tools::generateRaceData(o, &report, &error)) {
            state.SkipWithError(qPrintable(error));
            return;
        }
        runners += report.pastRunners + report.todayRunners;
        seconds += report.seconds;
    }
    state.counters["runners"] = runners / double(state.iterations());
    state.counters["s_per_100k_runners"] = seconds / runners * 100000;
}

BENCHMARK(BM_Generate)->Arg(1)->Arg(3)->Arg(20)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
