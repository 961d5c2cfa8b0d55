// Main's start-up sequence: when the database is prepared, the user-name
// prompts, the start entry in the log, and the fatal end on a broken colour table.

#include "ShellFixture.h"

#include "appdb/Preparation.h"
#include "appdb/StartupAborted.h"
#include "shell/Startup.h"
#include "store/Operations.h"

using namespace tq::shell;
using namespace tq::context;
using namespace tq::appdb;
using namespace tq::shell::testing;

namespace {

const QString kAskName = QStringLiteral("お気に入りの作者名に使用する名称を登録して下さい");

// Runs start-up on a fresh context; `name` is what the user-name dialog
// stores each time it is shown (a null text: the user cancels).
struct StartRun {
    StartRun(const ProgramDir& dir, const QString& name = QStringLiteral("山田"))
        : c(dir)
    {
        StartupHooks hooks;
        hooks.askUserName = [this, name](AppContext& ctx) {
            events << QStringLiteral("dialog");
            if (!name.isNull())
                storeUserName(ctx, name);
        };
        hooks.showMainWindow = [this](AppContext&) { events << QStringLiteral("main window"); };
        startUp(c.ctx, hooks);
    }
    Context c;
    QStringList events;
};

class Startup : public ::testing::Test {
protected:
    void SetUp() override
    {
        Context probe(dir);
        readSettings(probe.ctx);
        ASSERT_EQ(probe.ctx.catalogue.initFlag, 1) << "the shipped catalogue has an INIT line";
        dir.makeRaceData(probe.ctx.catalogue);
    }
    ProgramDir dir;
};

TEST_F(Startup, FirstStartPreparesTheDatabaseAndRegistersTheUser)
{
    StartRun run(dir);
    AppContext& ctx = run.c.ctx;
    EXPECT_EQ(ctx.preparation.source, PreparationReport::Source::Initial);
    EXPECT_EQ(ctx.preparation.compaction, PreparationReport::Compaction::Compacted);
    EXPECT_EQ(run.events, (QStringList{QStringLiteral("dialog"), QStringLiteral("main window")}));
    EXPECT_EQ(run.c.prompter.texts(), QStringList{kAskName});
    ASSERT_TRUE(ctx.appDb);
    EXPECT_EQ(tq::store::GetDBProp(*ctx.appDb, QStringLiteral("User")), QStringLiteral("山田"));
    EXPECT_EQ(tq::store::GetDBProp(*ctx.appDb, QStringLiteral("Version")), AppContext::programVersion());
    EXPECT_EQ(tq::store::GetDBProp(*ctx.appDb, QStringLiteral("DBDir")), dir.korvenDir + QLatin1Char('/'));
    EXPECT_EQ(scalar(*ctx.appDb, QStringLiteral("select count(*) from D成績データ")), kResultRows);

    const auto entries = ctx.errorLog.recentEntries();
    ASSERT_FALSE(entries.isEmpty());
    EXPECT_EQ(entries.last().description, QStringLiteral("起動しました"));
    EXPECT_EQ(entries.last().procedure, QStringLiteral("Main"));
    EXPECT_TRUE(entries.last().information);
}

TEST_F(Startup, PreparesAgainOnlyWhenTheRaceDataDirectoryChanges)
{
    { StartRun first(dir); }
    struct Case {
        const char* name;
        QString dbDir;
        bool prepares;
    };
    const QString other = dir.korvenDir + QStringLiteral("2");
    QDir().mkpath(other);
    for (const QString& file : QDir(dir.korvenDir).entryList(QDir::Files))
        QFile::copy(QDir(dir.korvenDir).filePath(file), QDir(other).filePath(file));
    const Case cases[] = {
        {"same directory", dir.korvenDir, false},
        {"same directory with a trailing backslash", dir.korvenDir + QLatin1Char('\\'), false},
        {"another directory", other, true},
        {"the other directory again", other + QLatin1Char('/'), false},
    };
    for (const Case& tc : cases) {
        SCOPED_TRACE(tc.name);
        dir.writeKorvenIni(tc.dbDir);
        StartRun run(dir);
        EXPECT_EQ(run.c.ctx.preparation.compaction != PreparationReport::Compaction::NotRun, tc.prepares);
        EXPECT_TRUE(run.c.prompter.texts().isEmpty()) << "the user name is registered";
    }
}

TEST_F(Startup, CancelledUserNameIsAskedOnceMoreAfterTheMainWindow)
{
    StartRun run(dir, QString());
    EXPECT_EQ(run.events, (QStringList{QStringLiteral("dialog"), QStringLiteral("main window"), QStringLiteral("dialog")}));
    EXPECT_EQ(run.c.prompter.texts(), (QStringList{kAskName, kAskName}));
    EXPECT_TRUE(isUnregisteredUser(run.c.ctx.userName));
}

TEST_F(Startup, EmptyNameIsStoredAsOneBlankAndAskedForOnTheNextStart)
{
    {
        StartRun first(dir, QStringLiteral(""));
        EXPECT_EQ(tq::store::GetDBProp(*first.c.ctx.appDb, QStringLiteral("User")), QStringLiteral(" "));
        EXPECT_EQ(first.c.prompter.texts(), (QStringList{kAskName, kAskName})) << "still unregistered after the main window";
    }
    StartRun second(dir, QStringLiteral("佐藤"));
    EXPECT_EQ(second.c.prompter.texts(), QStringList{kAskName});
    EXPECT_EQ(second.c.ctx.userName, QStringLiteral("佐藤"));
}

TEST_F(Startup, EmptyColourTableEndsStartUpUnderMain)
{
    {
        StartRun first(dir);
        first.c.ctx.appDb->execute(QStringLiteral("delete * from 色設定"));
    }
    Context c(dir);
    try {
        startUp(c.ctx, {});
        FAIL() << "expected StartupAborted";
    } catch (const StartupAborted& e) {
        EXPECT_EQ(e.procedure(), QStringLiteral("Main"));
    }
    EXPECT_EQ(c.ctx.errorLog.recentEntries().last().procedure, QStringLiteral("Main"));
    EXPECT_FALSE(c.ctx.errorLog.recentEntries().last().information);
}

} // namespace
