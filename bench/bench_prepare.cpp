// Time of the prepare command's work (database check, compaction, relinking,
// schema upgrade, add-in registry) on the default generated race data.
// Prints the median of several runs for a fresh program directory (the
// initial database copied and upgraded) and for a prepared one (the usual
// start with preparation: compaction, relinking, add-in rows only).
//
//   bench_prepare [--years N]

#include "appdb/Preparation.h"
#include "context/AppContext.h"
#include "context/ScriptedPrompter.h"
#include "store/Database.h"
#include "tools/RaceDataGenerator.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double prepareOnce(const QString& appDir)
{
    tq::context::ScriptedPrompter prompter;
    tq::context::SilentBusy busy;
    tq::context::AppContext ctx(prompter, busy);
    ctx.programDir = appDir;
    QElapsedTimer timer;
    timer.start();
    tq::appdb::prepareHeadless(ctx);
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    if (ctx.preparation.linksMade != ctx.preparation.linksRequested || !prompter.messages().empty())
        std::fprintf(stderr, "warning: %d of %d links, %zu messages\n", ctx.preparation.linksMade,
                     ctx.preparation.linksRequested, prompter.messages().size());
    return ms;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int years = 1;
    const QStringList args = app.arguments();
    if (args.size() == 3 && args.at(1) == QLatin1String("--years"))
        years = args.at(2).toInt();

    QTemporaryDir temp;
    const QDir root(temp.path());
    root.mkpath(QStringLiteral("app"));
    const QString appDir = root.filePath(QStringLiteral("app"));
    const QString korvenDir = root.filePath(QStringLiteral("korven"));
    // The build puts the benchmarks in bench/ beside bin/, which holds the
    // built catalogue and initial database.
    const QString binDir = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../bin"));

    tq::tools::GenOptions options;
    options.outDir = korvenDir;
    options.years = years;
    tq::tools::GenReport report;
    QString error;
    if (!tq::tools::generateRaceData(options, &report, &error)) {
        std::fprintf(stderr, "gen-data failed: %s\n", qPrintable(error));
        return 1;
    }
    QFile::copy(QDir(binDir).filePath(QStringLiteral("DEVovuved.ini")), QDir(appDir).filePath(QStringLiteral("DEVovuved.ini")));
    QFile::copy(QDir(binDir).filePath(QStringLiteral("DEVovuved_init.mdb")),
                QDir(appDir).filePath(QStringLiteral("DEVovuved_init.mdb")));
    QFile::copy(QDir(korvenDir).filePath(QStringLiteral("VUDevuzI.mdb")), QDir(appDir).filePath(QStringLiteral("VUDevuzI.mdb")));
    const QString ini = root.filePath(QStringLiteral("KORVEN.INI"));
    QFile f(ini);
    f.open(QIODevice::WriteOnly);
    f.write(QByteArray("[main]\r\nDBDir=") + korvenDir.toLocal8Bit() + "\r\n[FILENAME]\r\nLOGDAT="
            + root.filePath(QStringLiteral("TQ.log")).toLocal8Bit() + "\r\n");
    f.close();
    qputenv("KORVEN_INI", ini.toLocal8Bit());
    std::printf("race data: %d past runners, %d today's runners\n", report.pastRunners, report.todayRunners);

    const QString appDb = QDir(appDir).filePath(QStringLiteral("DEVovuved.mdb"));
    const int runs = 7;
    std::vector<double> fresh, prepared;
    for (int i = 0; i < runs; ++i) {
        QFile::remove(appDb);
        fresh.push_back(prepareOnce(appDir));
        prepared.push_back(prepareOnce(appDir));
    }
    std::printf("prepare, fresh program directory: median %.1f ms (min %.1f) over %d runs\n", median(fresh),
                *std::min_element(fresh.begin(), fresh.end()), runs);
    std::printf("prepare, prepared database:       median %.1f ms (min %.1f) over %d runs\n", median(prepared),
                *std::min_element(prepared.begin(), prepared.end()), runs);
    std::printf("goal: under 1000 ms\n");
    return 0;
}
