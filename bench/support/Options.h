#pragma once
// The command line the benchmarks on generated data share:
//   --years N   one data set of N years (repeatable; default 1)
//   --rounds R  interleaved rounds (default: the benchmark's own)
//   --case I    only the I-th case, 0-based (repeatable; default all)
// and flags without a value that a benchmark names itself.

#include <cstddef>
#include <initializer_list>
#include <string>
#include <vector>

namespace tq::bench {

struct Options {
    std::vector<int> years;
    int rounds = 1;
    std::vector<std::size_t> cases;
    std::vector<std::string> flags; // the flags given, of those the benchmark knows

    bool has(const char* flag) const;
    // The indices of the cases chosen among `count` (every one when none was).
    std::vector<std::size_t> chosenCases(std::size_t count) const;
};

Options parseOptions(int argc, char** argv, int defaultRounds, std::initializer_list<const char*> knownFlags = {});

} // namespace tq::bench
