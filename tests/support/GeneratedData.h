#pragma once
// Generated race data prepared the way the program prepares it at start-up:
// in a temporary folder, a program directory with the built catalogue, the
// initial application database and the deviation database, the generator's
// race data beside it, a KORVEN.INI naming that data, and the preparation
// itself (database check, compaction, links, schema upgrade) run on them.
// Afterwards context() is what the program has once it started: the
// catalogue read, the race data linked, the application database open.
//
// Generating one year and preparing it take a few seconds: build one per test
// suite (or per benchmark run) and share it.

#include "context/AppContext.h"
#include "context/ScriptedPrompter.h"
#include "store/Database.h"
#include "tools/RaceDataGenerator.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdint>
#include <string>

namespace tq::support {

class GeneratedData final {
  public:
    // Generates `years` years of past races (ending 2025) with `seed`, or
    // only the last `months` months of 2025 when that is above 0, and
    // prepares them. On failure problem() says what failed; nothing throws.
    explicit GeneratedData(int years = 1, std::uint64_t seed = 1, int months = 0);
    GeneratedData(const GeneratedData&) = delete;
    GeneratedData& operator=(const GeneratedData&) = delete;

    // Empty when the data is ready.
    const std::string& problem() const { return m_problem; }
    bool ready() const { return m_problem.empty(); }

    context::AppContext& context() { return m_ctx; }
    context::ScriptedPrompter& prompter() { return m_prompter; }
    const tools::GenReport& report() const { return m_report; }
    // The race-data directory (KORVEN.INI's DBDir) and the program directory.
    QString dataDir() const;
    QString programDir() const;
    QString korvenIni() const;

    // What a run of the built program printed and how it ended.
    struct ProgramRun {
        int exitCode = -1;
        QString out, err;
    };
    // Runs the built program on this data as a user runs it: with --app-dir
    // the program directory and $KORVEN_INI naming the race data, then
    // `args`. A run that has not ended within two minutes is killed and
    // reported with exit code -1.
    ProgramRun runProgram(const QStringList& args) const;

  private:
    void generateAndPrepare(int years, std::uint64_t seed, int months);

    QTemporaryDir m_dir;
    context::ScriptedPrompter m_prompter;
    context::SilentBusy m_busy;
    context::AppContext m_ctx{m_prompter, m_busy};
    tools::GenReport m_report;
    std::string m_problem;
};

} // namespace tq::support
