#include "Commands.h"

#include <cstdio>

namespace tq::app {

int runSql(const CommandLine&)
{
    std::fputs("sql: not built yet\n", stderr);
    return 1;
}

} // namespace tq::app
