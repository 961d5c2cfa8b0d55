#include "Commands.h"

#include <cstdio>

namespace tq::app {

int runGenData(const CommandLine&)
{
    std::fputs("gen-data: not built yet\n", stderr);
    return 1;
}

} // namespace tq::app
