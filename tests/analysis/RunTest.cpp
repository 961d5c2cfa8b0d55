// The analysis run of a document over a few hand-made races: the refusal
// without conditions, the status texts, what a completed run leaves in the
// document, a run that finds nothing, and elapsed seconds across midnight.

#include "analysis/AnalysisDocument.h"
#include "analysis/ConditionFile.h"
#include "analysis/Run.h"
#include "context/AppContext.h"
#include "context/ScriptedPrompter.h"
#include "context/StatusLine.h"
#include "store/Database.h"
#include "support/RaceTables.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QTemporaryDir>

#include <ostream>

static void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace tq::analysis {
namespace {

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

class RunTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        support::addDistanceItem(ctx.catalogue);
        ctx.appDb = store::Database::create(dir.filePath(s("app.mdb")));
        store::Database& db = *ctx.appDb;
        support::createRaceTables(db);
        db.execute(s("INSERT INTO 分析結果表示設定 VALUES ('勝率' , 6,13 )"));
        // Two races of four horses: 1200 m and 1600 m.
        support::addRace(db, s("R1"), 1200, 4);
        support::addRace(db, s("R2"), 1600, 4);
        doc.conditions.rows.push_back(support::distanceRow(s("1000,2000")));
    }

    QTemporaryDir dir;
    context::ScriptedPrompter prompter;
    context::SilentBusy busy;
    context::AppContext ctx{prompter, busy};
    context::MemoryStatusLine status;
    AnalysisDocument doc;
};

TEST_F(RunTest, RefusesWithoutConditionsLinkOrKey)
{
    AnalysisDocument empty;
    EXPECT_FALSE(subBunseki(ctx, status, empty, false));
    ASSERT_EQ(prompter.messages().size(), 1u);
    EXPECT_EQ(prompter.messages()[0].text, s("条件を指定してから分析実行を行って下さい"));
    EXPECT_TRUE(status.text().isEmpty());

    // A first aggregation key alone is enough.
    empty.conditions.keys[0].key = s("距離");
    EXPECT_TRUE(subBunseki(ctx, status, empty, false));
    EXPECT_EQ(empty.result.rowCount(), 2);
}

TEST_F(RunTest, CompletedRunFillsTheDocumentAndTheStatusLine)
{
    doc.settingList.setColumnCount(1);
    doc.settingList.appendRow();
    doc.listCaption = s("設定A");
    ASSERT_TRUE(subBunseki(ctx, status, doc, false));

    static const QRegularExpression pattern(
        s("^\\d\\d:\\d\\d:\\d\\d\\(分析開始\\)  → \\d\\d:\\d\\d:\\d\\d\\(DB取得\\)→ \\d\\d:\\d\\d:\\d\\d\\(分析終了\\) "
          "【実行時間: \\d+ 秒】$"));
    EXPECT_TRUE(pattern.match(status.text()).hasMatch()) << status.text().toStdString();
    EXPECT_TRUE(prompter.messages().empty());

    ASSERT_EQ(doc.result.columnCount(), 29);
    ASSERT_EQ(doc.result.rowCount(), 1);
    EXPECT_EQ(doc.result.integer(0, 0), 8);
    EXPECT_EQ(doc.result.integer(0, 1), 2);
    EXPECT_DOUBLE_EQ(doc.result.columnWidth(doc.result.columnOfHeader(u"勝率")), 13);
    EXPECT_EQ(doc.history.rowCount(), 1);
    ASSERT_EQ(doc.historyConditions.size(), 1);
    EXPECT_EQ(doc.historyConditions[0], conditionText(ctx, doc));
    EXPECT_GT(doc.defaultList.rowCount(), 0);
    EXPECT_EQ(doc.settingList.columnCount(), 0);
    EXPECT_EQ(doc.listCaption, AnalysisDocument::defaultListCaption());
    EXPECT_FALSE(doc.isRunning());
}

TEST_F(RunTest, RunWithoutRowsKeepsThePreviousResult)
{
    ASSERT_TRUE(subBunseki(ctx, status, doc, false));
    doc.conditions.rows[0] = support::distanceRow(s("3000,3600"));
    EXPECT_FALSE(subBunseki(ctx, status, doc, false));
    EXPECT_TRUE(status.text().endsWith(s("(DB取得)"))) << status.text().toStdString();
    EXPECT_EQ(doc.result.rowCount(), 1);
    EXPECT_EQ(doc.result.integer(0, 0), 8);
    ASSERT_EQ(prompter.messages().size(), 1u);
    EXPECT_EQ(prompter.messages()[0].text, s("対象データは１件もありません、条件を変えて再度行って下さい"));

    prompter.clear();
    EXPECT_FALSE(subBunseki(ctx, status, doc, true));
    EXPECT_TRUE(prompter.messages().empty());
}

TEST_F(RunTest, ConditionsThatCannotBeBuiltAreNotRun)
{
    conditions::ConditionRow unknown = support::distanceRow(s("1,2"));
    unknown.itemName = s("未知");
    doc.conditions.rows.push_back(unknown);
    EXPECT_FALSE(subBunseki(ctx, status, doc, false));
    EXPECT_EQ(doc.result.rowCount(), 0);
    EXPECT_FALSE(status.text().contains(s("DB取得")));
}

TEST_F(RunTest, SecondRunOfARunningDocumentIsRefused)
{
    AnalysisDocument::RunLock lock(doc);
    EXPECT_FALSE(subBunseki(ctx, status, doc, false));
    EXPECT_TRUE(status.text().isEmpty());
    EXPECT_EQ(doc.result.rowCount(), 0);
}

TEST_F(RunTest, BetTypeKindsUseTheirOwnRun)
{
    doc.conditions.kind = conditions::AnalysisKind::QuinellaBox;
    EXPECT_FALSE(subBunseki(ctx, status, doc, false));
    int calls = 0;
    const BetTypeRun betType = [&calls](context::AppContext&, context::StatusLine&, AnalysisDocument&, bool) {
        ++calls;
        return true;
    };
    EXPECT_TRUE(subBunseki(ctx, status, doc, false, betType));
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(status.text().contains(s("(分析終了)")));
}

// A saved result reopened from its condition file shows the colours of the
// live run, cell for cell. The fixture's rates (勝率 25, 連対率 50, 複勝率 75,
// レース勝率 100, 複回収率 132.5) are above the default 勝率値 20, so a header
// matched by a part of its name (複勝率, 最低勝率, レース勝率 "containing" 勝率)
// would be painted in the reopened file only.
TEST_F(RunTest, ReopenedResultIsColouredAsTheLiveRun)
{
    struct Case {
        const char* name;
        QString key;
    };
    const Case cases[] = {{"no key: race columns too", QString()}, {"grouped by 距離", s("距離")}};
    for (const Case& tc : cases) {
        SCOPED_TRACE(tc.name);
        doc.conditions.keys[0].key = tc.key;
        ASSERT_TRUE(subBunseki(ctx, status, doc, false));
        AnalysisDocument reopened;
        ConditionLoadOptions text;
        text.input = ConditionInput::Text;
        funJoukenLoad(ctx, reopened, conditionText(ctx, doc), text);

        const Sheet& live = doc.result;
        ASSERT_EQ(reopened.result.headers(), live.headers());
        ASSERT_EQ(reopened.result.rowCount(), live.rowCount());
        for (int r = 0; r < live.rowCount(); ++r)
            for (int c = 0; c < live.columnCount(); ++c)
                EXPECT_EQ(reopened.result.backColour(r, c), live.backColour(r, c))
                    << "row " << r << " " << live.header(c).toStdString();
        const int k = tc.key.isEmpty() ? 0 : 1;
        EXPECT_EQ(live.backColour(0, k + 5), ctx.colours.winRateColour()); // 勝率 25
        EXPECT_EQ(live.backColour(0, k + 7), Sheet::kDefaultColour);      // 複勝率 75, below 80
        EXPECT_EQ(live.backColour(0, k + 9), ctx.colours.returnRateColour()); // 複回収率 132.5
    }
}

TEST(RunElapsed, WholeSecondsAsTheClockReads)
{
    const QDate day(2024, 1, 5);
    EXPECT_EQ(elapsedWholeSeconds(QDateTime(day, QTime(10, 15, 30, 900)), QDateTime(day, QTime(10, 15, 31, 100))), 1);
    EXPECT_EQ(elapsedWholeSeconds(QDateTime(day, QTime(23, 59, 59, 500)), QDateTime(day.addDays(1), QTime(0, 0, 9))),
              10);
}

TEST_F(RunTest, StatusShowsTheClockAcrossMidnight)
{
    const QDate day(2024, 1, 5);
    std::vector<QDateTime> times = {QDateTime(day, QTime(23, 59, 58)), QDateTime(day.addDays(1), QTime(0, 0, 3))};
    size_t next = 0;
    ASSERT_TRUE(subBunseki(ctx, status, doc, false, {}, [&] { return times[qMin(next++, times.size() - 1)]; }));
    EXPECT_TRUE(status.text().startsWith(s("23:59:58(分析開始) ")));
    EXPECT_TRUE(status.text().endsWith(s("→ 00:00:03(分析終了) 【実行時間: 5 秒】"))) << status.text().toStdString();
}

} // namespace
} // namespace tq::analysis
