#include "derived/MarkRanks.h"

#include <numeric>

namespace tq::derived {

std::vector<MarkRanks> rankWithinRace(const std::vector<MarkValues>& race)
{
    std::vector<MarkRanks> ranks(race.size());
    std::vector<std::size_t> order(race.size());
    const auto& ranked = markRankedStatistics();
    for (std::size_t k = 0; k < ranked.size(); ++k) {
        const std::size_t column = std::size_t(ranked[k]);
        const auto before = [&](std::size_t a, std::size_t b) {
            const std::optional<double>& x = race[a][column];
            const std::optional<double>& y = race[b][column];
            if (x && y)
                return *x > *y;
            return x.has_value() && !y.has_value();
        };
        // Insertion sort: a race has a few runners, and it is stable, so equal
        // values (and Nulls among themselves) keep horse-number order.
        std::iota(order.begin(), order.end(), std::size_t(0));
        for (std::size_t i = 1; i < order.size(); ++i) {
            const std::size_t runner = order[i];
            std::size_t j = i;
            for (; j > 0 && before(runner, order[j - 1]); --j)
                order[j] = order[j - 1];
            order[j] = runner;
        }
        for (std::size_t position = 0; position < order.size(); ++position)
            ranks[order[position]][k] = int(position) + 1;
    }
    return ranks;
}

} // namespace tq::derived
