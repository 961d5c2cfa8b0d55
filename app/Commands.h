#pragma once
// The subcommands of the program. Each takes the arguments after its name and
// returns the process exit code (0 success, 1 failure, 2 wrong usage).

#include <QStringList>

namespace tq::app {

struct CommandLine {
    QString appDir;      // --app-dir, or the executable's directory
    QStringList args;    // the arguments after the subcommand's name
};

int runSql(const CommandLine& cl);
int runGenData(const CommandLine& cl);
int runPrepare(const CommandLine& cl);
int runAnalyze(const CommandLine& cl);
int runTables(const CommandLine& cl);
int runBet(const CommandLine& cl);
int runImportJet(const CommandLine& cl);
int runFavourites(const CommandLine& cl);

} // namespace tq::app
