// KORVEN.INI: where it is found and what GetIniFile takes from it.

#include "appdb/KorvenIni.h"
#include "context/AppContext.h"
#include "context/ScriptedPrompter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tq::context;
using namespace tq::appdb;

namespace {

TEST(KorvenIni, SearchOrderEnvironmentThenUserConfigThenProgramDirectory)
{
    QTemporaryDir config, program;
    const QString inConfig = QDir(config.path()).filePath(QStringLiteral("KORVEN.INI"));
    const QString inProgram = QDir(program.path()).filePath(QStringLiteral("KORVEN.INI"));

    EXPECT_EQ(locateKorvenIni({}, config.path(), program.path()), inProgram) << "nothing in the config directory";
    QFile(inConfig).open(QIODevice::WriteOnly);
    EXPECT_EQ(locateKorvenIni({}, config.path(), program.path()), inConfig);
    EXPECT_EQ(locateKorvenIni(QStringLiteral("/x/mine.ini"), config.path(), program.path()), QStringLiteral("/x/mine.ini"));
}

class GetIni : public ::testing::Test {
protected:
    bool read(const QByteArray& text)
    {
        QFile f(ini);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
        f.close();
        return GetIniFile(ctx, ini);
    }
    QTemporaryDir temp;
    QString ini = QDir(temp.path()).filePath(QStringLiteral("KORVEN.INI"));
    ScriptedPrompter prompter;
    SilentBusy busy;
    AppContext ctx{prompter, busy};
};

TEST_F(GetIni, DirectoryAlwaysEndsInOneSeparatorWhateverItWasWrittenWith)
{
    ctx.programDir = temp.path();
    for (const QByteArray& dir : {QByteArray("/data/korven"), QByteArray("/data/korven/"), QByteArray("/data/korven\\"),
                                 QByteArray("\\data\\korven")}) {
        SCOPED_TRACE(dir.constData());
        EXPECT_TRUE(read("[main]\r\nDBDir=" + dir + "\r\n"));
        EXPECT_EQ(ctx.korvenDir, QStringLiteral("/data/korven/"));
        EXPECT_EQ(ctx.dataDbPath, QStringLiteral("/data/korven/korven_data.mdb"));
        EXPECT_EQ(ctx.thisDbPath, QStringLiteral("/data/korven/korven_this.mdb"));
        EXPECT_EQ(ctx.codeDbPath, QStringLiteral("/data/korven/korven_code.mdb"));
        EXPECT_EQ(ctx.ketoDbPath, QStringLiteral("/data/korven/korven_keto.mdb"));
    }
}

TEST_F(GetIni, RelativeDirectoryIsTakenFromTheIniFilesDirectoryNotTheCurrentOne)
{
    ctx.programDir = temp.path();
    const QDir iniDir(temp.path());
    const QString previous = QDir::currentPath();
    QDir::setCurrent(QDir::rootPath());
    const std::pair<QByteArray, QString> cases[] = {
        {"korven", iniDir.filePath(QStringLiteral("korven/"))},
        {"data\\korven\\", iniDir.filePath(QStringLiteral("data/korven/"))},
        {"../korven", QDir::cleanPath(iniDir.filePath(QStringLiteral(".."))) + QStringLiteral("/korven/")},
    };
    for (const auto& [dir, expected] : cases) {
        SCOPED_TRACE(dir.constData());
        EXPECT_TRUE(read("[main]\r\nDBDir=" + dir + "\r\n"));
        EXPECT_EQ(ctx.korvenDir, expected);
        EXPECT_EQ(ctx.dataDbPath, expected + QStringLiteral("korven_data.mdb"));
    }
    QDir::setCurrent(previous);
}

TEST_F(GetIni, MissingFileGivesDefaultsAndEmptyPaths)
{
    ctx.programDir = temp.path();
    EXPECT_TRUE(GetIniFile(ctx, QDir(temp.path()).filePath(QStringLiteral("none.ini"))));
    EXPECT_TRUE(ctx.korvenDir.isEmpty());
    EXPECT_TRUE(ctx.dataDbPath.isEmpty());
    EXPECT_EQ(ctx.errorLog.logFileName(), QDir(temp.path()).filePath(QStringLiteral("TQ.log")));
    EXPECT_EQ(ctx.errorLog.logMax(), 1000);
}

TEST_F(GetIni, LogSettingsAndABadLogMaxReportedUnderGetIniFile)
{
    ctx.programDir = temp.path();
    EXPECT_TRUE(read("[FILENAME]\r\nLOGDAT=logs\\x.log\r\nLOGMAX=250\r\n"));
    EXPECT_EQ(ctx.errorLog.logFileName(), QDir(temp.path()).filePath(QStringLiteral("logs/x.log")));
    EXPECT_EQ(ctx.errorLog.logMax(), 250);

    EXPECT_FALSE(read("[main]\r\nDBDir=/k\r\n[FILENAME]\r\nLOGMAX=many\r\n"));
    EXPECT_EQ(ctx.korvenDir, QStringLiteral("/k/")) << "what was read before the error stays";
    ASSERT_FALSE(ctx.errorLog.recentEntries().isEmpty());
    EXPECT_EQ(ctx.errorLog.recentEntries().last().procedure, QStringLiteral("GetIniFile"));
}

} // namespace
