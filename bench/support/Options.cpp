#include "Options.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace tq::bench {

bool Options::has(const char* flag) const
{
    return std::find(flags.begin(), flags.end(), flag) != flags.end();
}

std::vector<std::size_t> Options::chosenCases(std::size_t count) const
{
    std::vector<std::size_t> out;
    for (std::size_t i = 0; i < count; ++i)
        if (cases.empty() || std::find(cases.begin(), cases.end(), i) != cases.end())
            out.push_back(i);
    return out;
}

Options parseOptions(int argc, char** argv, int defaultRounds, std::initializer_list<const char*> knownFlags)
{
    Options options;
    options.rounds = defaultRounds;
    for (int i = 1; i < argc; ++i) {
        const char* opt = argv[i];
        const bool known = std::any_of(knownFlags.begin(), knownFlags.end(),
                                       [opt](const char* flag) { return std::strcmp(opt, flag) == 0; });
        if (known) {
            options.flags.emplace_back(opt);
            continue;
        }
        if (i + 1 >= argc)
            break;
        const int value = std::atoi(argv[++i]);
        if (std::strcmp(opt, "--years") == 0)
            options.years.push_back(std::max(1, value));
        else if (std::strcmp(opt, "--rounds") == 0)
            options.rounds = std::max(1, value);
        else if (std::strcmp(opt, "--case") == 0)
            options.cases.push_back(std::size_t(std::max(0, value)));
    }
    if (options.years.empty())
        options.years.push_back(1);
    return options;
}

} // namespace tq::bench
