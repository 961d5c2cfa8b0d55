// The prepare command end to end: a fresh program directory, race data named
// by KORVEN.INI, then the sql command reading race tables through the links.

#include "ShellFixture.h"

#include "shell/Startup.h"

#include <QProcess>
#include <QProcessEnvironment>

using namespace tq::shell;
using namespace tq::shell::testing;

namespace {

struct Result {
    int exitCode;
    QString out, err;
};

Result runProgram(const QString& korvenIni, const QStringList& args)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KORVEN_INI"), korvenIni);
    p.setProcessEnvironment(env);
    p.start(builtFile("DEVovuved"), args);
    EXPECT_TRUE(p.waitForFinished(60000));
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

TEST(PrepareCommand, PreparesAFreshDirectoryAndTheLinksServeQueries)
{
    ProgramDir dir;
    {
        Context c(dir);
        readSettings(c.ctx);
        dir.makeRaceData(c.ctx.catalogue);
    }
    const QStringList prepare{QStringLiteral("--app-dir"), dir.appDir, QStringLiteral("prepare")};
    const Result first = runProgram(dir.korvenIni(), prepare);
    ASSERT_EQ(first.exitCode, 0) << first.err.toStdString();
    EXPECT_TRUE(first.out.contains(QStringLiteral("initialised from DEVovuved_init.mdb"))) << first.out.toStdString();
    EXPECT_TRUE(first.out.contains(QStringLiteral("links:       24 of 24 made"))) << first.out.toStdString();
    EXPECT_TRUE(first.out.contains(QStringLiteral("add-in rows: 4 written")));

    const Result second = runProgram(dir.korvenIni(), prepare);
    ASSERT_EQ(second.exitCode, 0) << second.err.toStdString();
    EXPECT_TRUE(second.out.contains(QStringLiteral("(present)")));
    EXPECT_TRUE(second.out.contains(QStringLiteral("upgrades:    none")));

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

} // namespace
