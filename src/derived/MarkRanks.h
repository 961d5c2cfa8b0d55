#pragma once
// The per-race ranks of the mark results: for each ranked column, the
// runners of one race numbered 1, 2, 3 … in descending order of the value.
// Equal values get consecutive, different ranks in the runners' order (horse
// number); runners without a value rank after every runner with one.

#include "derived/MarkRates.h"

#include <array>
#include <vector>

namespace tq::derived {

using MarkRanks = std::array<int, kMarkRankCount>;

// The ranks of every runner of one race, `race` in horse-number order; the
// result is parallel to it. Columns as markRankedStatistics().
std::vector<MarkRanks> rankWithinRace(const std::vector<MarkValues>& race);

} // namespace tq::derived
