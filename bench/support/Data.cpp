#include "Data.h"

#include <cstdio>

namespace tq::bench {

std::unique_ptr<support::GeneratedData> generatedData(int years)
{
    std::printf("generating and preparing %d year(s) ...\n", years);
    std::fflush(stdout);
    auto data = std::make_unique<support::GeneratedData>(years);
    if (!data->ready()) {
        std::fprintf(stderr, "%s\n", data->problem().c_str());
        return nullptr;
    }
    std::printf("%d races, %d runners (%.1f s)\n", data->report().pastRaces, data->report().pastRunners,
                data->report().seconds);
    std::fflush(stdout);
    return data;
}

} // namespace tq::bench
