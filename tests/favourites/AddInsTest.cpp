// The add-in starts through an injected process starter: registry paths and
// fallbacks, a missing program told to the user instead of failing
// silently, the graph's checks, hand-over file and command line, and the
// viewer not started twice.

#include "FavouritesFixture.h"

#include "analysis/ConditionFile.h"
#include "common/ErrorLog.h"
#include "favourites/AddIns.h"
#include "favourites/ProcessStarter.h"

#include <QFile>
#include <QTemporaryDir>

namespace tq::favourites {
namespace {

struct Started {
    QString program;
    QStringList arguments;
    QString directory;
};

class FakeStarter final : public ProcessStarter {
public:
    bool start(const QString& program, const QStringList& arguments, const QString& directory, QString&) override
    {
        started.push_back({program, arguments, directory});
        return true;
    }
    QStringList runningExecutables() override { return running; }

    std::vector<Started> started;
    QStringList running;
};

class AddInsTest : public FavouritesTest {
protected:
    // An executable file in the program directory.
    QString makeProgram(const QString& name)
    {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\n");
        file.close();
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        return dir.filePath(name);
    }
    void registerAddin(const QString& id, const QString& path)
    {
        db().execute(s("INSERT INTO Sアドイン管理 (ソフトID, パス) VALUES ('") + id + s("', '") + path + s("')"));
    }

    FakeStarter starter;
};

TEST_F(AddInsTest, RegistryPathOrFallbackWithoutExeIsStartedFromAppDir)
{
    const QString bare = makeProgram(s("ZAVozivuzar"));
    ASSERT_TRUE(subFavoToday(ctx, starter));
    ASSERT_EQ(starter.started.size(), 1u);
    EXPECT_EQ(starter.started[0].program, bare);
    EXPECT_EQ(starter.started[0].directory, dir.path());

    const QString registered = makeProgram(s("today-addin"));
    registerAddin(s("ZAVozivuzar"), registered);
    EXPECT_EQ(funAddinPath(ctx, s("ZAVozivuzar"), s("ZAVozivuzar.exe")), registered);
    ASSERT_TRUE(subFavoToday(ctx, starter));
    EXPECT_EQ(starter.started[1].program, registered);
}

TEST_F(AddInsTest, AddinMissingInAppDirIsTakenFromBesideTheMainProgram)
{
    QTemporaryDir own;
    ASSERT_TRUE(own.isValid());
    QFile beside(own.filePath(s("DEZide")));
    ASSERT_TRUE(beside.open(QIODevice::WriteOnly));
    beside.close();
    const QString inAppDir = makeProgram(s("ZAVozivuzar"));
    const struct {
        QString path;
        QString expected;
    } cases[] = {
        {s("ZAVozivuzar.exe"), inAppDir},                                  // found in AppDir first
        {dir.filePath(s("DEZide.exe")), own.filePath(s("DEZide"))},        // registered elsewhere, found beside
        {s("/elsewhere/DEZide"), own.filePath(s("DEZide"))},
        {s("REDivor.exe"), dir.filePath(s("REDivor.exe"))},               // nowhere: the registered one, to report
    };
    for (const auto& c : cases)
        EXPECT_EQ(addinProgram(dir.path(), own.path(), c.path), c.expected) << c.path.toStdString();
}

TEST_F(AddInsTest, MissingAddinIsToldAndLoggedNotStarted)
{
    EXPECT_FALSE(subFavoToday(ctx, starter));
    EXPECT_TRUE(starter.started.empty());
    ASSERT_EQ(prompter.messages().size(), 1u);
    EXPECT_TRUE(prompter.texts().last().contains(s("起動できません"))) << prompter.texts().last().toStdString();
    EXPECT_EQ(ctx.errorLog.recentEntries().last().procedure, s("subFavoToday"));
}

TEST_F(AddInsTest, GraphNeedsTwoResultRowsThenHandsOverTheResult)
{
    makeProgram(s("REDivor"));
    analysis::AnalysisDocument none;
    EXPECT_FALSE(mnuREDivor_Click(ctx, starter, none));
    EXPECT_EQ(prompter.texts().last(), s("分析実行を行わないとグラフは表示できません"));

    analysis::AnalysisDocument ungrouped;
    makeDocument(ungrouped, s("1000,2000"), true);
    EXPECT_FALSE(mnuREDivor_Click(ctx, starter, ungrouped));
    EXPECT_EQ(prompter.texts().last(),
              s("グラフを表示するには、集計キーを指定して分析し、結果が２行以上でなければなりません"));
    EXPECT_TRUE(starter.started.empty());

    analysis::AnalysisDocument grouped;
    grouped.caption = s("距離別");
    grouped.conditions.keys[0].key = s("距離");
    makeDocument(grouped, s("1000,2000"), true);
    ASSERT_TRUE(mnuREDivor_Click(ctx, starter, grouped));
    const QString csv = dir.filePath(s("REDivor.csv"));
    EXPECT_TRUE(QFile::exists(csv));
    ASSERT_EQ(starter.started.size(), 1u);
    EXPECT_EQ(starter.started[0].arguments, (QStringList{s("/F"), csv, s("/T"), s("距離別【距離】")}));
}

TEST_F(AddInsTest, ViewerIsNotStartedWhileItRuns)
{
    makeProgram(s("DEZide"));
    const struct {
        QStringList running;
        bool started;
    } cases[] = {
        {{s("bash"), s("DEZide")}, false},
        {{s("DEZIDE.exe")}, false},
        {{s("dezide")}, true},
        {{}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.running.join(u',').toStdString());
        starter.started.clear();
        starter.running = c.running;
        EXPECT_TRUE(subViewShow(ctx, starter));
        EXPECT_EQ(starter.started.size(), c.started ? 1u : 0u);
    }
}

TEST(SystemProcessStarter, ListsThisProcess)
{
    SystemProcessStarter starter;
    const QString self = QFileInfo(QFileInfo(s("/proc/self/exe")).symLinkTarget()).fileName();
    EXPECT_TRUE(starter.runningExecutables().contains(self));
}

} // namespace
} // namespace tq::favourites
