// The program: the GUI without arguments or with GUI options, a subcommand
// otherwise.
// --app-dir DIR (anywhere on the line) selects the program directory for the
// GUI and for every subcommand.

#include "Commands.h"

#include "shell/GuiOptions.h"
#include "shell/ui/GuiStartup.h"

#include <QApplication>
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
        {QStringLiteral("prepare"), {tq::app::runPrepare, "prepare [--yes | --no]   check, restore or initialise, compact, relink and upgrade the application database"}},
        {QStringLiteral("analyze"), {tq::app::runAnalyze, "analyze FILE.tqb [--csv OUT] [--list OUT] [--save OUT.tqb] [--keys \"KEY[:RANGE],...\"] [--no-list]   run a condition file and print its result"}},
        {QStringLiteral("tables"), {tq::app::runTables, "tables marks --today | --past | aggregate add FILE.tqb --name N | aggregate today [N]   build the derived tables (Ctrl-C cancels, keeping the old table)"}},
        {QStringLiteral("bet"), {tq::app::runBet, "bet (--box NAME | --flow AXIS PARTNER) [--group] [--csv OUT]   count the bet-type tickets of favourites"}},
        {QStringLiteral("import-jet"), {tq::app::runImportJet, "import-jet --from DIR --out DIR [--accept-damaged] | --app FILE.mdb [--replace]   convert Jet race data, or import an old application database"}},
        {QStringLiteral("favourites"), {tq::app::runFavourites, "favourites list|add|show|delete|rename|move ...   list, register and organise the favourites"}},
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
    std::printf("Usage: DEVovuved [--app-dir DIR] [COMMAND ARGS...]\n"
                "       DEVovuved [--app-dir DIR] [FILE.tqb | --open FILE] [--view FILE] [--run] [--tab NAME]\n"
                "                 [--split YYYY/MM/DD] [--intervals] [--size WxH] [--screenshot PNG]\n"
                "  without a command: the GUI\n\n");
    std::printf("Options:\n  --help        this text\n  --version     the program's version\n"
                "  --app-dir DIR the program directory (catalogue, application database)\n\n"
                "GUI options:\n"
                "  --open FILE   open a condition file into a new document after start-up\n"
                "  --view FILE   then open a condition file in a viewer\n"
                "  --run         run the opened document's analysis\n"
                "  --tab NAME    show the document's tab: conditions, result, list, history or check\n"
                "  --split YYYY/MM/DD  the opened document's run also counts each group before and from\n"
                "                the date (the check tab)\n"
                "  --intervals   the opened document's run gives each group its return-rate intervals\n"
                "  --size WxH    the main window's size in pixels\n"
                "  --screenshot PNG  start without questions, render the main window into PNG and quit\n"
                "                (exit status 0, or 1 when PNG cannot be written)\n\nCommands:\n");
    for (const auto& [name, entry] : commands())
        std::printf("  %s\n", entry.second);
}

// Removes every "--app-dir DIR" from the arguments; returns DIR (the last
// one given) or an empty text. `bad` is set when the option lacks its value
// or the value is empty (which would silently mean the executable's
// directory).
QString takeAppDir(QStringList& args, bool& bad)
{
    QString dir;
    for (int i = 0; i < args.size();) {
        if (args.at(i) != QLatin1String("--app-dir")) {
            ++i;
            continue;
        }
        if (i + 1 >= args.size() || args.at(i + 1).isEmpty()) {
            bad = true;
            args.remove(i, std::min<qsizetype>(2, args.size() - i));
            continue;
        }
        dir = args.at(i + 1);
        args.remove(i, 2);
    }
    return dir;
}

} // namespace

int main(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    bool badAppDir = false;
    const QString appDirOption = takeAppDir(args, badAppDir);
    if (badAppDir) {
        std::fputs("--app-dir needs a directory (see --help)\n", stderr);
        return 2;
    }

    if (tq::shell::isGuiCommandLine(args)) {
        tq::shell::GuiOptions options;
        const QString error = tq::shell::parseGuiOptions(args, options);
        if (!error.isEmpty()) {
            std::fprintf(stderr, "%s (see --help)\n", qPrintable(error));
            return 2;
        }
        QApplication app(argc, argv);
        const QString appDir =
            appDirOption.isEmpty() ? QCoreApplication::applicationDirPath() : QDir(appDirOption).absolutePath();
        return tq::shell::ui::runGui(appDir, options);
    }

    QCoreApplication app(argc, argv);
    tq::app::CommandLine cl;
    cl.appDir = appDirOption.isEmpty() ? QCoreApplication::applicationDirPath() : QDir(appDirOption).absolutePath();
    if (args.first() == QLatin1String("--help") || args.first() == QLatin1String("-h")) {
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
