// Cost of a win-type analysis against its floor, measured in one run on
// generated race data: the floor is stepping through the rows of the same
// statement with the raw SQLite API (reading every column); the analysis is
// the whole engine run (statement through the database layer, group fold,
// labels, default horse list). Prints, per case, both times and their ratio
// (goal: at most 1.3), and the memory of the default list per million rows.
//
// Usage: bench_analysis [--years N ...] [--rounds R]
//   --years N   one data set of N years (repeatable; default 1; 20 is the
//               large set of about 900,000 runners)
//   --rounds R  interleaved rounds per case, best time kept (default 3)
// Times are the thread's CPU time, so other processes on the machine do not
// count.

#include "analysis/AnalysisDocument.h"
#include "analysis/AnalysisQuery.h"
#include "analysis/HorseList.h"
#include "analysis/Statistics.h"
#include "conditions/CatalogueReader.h"
#include "shell/AppContext.h"
#include "shell/ScriptedPrompter.h"
#include "store/Database.h"
#include "store/JetTranslator.h"
#include "store/Operations.h"
#include "tools/RaceDataGenerator.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>

using namespace tq;

namespace {

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

double cpuNow()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

double seconds(const std::function<void()>& f)
{
    const double start = cpuNow();
    f();
    return cpuNow() - start;
}

conditions::ConditionCatalogue catalogue(common::ErrorLog& log)
{
    conditions::ConditionCatalogue cat;
    const QString path = QFileInfo(QStringLiteral(__FILE__)).dir().filePath(QStringLiteral("../data/DEVovuved.ini"));
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        conditions::parseCatalogueLines(QString::fromUtf8(file.readAll()).split(QLatin1Char('\n')), cat);
    else
        log.report({0, QStringLiteral("cannot read ") + path, {}}, QStringLiteral("bench"));
    return cat;
}

// Steps through every row of the statement reading every column; returns rows.
qint64 floorRun(sqlite3* db, const QString& sqliteSql)
{
    sqlite3_stmt* st = nullptr;
    const QByteArray utf8 = sqliteSql.toUtf8();
    if (sqlite3_prepare_v2(db, utf8.constData(), -1, &st, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "prepare failed: %s\n", sqlite3_errmsg(db));
        return -1;
    }
    qint64 rows = 0;
    std::size_t sink = 0;
    const int columns = sqlite3_column_count(st);
    while (sqlite3_step(st) == SQLITE_ROW) {
        ++rows;
        for (int c = 0; c < columns; ++c) {
            switch (sqlite3_column_type(st, c)) {
            case SQLITE_INTEGER:
                sink += std::size_t(sqlite3_column_int64(st, c));
                break;
            case SQLITE_FLOAT:
                sink += std::size_t(sqlite3_column_double(st, c));
                break;
            case SQLITE_TEXT:
                sink += std::size_t(sqlite3_column_bytes(st, c));
                break;
            default:
                break;
            }
        }
    }
    sqlite3_finalize(st);
    if (sink == 42)
        std::puts("");
    return rows;
}

conditions::ConditionRow row(const char* item, const char* value, qint16 target = 0)
{
    conditions::ConditionRow r;
    r.itemName = s(item);
    r.value = s(value);
    r.target = target;
    r.targetCaption = conditions::targetCaption(target);
    return r;
}

struct Case {
    const char* name;
    conditions::ConditionSet set;
};

std::vector<Case> cases()
{
    std::vector<Case> out;
    out.push_back({"no condition", {}});
    Case oneKey{"one key (開催場所)", {}};
    oneKey.set.keys[0] = {s("開催場所"), {}};
    out.push_back(oneKey);
    Case threeKeys{"three keys (距離 2,400 / 芝ダ / 馬番)", {}};
    threeKeys.set.keys[0] = {s("距離"), {s("2,400")}};
    threeKeys.set.keys[1] = {s("芝ダ"), {}};
    threeKeys.set.keys[2] = {s("馬番"), {s("0")}};
    out.push_back(threeKeys);
    Case previous{"previous-run condition (距離 > 前走)", {}};
    previous.set.rows = {row("距離", "2,0,0", 2)};
    out.push_back(previous);
    return out;
}

int benchYears(int years, int rounds)
{
    QTemporaryDir dir;
    const QString dataDir = dir.filePath(QStringLiteral("data"));
    tools::GenOptions options;
    options.outDir = dataDir;
    options.years = years;
    tools::GenReport report;
    QString error;
    std::printf("generating %d year(s) ...\n", years);
    std::fflush(stdout);
    if (!tools::generateRaceData(options, &report, &error)) {
        std::fprintf(stderr, "generation failed: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("%d races, %d runners (%.1f s)\n", report.pastRaces, report.pastRunners, report.seconds);

    shell::ScriptedPrompter prompter;
    shell::SilentBusy busy;
    shell::AppContext ctx(prompter, busy);
    ctx.catalogue = catalogue(ctx.errorLog);
    const QString appDb = dir.filePath(QStringLiteral("app.mdb"));
    store::Database::create(appDb).reset();
    const struct {
        conditions::LinkSource source;
        const char* file;
    } sources[] = {{conditions::LinkSource::This, "korven_this.mdb"},
                   {conditions::LinkSource::Data, "korven_data.mdb"},
                   {conditions::LinkSource::Code, "korven_code.mdb"},
                   {conditions::LinkSource::Keto, "korven_keto.mdb"},
                   {conditions::LinkSource::Hensa, "VUDevuzI.mdb"}};
    for (const auto& src : sources)
        for (const QString& table : ctx.catalogue.links(src.source))
            if (!table.isEmpty())
                store::TBLink(ctx.errorLog, appDb, QDir(dataDir).filePath(QString::fromUtf8(src.file)), table);
    ctx.appDb = store::Database::open(appDb);

    std::printf("%-44s %10s %10s %10s %7s %12s %7s\n", "case", "rows", "floor s", "run s", "ratio", "no list s",
                "ratio");
    for (const Case& c : cases()) {
        bool ok = false;
        const QString jet = analysis::funSqlCreate2(ctx.catalogue, c.set, ctx.appDb.get(), ctx.errorLog, &ok);
        const QString sqlite = store::translateJet(jet);
        double bestFloor = 1e300, bestRun = 1e300, bestBare = 1e300;
        qint64 rows = 0;
        std::size_t listBytes = 0;
        int listRows = 0;
        for (int r = 0; r < rounds; ++r) {
            bestFloor = std::min(bestFloor, seconds([&] { rows = floorRun(ctx.appDb->handle(), sqlite); }));
            analysis::AnalysisDocument doc;
            doc.conditions = c.set;
            analysis::DefaultHorseList list(ctx.catalogue, ctx.appDb.get(), &ctx.errorLog, false);
            analysis::RunServices services;
            services.horseList = &list;
            bestRun = std::min(bestRun, seconds([&] { analysis::subKekkaHyouji(ctx, doc, jet, true, services); }));
            listBytes = doc.defaultList.memoryBytes();
            listRows = doc.defaultList.rowCount();
            // The same run without the default list, to show the list's share.
            analysis::AnalysisDocument bare;
            bare.conditions = c.set;
            bestBare = std::min(bestBare, seconds([&] { analysis::subKekkaHyouji(ctx, bare, jet, true, {}); }));
        }
        std::printf("%-44s %10lld %10.3f %10.3f %7.2f %12.3f %7.2f\n", c.name, static_cast<long long>(rows), bestFloor,
                    bestRun, bestRun / bestFloor, bestBare, bestBare / bestFloor);
        if (c.set.rows.empty() && !c.set.keys[0].inUse() && listRows > 0)
            std::printf("  default list: %d rows, %.1f MB per million rows\n", listRows,
                        double(listBytes) / double(listRows) * 1e6 / 1048576.0);
        std::fflush(stdout);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::vector<int> years;
    int rounds = 3;
    for (int i = 1; i + 1 < argc; i += 2) {
        const QByteArray opt(argv[i]);
        if (opt == "--years")
            years.push_back(std::max(1, std::atoi(argv[i + 1])));
        else if (opt == "--rounds")
            rounds = std::max(1, std::atoi(argv[i + 1]));
    }
    if (years.empty())
        years.push_back(1);
    int status = 0;
    for (int y : years)
        status |= benchYears(y, rounds);
    return status;
}
