// The prepare command end to end: a fresh program directory, race data named
// by KORVEN.INI, then the sql command reading race tables through the links.

#include "ShellFixture.h"

#include "appdb/Preparation.h"
#include "store/DatabaseFileCheck.h"

#include <QProcess>
#include <QProcessEnvironment>

using namespace tq::context;
using namespace tq::appdb;
using namespace tq::shell::testing;

namespace {

struct Result {
    int exitCode;
    QString out, err;
};

void startProgram(QProcess& p, const QString& korvenIni, const QStringList& args)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KORVEN_INI"), korvenIni);
    p.setProcessEnvironment(env);
    p.start(builtFile("DEVovuved"), args);
}

Result finish(QProcess& p)
{
    EXPECT_TRUE(p.waitForFinished(120000));
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

Result runProgram(const QString& korvenIni, const QStringList& args)
{
    QProcess p;
    startProgram(p, korvenIni, args);
    return finish(p);
}

void makeRaceData(const ProgramDir& dir)
{
    Context c(dir);
    readSettings(c.ctx);
    dir.makeRaceData(c.ctx.catalogue);
}

TEST(PrepareCommand, PreparesAFreshDirectoryAndTheLinksServeQueries)
{
    ProgramDir dir;
    makeRaceData(dir);
    const QStringList prepare{QStringLiteral("--app-dir"), dir.appDir, QStringLiteral("prepare")};
    const Result first = runProgram(dir.korvenIni(), prepare);
    ASSERT_EQ(first.exitCode, 0) << first.err.toStdString();
    EXPECT_TRUE(first.out.contains(QStringLiteral("initialised from DEVovuved_init.mdb"))) << first.out.toStdString();
    EXPECT_TRUE(first.out.contains(QStringLiteral("links:       24 of 24 made"))) << first.out.toStdString();
    // This program's and today's favourites' rows, their two item rows, and
    // the chart and race viewer installed beside the program.
    EXPECT_TRUE(first.out.contains(QStringLiteral("add-in rows: 6 written"))) << first.out.toStdString();

    const Result second = runProgram(dir.korvenIni(), prepare);
    ASSERT_EQ(second.exitCode, 0) << second.err.toStdString();
    EXPECT_TRUE(second.out.contains(QStringLiteral("(present)")));
    EXPECT_TRUE(second.out.contains(QStringLiteral("upgrades:    none")));
    const Result addins = runProgram(dir.korvenIni(), {QStringLiteral("sql"), dir.appDb(),
                                                       QStringLiteral("select ソフトID from Sアドイン管理 order by ソフトID")});
    for (const char* id : {"DEVovuved", "DEZide", "REDivor", "ZAVozivuzar"})
        EXPECT_TRUE(addins.out.contains(QString::fromUtf8(id))) << id << ": " << addins.out.toStdString();

    for (const auto& [table, rows] : {std::pair{"D成績データ", kResultRows}, std::pair{"T番組データ", kTodayRaces}}) {
        const Result sql = runProgram(dir.korvenIni(), {QStringLiteral("sql"), dir.appDb(),
                                                        QStringLiteral("select count(*) from ") + QString::fromUtf8(table)});
        EXPECT_EQ(sql.exitCode, 0) << sql.err.toStdString();
        EXPECT_TRUE(sql.out.contains(QString::number(rows))) << table << ": " << sql.out.toStdString();
    }
}

TEST(PrepareCommand, MissingInitialDatabaseStopsWithExitCodeOne)
{
    ProgramDir dir(false);
    const Result r = runProgram(dir.korvenIni(), {QStringLiteral("--app-dir"), dir.appDir, QStringLiteral("prepare")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("初期化用データベースが存在しません。再セットアップを行って下さい"))) << r.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(dir.appDb()));
}

TEST(PrepareCommand, PreparationsOfOneDirectoryInParallelTakeTurnsAndLeaveOneSoundDatabase)
{
    ProgramDir dir;
    makeRaceData(dir);
    const QStringList prepare{QStringLiteral("--app-dir"), dir.appDir, QStringLiteral("prepare")};
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        QProcess processes[3];
        for (QProcess& p : processes)
            startProgram(p, dir.korvenIni(), prepare);
        for (QProcess& p : processes) {
            const Result r = finish(p);
            EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
            EXPECT_FALSE(r.err.contains(QStringLiteral("前回起動時に異常終了しています"))) << r.err.toStdString();
            EXPECT_TRUE(r.out.contains(QStringLiteral("compaction:  compacted"))) << r.out.toStdString();
        }
    }
    const auto db = tq::store::Database::open(dir.appDb(), tq::store::OpenMode::ReadOnly);
    EXPECT_EQ(tq::store::integrityProblem(db->handle()), QString());
    // Only the database, its verified copy and the lock file are left beside the shipped files.
    EXPECT_EQ(QDir(dir.appDir).entryList(QDir::Files, QDir::Name),
              (QStringList{QStringLiteral("DEVovuved.ini"), QStringLiteral("DEVovuved.mdb"),
                           QStringLiteral("DEVovuved.mdb.001"), QStringLiteral("DEVovuved.mdb.lock"),
                           QStringLiteral("DEVovuved_init.mdb"), QStringLiteral("VUDevuzI.mdb")}));
}

TEST(PrepareCommand, UnusableRaceDataOrAnEmptyProgramDirectoryIsAFailure)
{
    ProgramDir dir;
    makeRaceData(dir);
    const QString data = QDir(dir.korvenDir).filePath(QStringLiteral("korven_data.mdb"));
    writeText(data, QByteArray());
    const Result r = runProgram(dir.korvenIni(), {QStringLiteral("--app-dir"), dir.appDir, QStringLiteral("prepare")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("レースデータ（") + data + QStringLiteral("）を使用できません（ファイルが空です（0 バイト））")))
        << r.err.toStdString();

    const Result empty = runProgram(dir.korvenIni(), {QStringLiteral("--app-dir"), QString(), QStringLiteral("prepare")});
    EXPECT_EQ(empty.exitCode, 2);
    EXPECT_TRUE(empty.err.contains(QStringLiteral("--app-dir needs a directory"))) << empty.err.toStdString();
}

} // namespace
