// The program: the GUI without arguments, a subcommand with arguments.

#include "Commands.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>
#include <functional>
#include <map>

namespace {

using Runner = std::function<int(const tq::app::CommandLine&)>;

const std::map<QString, std::pair<Runner, const char*>>& commands()
{
    static const std::map<QString, std::pair<Runner, const char*>> table = {
        {QStringLiteral("sql"), {tq::app::runSql, "sql DB \"JET SQL\"        run one Jet SQL statement against DB (with its links)"}},
        {QStringLiteral("gen-data"), {tq::app::runGenData, "gen-data --out DIR [--years N] [--seed S]   write demo race-data databases"}},
    };
    return table;
}

QString versionText()
{
    return QStringLiteral("%1.%2.%3").arg(TQ_VERSION_MAJOR).arg(TQ_VERSION_MINOR).arg(TQ_VERSION_PATCH);
}

void printHelp()
{
    std::printf("DEVovuved %s: analysis of past horse-race data\n\n", qPrintable(versionText()));
    std::printf("Usage: DEVovuved [--app-dir DIR] [COMMAND ARGS...]\n\n");
    std::printf("Options:\n  --help        this text\n  --version     the program's version\n"
                "  --app-dir DIR the program directory (catalogue, application database)\n\nCommands:\n");
    for (const auto& [name, entry] : commands())
        std::printf("  %s\n", entry.second);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);

    tq::app::CommandLine cl;
    cl.appDir = QCoreApplication::applicationDirPath();
    if (args.size() >= 2 && args.first() == QLatin1String("--app-dir")) {
        cl.appDir = QDir(args.at(1)).absolutePath();
        args = args.mid(2);
    }
    if (args.isEmpty() || args.first() == QLatin1String("--help") || args.first() == QLatin1String("-h")) {
        printHelp();
        return 0;
    }
    if (args.first() == QLatin1String("--version")) {
        std::printf("DEVovuved %s\n", qPrintable(versionText()));
        return 0;
    }
    const auto it = commands().find(args.first());
    if (it == commands().end()) {
        std::fprintf(stderr, "unknown command: %s (see --help)\n", qPrintable(args.first()));
        return 2;
    }
    cl.args = args.mid(1);
    return it->second.first(cl);
}
