// Aggregate favourites on generated data: a grouped result stored, reopened
// and projected onto today's runners (checked against the stored groups by an
// independent join), the name checks, quotes in names, headers and labels,
// and builds that fail or are cancelled leaving everything as it was.

#include "analysis/AnalysisDocument.h"
#include "analysis/ResultTable.h"
#include "analysis/Run.h"
#include "context/AppContext.h"
#include "context/StatusLine.h"
#include "derived/AggregateFavourites.h"
#include "store/Database.h"
#include "support/CancellingBusy.h"
#include "support/GeneratedData.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

using namespace tq;

namespace {

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

support::GeneratedData* g_data = nullptr;

context::AppContext& ctx()
{
    return g_data->context();
}

qint64 scalar(const QString& sql)
{
    store::Recordset rs = ctx().appDb->openRecordset(sql);
    return rs.isEOF() ? -1 : rs.field(0).toInt();
}

// A grouped analysis of every past race by place (each code as itself) and
// frame number: labels that are numbers in a text field and in a number field.
analysis::AnalysisDocument groupedDocument()
{
    analysis::AnalysisDocument doc;
    doc.caption = s("場所枠");
    doc.conditions.keys[0] = {s("開催場所"), {s("0")}};
    doc.conditions.keys[1] = {s("枠番"), {}};
    context::MemoryStatusLine status;
    EXPECT_TRUE(analysis::subBunseki(ctx(), status, doc, true));
    return doc;
}

class AggregateFavouritesTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { g_data = new support::GeneratedData(1, 23, 3); }
    static void TearDownTestSuite()
    {
        delete g_data;
        g_data = nullptr;
    }
    void SetUp() override
    {
        if (!g_data->ready())
            GTEST_SKIP() << g_data->problem();
        g_data->prompter().clear();
    }
};

// Today's runners whose row does not carry the statistics of the stored group
// of their place and frame (zeros when there is none).
const char* const kMismatches =
    "SELECT count(*) FROM [本日の場所枠] t "
    "INNER JOIN T競走馬データ r ON r.競走成績キー = t.競走成績キー "
    "INNER JOIN T番組データ b ON b.レースキー = r.レースキー "
    "LEFT JOIN 場所枠 g ON Val(g.開催場所) = Val(b.場コード) AND g.枠番 = Val(r.枠番) "
    "WHERE IIf(g.総件数 Is Null, t.総件数 <> 0 OR t.勝率 <> 0 OR t.複回収率 <> 0, "
    "t.総件数 <> g.総件数 OR t.[１着件数] <> g.[１着件数] OR t.[２着件数] <> g.[２着件数] OR "
    "t.[３着件数] <> g.[３着件数] OR t.着外件数 <> g.着外件数 OR t.勝率 <> g.勝率 OR t.連対率 <> g.連対率 OR "
    "t.複勝率 <> g.複勝率 OR t.単回収率 <> g.単回収率 OR t.複回収率 <> g.複回収率)";

} // namespace

TEST_F(AggregateFavouritesTest, StoredReopenedAndProjectedOntoTodaysRunners)
{
    analysis::AnalysisDocument doc = groupedDocument();
    ASSERT_GT(doc.result.rowCount(), 20);
    doc.modified = true;
    ASSERT_TRUE(derived::checkAggregateSource(ctx(), doc));
    const derived::AggregateResult stored = derived::storeAggregateFavourite(ctx(), doc, s("場所枠"));
    ASSERT_EQ(stored.outcome, derived::AggregateOutcome::Completed) << stored.message.toStdString();
    EXPECT_FALSE(doc.modified);
    EXPECT_EQ(scalar(s("SELECT count(*) FROM 場所枠")), doc.result.rowCount());
    EXPECT_EQ(derived::aggregateFavouriteNames(*ctx().appDb), QStringList{s("場所枠")});
    {
        store::Recordset rs = ctx().appDb->openRecordset(
            s("SELECT 項目名, MDB名, ソフトID, 区分, 説明 FROM Sアドイン項目管理 WHERE テーブル名 = '本日の場所枠'"));
        QStringList items;
        for (; !rs.isEOF(); rs.moveNext()) {
            items << rs.field(0).toText();
            EXPECT_EQ(rs.field(1).toText(), ctx().appDbPath());
            EXPECT_EQ(rs.field(2).toText() + rs.field(3).toText() + rs.field(4).toText(), s("DEVovuvedB "));
        }
        EXPECT_EQ(items, derived::todayAggregateItems());
    }

    // Reopened: the stored grid with its keys, nothing run.
    analysis::AnalysisDocument reopened;
    ASSERT_TRUE(derived::subSyukeiFavoLoad(ctx(), s("場所枠"), reopened));
    EXPECT_EQ(reopened.caption, s("場所枠"));
    EXPECT_EQ(reopened.conditions.keys[0].key, s("開催場所"));
    EXPECT_EQ(reopened.conditions.keys[0].range.text, s("0"));
    EXPECT_EQ(reopened.conditions.keys[1].key, s("枠番"));
    EXPECT_FALSE(reopened.conditions.keys[2].inUse());
    EXPECT_TRUE(reopened.conditions.rows.empty());
    ASSERT_EQ(reopened.result.headers(), doc.result.headers());
    ASSERT_EQ(reopened.result.rowCount(), doc.result.rowCount());
    for (int r = 0; r < doc.result.rowCount(); ++r)
        for (int c = 0; c < doc.result.columnCount(); ++c)
            ASSERT_EQ(reopened.result.displayText(r, c), doc.result.displayText(r, c)) << r << "," << c;
    EXPECT_TRUE(reopened.result.isColumnHidden(reopened.result.columnCount() - 1));

    // Today's table: every runner once, with its group's statistics; twice
    // gives the same rows.
    const qint64 runners = scalar(s("SELECT count(*) FROM T競走馬データ"));
    ASSERT_GT(runners, 0);
    for (int pass = 0; pass < 2; ++pass) {
        const derived::AggregateResult today = derived::subSyukeiFavorite2(ctx(), s("場所枠"));
        ASSERT_EQ(today.outcome, derived::AggregateOutcome::Completed) << today.message.toStdString();
        EXPECT_EQ(today.rows, runners);
        EXPECT_EQ(scalar(s("SELECT count(*) FROM [本日の場所枠]")), runners);
        EXPECT_EQ(scalar(s(kMismatches)), 0);
    }
    EXPECT_GT(scalar(s("SELECT count(*) FROM [本日の場所枠] WHERE 総件数 > 0")), runners / 2);

    // Groups that no longer exist give zero rows, and keys stored with a gap
    // between levels are used in level order.
    ctx().appDb->execute(s("DELETE FROM 場所枠 WHERE 枠番 = 1"));
    ctx().appDb->execute(s("UPDATE 集計お気に入り SET 集計KEY3 = 集計KEY2, 集計RANGE3 = 集計RANGE2, "
                           "集計KEY2 = '', 集計RANGE2 = '' WHERE 名称 = '場所枠'"));
    ASSERT_EQ(derived::subSyukeiFavoriteAll(ctx()).outcome, derived::AggregateOutcome::Completed);
    EXPECT_EQ(scalar(s(kMismatches)), 0);
    EXPECT_GT(scalar(s("SELECT count(*) FROM [本日の場所枠] WHERE 総件数 = 0")), 0);
    EXPECT_GT(scalar(s("SELECT count(*) FROM [本日の場所枠] WHERE 総件数 > 0")), 0);
}

TEST_F(AggregateFavouritesTest, MenuChecksRefuseUnanalysedAndUngroupedResults)
{
    analysis::AnalysisDocument doc;
    EXPECT_FALSE(derived::checkAggregateSource(ctx(), doc));
    analysis::setupResultColumns(doc.result, {});
    EXPECT_FALSE(derived::checkAggregateSource(ctx(), doc));
    const auto& shown = g_data->prompter().messages();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text, s("分析実行を行ってから追加して下さい"));
    EXPECT_EQ(shown[1].text, s("集計キーが指定されていないものは集計お気に入りに追加できません"));
    EXPECT_TRUE(shown[1].systemModal);
}

// A key or condition known only after the race asks before the name; No
// stores nothing, Yes goes on. Without one nothing is asked.
TEST_F(AggregateFavouritesTest, LookAheadKeysAndConditionsAskBeforeRegistering)
{
    analysis::AnalysisDocument doc = groupedDocument();
    context::ScriptedPrompter& prompter = g_data->prompter();
    prompter.clear();
    prompter.pushCancelledInput();
    EXPECT_EQ(derived::subSyukeiFavoAdd(ctx(), doc).outcome, derived::AggregateOutcome::NotAsked);
    ASSERT_EQ(prompter.messages().size(), 1u);
    EXPECT_EQ(prompter.messages()[0].text, s("集計お気に入り名称を入力してください"));

    conditions::ConditionRow odds;
    odds.itemName = s("確定単勝オッズ");
    odds.value = s("1,10");
    doc.conditions.rows = {odds};
    doc.conditions.keys[2] = {s("着順"), {}};
    EXPECT_EQ(derived::aggregateLookAhead(ctx().catalogue, doc), QStringList({s("着順"), s("確定単勝オッズ")}));

    prompter.clear();
    prompter.pushAnswer(context::Answer::No);
    EXPECT_EQ(derived::subSyukeiFavoAdd(ctx(), doc).outcome, derived::AggregateOutcome::NotAsked);
    ASSERT_EQ(prompter.messages().size(), 1u);
    EXPECT_TRUE(prompter.messages()[0].text.contains(s("確定単勝オッズ")));
    EXPECT_FALSE(derived::aggregateFavouriteNames(*ctx().appDb).contains(s("先読み")));

    prompter.clear();
    prompter.pushAnswer(context::Answer::Yes);
    prompter.pushText(s("先読み"));
    EXPECT_EQ(derived::subSyukeiFavoAdd(ctx(), doc).outcome, derived::AggregateOutcome::Completed);
    EXPECT_TRUE(derived::aggregateFavouriteNames(*ctx().appDb).contains(s("先読み")));
}

TEST_F(AggregateFavouritesTest, NamesThatCannotBeTablesOrWouldReplaceOtherTablesAreRefused)
{
    store::Database& db = *ctx().appDb;
    db.execute(s("CREATE TABLE 既存の表 (a LONG)"));
    db.execute(s("CREATE TABLE [本日の既存] (a LONG)"));
    struct Case {
        QString name;
        bool usable;
    };
    const Case cases[] = {
        {s("O'Brien集計"), true},
        {s("空白 を含む"), true},
        {s("a.b"), false},
        {s("枠[1]"), false},
        {s("感嘆!"), false},
        {QString(51, QChar(u'名')), false},
        {s("集計お気に入り"), false},
        {s("印別成績"), false},         // 本日の印別成績 is the mark results table
        {s("過去の印別成績"), false},
        {s("お気に入り"), false},       // a table of the application
        {s("D番組データ"), false},      // a linked race-data table
        {s("既存の表"), false},
        {s("既存"), false},             // 本日の既存 exists
    };
    for (const Case& c : cases)
        EXPECT_EQ(derived::aggregateNameProblem(db, c.name).isEmpty(), c.usable) << c.name.toStdString();

    // Refused before anything is touched.
    analysis::AnalysisDocument doc;
    doc.conditions.keys[0] = {s("枠番"), {}};
    analysis::setupResultColumns(doc.result, {s("枠番")});
    doc.result.setRowCount(1);
    doc.result.setInteger(0, 0, 1);
    const derived::AggregateResult r = derived::storeAggregateFavourite(ctx(), doc, s("既存の表"));
    EXPECT_EQ(r.outcome, derived::AggregateOutcome::Refused);
    EXPECT_FALSE(db.declaredColumnType(s("既存の表"), s("a")).isEmpty());
    EXPECT_TRUE(db.declaredColumnType(s("既存の表"), s("枠番")).isEmpty());
    ASSERT_FALSE(g_data->prompter().messages().empty());
    EXPECT_TRUE(g_data->prompter().messages().back().text.contains(s("既存の表")));
}

TEST_F(AggregateFavouritesTest, QuotesInNameHeadersAndLabelsRoundTrip)
{
    analysis::AnalysisDocument doc;
    doc.conditions.keys[0] = {s("馬場'状態"), {s("0")}};
    analysis::setupResultColumns(doc.result, {s("馬場'状態")});
    doc.result.setRowCount(2);
    doc.result.setText(0, 0, s("良'"));
    doc.result.setText(1, 0, s("'); DROP TABLE お気に入り; --"));
    for (int r = 0; r < 2; ++r)
        for (int c = 1; c < doc.result.columnCount(); ++c)
            doc.result.setDecimal(r, c, 12.345 + r, 1);
    const QString name = s("O'Brien集計");
    ASSERT_EQ(derived::storeAggregateFavourite(ctx(), doc, name).outcome, derived::AggregateOutcome::Completed);
    EXPECT_TRUE(ctx().appDb->hasTable(s("お気に入り")));
    EXPECT_EQ(scalar(s("SELECT count(*) FROM Sアドイン項目管理 WHERE テーブル名 = '本日のO''Brien集計'")), 10);

    analysis::AnalysisDocument back;
    ASSERT_TRUE(derived::subSyukeiFavoLoad(ctx(), name, back));
    EXPECT_EQ(back.conditions.keys[0].key, s("馬場'状態"));
    ASSERT_EQ(back.result.rowCount(), 2);
    EXPECT_EQ(back.result.header(0), s("馬場'状態"));
    EXPECT_EQ(back.result.displayText(0, 0), s("良'"));
    EXPECT_EQ(back.result.displayText(1, 0), s("'); DROP TABLE お気に入り; --"));
    // Decimals keep their value, not the one place they show.
    EXPECT_DOUBLE_EQ(back.result.number(1, 5), 13.345);
}

TEST_F(AggregateFavouritesTest, FailedOrCancelledBuildsLeaveEverythingAsItWas)
{
    analysis::AnalysisDocument doc = groupedDocument();
    ASSERT_EQ(derived::storeAggregateFavourite(ctx(), doc, s("場所枠")).outcome, derived::AggregateOutcome::Completed);
    ASSERT_EQ(derived::subSyukeiFavorite2(ctx(), s("場所枠")).outcome, derived::AggregateOutcome::Completed);
    const QString groups = s("SELECT count(*) * 1000 + total(総件数) FROM 場所枠");
    const QString today = s("SELECT count(*) * 1000 + total(総件数) FROM [本日の場所枠]");
    const QString registry = s("SELECT count(*) FROM Sアドイン項目管理 WHERE テーブル名 = '本日の場所枠'");
    const QString keys = s("SELECT count(*) FROM 集計お気に入り WHERE 名称 = '場所枠' AND 集計KEY2 = '枠番'");
    const qint64 before[] = {scalar(groups), scalar(today), scalar(registry), scalar(keys)};

    // A store with fewer groups under other keys that fails at its last step
    // (the registry refuses the rows), or that is cancelled, changes nothing.
    analysis::AnalysisDocument other = doc;
    other.conditions.keys[1] = {};
    other.result.setRowCount(3);
    struct Case {
        const char* what;
        int cancelAfter;
        bool failRegistry;
        derived::AggregateOutcome outcome;
    };
    const Case cases[] = {
        {"registry fails", -1, true, derived::AggregateOutcome::Failed},
        {"cancel", 1, false, derived::AggregateOutcome::Cancelled},
    };
    for (const Case& c : cases) {
        support::CancellingBusy busy(c.cancelAfter);
        context::AppContext alt(g_data->prompter(), busy);
        alt.catalogue = ctx().catalogue;
        alt.appDb = std::move(ctx().appDb);
        if (c.failRegistry) {
            ASSERT_EQ(sqlite3_exec(alt.appDb->handle(),
                                   "CREATE TRIGGER refuse BEFORE INSERT ON \"Sアドイン項目管理\" "
                                   "BEGIN SELECT RAISE(ABORT, 'refused'); END",
                                   nullptr, nullptr, nullptr),
                      SQLITE_OK);
        }
        const derived::AggregateResult stored = derived::storeAggregateFavourite(alt, other, s("場所枠"));
        const derived::AggregateResult filled = derived::subSyukeiFavorite2(alt, s("場所枠"));
        if (c.failRegistry)
            sqlite3_exec(alt.appDb->handle(), "DROP TRIGGER refuse", nullptr, nullptr, nullptr);
        const auto entries = alt.errorLog.recentEntries();
        ctx().appDb = std::move(alt.appDb);

        EXPECT_EQ(stored.outcome, c.outcome) << c.what;
        ASSERT_GE(entries.size(), 1) << c.what;
        EXPECT_EQ(entries.first().procedure, s("subSyukeiFavoAdd")) << c.what;
        if (c.cancelAfter >= 0) {
            EXPECT_EQ(filled.outcome, derived::AggregateOutcome::Cancelled) << c.what;
            EXPECT_EQ(entries.last().procedure, s("subSyukeiFavorite2")) << c.what;
        }
        const qint64 after[] = {scalar(groups), scalar(today), scalar(registry), scalar(keys)};
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(after[i], before[i]) << c.what << " check " << i;
    }

    // A registered favourite whose table is gone says so when opened.
    ctx().appDb->execute(s("drop TABLE 場所枠"));
    analysis::AnalysisDocument lost;
    g_data->prompter().clear();
    EXPECT_FALSE(derived::subSyukeiFavoLoad(ctx(), s("場所枠"), lost));
    ASSERT_EQ(g_data->prompter().messages().size(), 1u);
    EXPECT_TRUE(g_data->prompter().messages()[0].text.startsWith(s("集計お気に入り「場所枠」を開けませんでした")));
    EXPECT_EQ(ctx().errorLog.recentEntries().last().procedure, s("subSyukeiFavoLoad"));
}
