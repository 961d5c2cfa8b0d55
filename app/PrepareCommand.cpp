// prepare: the start-up check and preparation of the application database,
// headless: restore or initialise the file, compact it, relink the race-data
// tables, upgrade the schema, rewrite the add-in rows; then report what it did.
#include "Commands.h"

#include "appdb/KorvenIni.h"
#include "appdb/Preparation.h"
#include "appdb/StartupAborted.h"
#include "context/AppContext.h"
#include "context/ConsolePrompter.h"

#include <QElapsedTimer>

#include <cstdio>

namespace tq::app {

namespace {

using tq::context::PreparationReport;

// With --verbose, the progress texts go to stderr with the time since the start.
class ConsoleBusy final : public tq::context::Busy {
public:
    explicit ConsoleBusy(bool verbose) : m_verbose(verbose) { m_timer.start(); }
    void show() override {}
    void hide() override {}
    void setProgress(const QString& text) override
    {
        if (!m_verbose)
            return;
        QString flat = text;
        flat.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
        std::fprintf(stderr, "[%6lld ms] %s\n", static_cast<long long>(m_timer.elapsed()), flat.toUtf8().constData());
    }
    void yield() override {}
    bool cancelled() const override { return false; }

private:
    bool m_verbose;
    QElapsedTimer m_timer;
};

int usage()
{
    std::fputs("usage: DEVovuved [--app-dir DIR] prepare [--yes | --no] [--verbose]\n"
               "  checks the application database (restoring or initialising it when missing),\n"
               "  compacts it, relinks the race-data tables named by KORVEN.INI and the catalogue,\n"
               "  upgrades its schema and rewrites the add-in registry rows\n"
               "  --yes / --no  the answer to any question (default: no)\n"
               "  --verbose     print each progress step with its time on stderr\n"
               "  exit status: 0 prepared, 1 stopped, or a race-data file it links is missing or\n"
               "  unreadable (each named on stderr), 2 wrong usage\n",
               stderr);
    return 2;
}

void out(const QString& line)
{
    std::fputs(QString(line + QLatin1Char('\n')).toUtf8().constData(), stdout);
}

QString sourceText(PreparationReport::Source source)
{
    switch (source) {
    case PreparationReport::Source::Present: return QStringLiteral("present");
    case PreparationReport::Source::Backup: return QStringLiteral("restored from DEVovuved.mdb.001");
    case PreparationReport::Source::Initial: return QStringLiteral("initialised from DEVovuved_init.mdb");
    case PreparationReport::Source::NotChecked: break;
    }
    return QStringLiteral("not checked");
}

QString compactionText(PreparationReport::Compaction compaction)
{
    switch (compaction) {
    case PreparationReport::Compaction::Compacted: return QStringLiteral("compacted");
    case PreparationReport::Compaction::SkippedInUse: return QStringLiteral("skipped: the database is in use");
    case PreparationReport::Compaction::Failed: return QStringLiteral("failed");
    case PreparationReport::Compaction::NotRun: break;
    }
    return QStringLiteral("not run");
}

} // namespace

int runPrepare(const CommandLine& cl)
{
    std::optional<tq::context::Answer> answer;
    bool verbose = false;
    for (const QString& arg : cl.args) {
        if (arg == QLatin1String("--verbose"))
            verbose = true;
        else if (arg == QLatin1String("--yes"))
            answer = tq::context::Answer::Yes;
        else if (arg == QLatin1String("--no"))
            answer = tq::context::Answer::No;
        else
            return usage();
    }

    tq::context::ConsolePrompter prompter(answer);
    ConsoleBusy busy(verbose);
    tq::context::AppContext ctx(prompter, busy);
    ctx.programDir = cl.appDir;
    ctx.errorLog.setExeName(QStringLiteral("DEVovuved"));

    QElapsedTimer timer;
    timer.start();
    const QString iniPath = tq::appdb::findKorvenIni(ctx.programDir);
    try {
        tq::appdb::prepareHeadless(ctx);
    } catch (const tq::appdb::StartupAborted& e) {
        std::fprintf(stderr, "prepare: stopped in %s\n", e.what());
        return 1;
    }
    const qint64 ms = timer.elapsed();

    const PreparationReport& r = ctx.preparation;
    out(QStringLiteral("KORVEN.INI:  ") + iniPath);
    out(QStringLiteral("race data:   ") + (ctx.korvenDir.isEmpty() ? QStringLiteral("(DBDir not set)") : ctx.korvenDir));
    out(QStringLiteral("database:    ") + ctx.appDbPath() + QStringLiteral(" (") + sourceText(r.source)
        + QLatin1Char(')'));
    out(QStringLiteral("compaction:  ") + compactionText(r.compaction)
        + (r.keptWorkFile.isEmpty() ? QString() : QStringLiteral("; earlier work file kept as ") + r.keptWorkFile));
    out(QStringLiteral("links:       %1 of %2 made").arg(r.linksMade).arg(r.linksRequested)
        + (r.missingLinks.isEmpty() ? QString() : QStringLiteral(" (missing: ") + r.missingLinks.join(QStringLiteral(", ")) + QLatin1Char(')')));
    out(QStringLiteral("upgrades:    ") + (r.upgrades.isEmpty() ? QStringLiteral("none") : r.upgrades.join(QStringLiteral(", "))));
    out(QStringLiteral("add-in rows: %1 written").arg(r.addinRows));
    out(QStringLiteral("backup:      ")
        + (r.verifiedCopy.isEmpty() ? QString(QStringLiteral("not written: ") + r.copyProblem)
                                    : QString(r.verifiedCopy + QStringLiteral(" (integrity_check passed)"))));
    if (!r.damagedFile.isEmpty())
        out(QStringLiteral("damaged:     the damaged database was moved to ") + r.damagedFile);
    out(QStringLiteral("time:        %1 ms").arg(ms));
    // A race-data file that cannot serve its links makes every analysis
    // fail later: the preparation is not a success.
    for (const QString& problem : r.raceDataProblems)
        std::fprintf(stderr, "prepare: %s\n", problem.toUtf8().constData());
    return r.raceDataProblems.isEmpty() ? 0 : 1;
}

} // namespace tq::app
