// gen-data: writes a deterministic demo set of the race-data databases.
#include "Commands.h"

#include "tools/RaceDataGenerator.h"

#include <QFileInfo>

#include <cstdio>

namespace tq::app {

namespace {

int usage()
{
    std::fputs("usage: DEVovuved gen-data --out DIR [--years N] [--seed S]\n"
               "  --out DIR    directory to write korven_data.mdb, korven_this.mdb, korven_code.mdb,\n"
               "               korven_keto.mdb and VUDevuzI.mdb into (created when missing)\n"
               "  --years N    years of past races, 1-50 (default 1, about 45,000 runners a year)\n"
               "  --seed S     seed of the generator (default 1); the same seed gives the same data\n",
               stderr);
    return 2;
}

} // namespace

int runGenData(const CommandLine& cl)
{
    tq::tools::GenOptions options;
    const QStringList& a = cl.args;
    for (int i = 0; i < a.size(); ++i) {
        const QString& opt = a.at(i);
        if (i + 1 >= a.size())
            return usage();
        const QString value = a.at(++i);
        bool ok = true;
        if (opt == QLatin1String("--out")) {
            options.outDir = value;
        } else if (opt == QLatin1String("--years")) {
            options.years = value.toInt(&ok);
            ok = ok && options.years >= 1 && options.years <= 50;
        } else if (opt == QLatin1String("--seed")) {
            options.seed = value.toULongLong(&ok);
        } else {
            ok = false;
        }
        if (!ok)
            return usage();
    }
    if (options.outDir.isEmpty())
        return usage();

    tq::tools::GenReport report;
    QString error;
    if (!tq::tools::generateRaceData(options, &report, &error)) {
        std::fprintf(stderr, "gen-data: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("past races: %d (%d runners), today's races: %d (%d runners)\n", report.pastRaces, report.pastRunners,
                report.todayRaces, report.todayRunners);
    std::printf("horses: %d, jockeys: %d, trainers: %d, sires: %d\n", report.horses, report.jockeys, report.trainers,
                report.sires);
    for (const QString& f : report.files)
        std::printf("wrote %s (%lld bytes)\n", qPrintable(f), static_cast<long long>(QFileInfo(f).size()));
    std::printf("time: %.2f s\n", report.seconds);
    std::printf("VUDevuzI.mdb is linked from the program directory: copy it there (or start with --app-dir %s).\n",
                qPrintable(options.outDir));
    return 0;
}

} // namespace tq::app
