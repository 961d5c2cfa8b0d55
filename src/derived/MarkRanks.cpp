#include "derived/MarkRanks.h"

#include <algorithm>
#include <numeric>

namespace tq::derived {

std::vector<MarkRanks> rankWithinRace(const std::vector<MarkValues>& race)
{
    std::vector<MarkRanks> ranks(race.size());
    std::vector<std::size_t> order(race.size());
    const auto& ranked = markRankedStatistics();
    for (std::size_t k = 0; k < ranked.size(); ++k) {
        const std::size_t column = std::size_t(ranked[k]);
        std::iota(order.begin(), order.end(), std::size_t(0));
        // Stable: equal values (and Nulls among themselves) keep horse-number order.
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            const std::optional<double>& x = race[a][column];
            const std::optional<double>& y = race[b][column];
            if (x && y)
                return *x > *y;
            return x.has_value() && !y.has_value();
        });
        for (std::size_t position = 0; position < order.size(); ++position)
            ranks[order[position]][k] = int(position) + 1;
    }
    return ranks;
}

} // namespace tq::derived
