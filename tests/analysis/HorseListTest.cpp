// Horse lists: the default list fed by the statistics engine (labels, payouts,
// excluded rows, the 2000-row limit), list settings and their statement, the
// list by setting with its key templates, and the race-key hand-over.

#include "analysis/AnalysisDocument.h"
#include "analysis/HorseList.h"
#include "analysis/Statistics.h"
#include "common/ProfileFile.h"
#include "conditions/ListSettingStore.h"
#include "context/AppContext.h"
#include "context/ScriptedPrompter.h"
#include "store/Database.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tq;
using analysis::AnalysisDocument;
using analysis::Sheet;

namespace {

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

// The rows of the analysis statement, by their fixed names, in race-key order.
const char* const kRowsSql =
    "SELECT D番組データ.レースキー AS レースキー, D番組データ.年月日 AS 開催日, "
    "D競走馬データ.競走成績キー AS 競走成績キー, D競走馬データ.馬番 AS 馬番, D競走馬データ.馬名 AS 馬名, "
    "D払戻情報データ.単勝馬番１ AS 単勝馬番１, D払戻情報データ.単勝払戻１ AS 単勝払戻１, "
    "D払戻情報データ.単勝馬番２ AS 単勝馬番２, D払戻情報データ.単勝払戻２ AS 単勝払戻２, "
    "D払戻情報データ.単勝馬番３ AS 単勝馬番３, D払戻情報データ.単勝払戻３ AS 単勝払戻３, "
    "D払戻情報データ.複勝馬番１ AS 複勝馬番１, D払戻情報データ.複勝払戻１ AS 複勝払戻１, "
    "D払戻情報データ.複勝馬番２ AS 複勝馬番２, D払戻情報データ.複勝払戻２ AS 複勝払戻２, "
    "D払戻情報データ.複勝馬番３ AS 複勝馬番３, D払戻情報データ.複勝払戻３ AS 複勝払戻３, "
    "D払戻情報データ.複勝馬番４ AS 複勝馬番４, D払戻情報データ.複勝払戻４ AS 複勝払戻４, "
    "D払戻情報データ.複勝馬番５ AS 複勝馬番５, D払戻情報データ.複勝払戻５ AS 複勝払戻５, "
    "D成績データ.着順 AS 着順, D成績データ.異常区分 AS 異常区分, D成績データ.騎手名 AS 成績騎手, "
    "D成績データ.確定単勝オッズ AS 確定単勝オッズ, D成績データ.確定複勝オッズ AS 確定複勝オッズ "
    "FROM ((D番組データ INNER JOIN D競走馬データ ON D番組データ.レースキー = D競走馬データ.レースキー) "
    "INNER JOIN D払戻情報データ ON D番組データ.レースキー = D払戻情報データ.レースキー) "
    "INNER JOIN D成績データ ON D競走馬データ.競走成績キー = D成績データ.競走成績キー "
    "ORDER BY D番組データ.レースキー, D競走馬データ.馬番";

// Two races of three horses at course 05 (東京) and one at 06; one horse of the
// first race is excluded (異常区分 "1"). The previous-run table Z番組データ_1
// is reached through D競走馬データ.前走キー.
class HorseListTest : public ::testing::Test {
  protected:
    HorseListTest() : ctx(prompter, busy) {}

    void SetUp() override
    {
        ctx.programDir = dir.path();
        ctx.catalogue = catalogue();
        ctx.appDb = store::Database::create(dir.filePath(QStringLiteral("app.mdb")));
        store::Database& db = *ctx.appDb;
        for (const char* ddl : {
                 "CREATE TABLE D番組データ (レースキー CHAR(8), 年月日 CHAR(8), 距離 LONG)",
                 "CREATE TABLE Z番組データ_1 (レースキー CHAR(8), 年月日 CHAR(8), 距離 LONG)",
                 "CREATE TABLE D競走馬データ (レースキー CHAR(8), 競走成績キー CHAR(16), 馬番 CHAR(2), 馬名 CHAR(18), "
                 "前走キー CHAR(8))",
                 "CREATE TABLE D成績データ (競走成績キー CHAR(16), 着順 LONG, 異常区分 CHAR(1), 騎手名 CHAR(12), "
                 "確定単勝オッズ SINGLE, 確定複勝オッズ SINGLE)",
                 "CREATE TABLE D払戻情報データ (レースキー CHAR(8), 単勝馬番１ CHAR(2), 単勝払戻１ LONG, "
                 "単勝馬番２ CHAR(2), 単勝払戻２ LONG, 単勝馬番３ CHAR(2), 単勝払戻３ LONG, "
                 "複勝馬番１ CHAR(2), 複勝払戻１ LONG, 複勝馬番２ CHAR(2), 複勝払戻２ LONG, 複勝馬番３ CHAR(2), "
                 "複勝払戻３ LONG, 複勝馬番４ CHAR(2), 複勝払戻４ LONG, 複勝馬番５ CHAR(2), 複勝払戻５ LONG)",
                 "CREATE TABLE 一覧表示設定 (設定名 CHAR(50), 項目名 CHAR(50), 表示順 LONG, サイズ SINGLE, "
                 "PRIMARY KEY (設定名, 項目名))",
             })
            db.execute(s(ddl));
        for (const char* row : {
                 "INSERT INTO D番組データ VALUES ('05250101', '20250105', 1600)",
                 "INSERT INTO D番組データ VALUES ('06250102', '20250106', 2000)",
                 "INSERT INTO Z番組データ_1 VALUES ('05241201', '20241201', 1400)",
                 "INSERT INTO D競走馬データ VALUES ('05250101', 'K1', '01', 'アルファ', '05241201')",
                 "INSERT INTO D競走馬データ VALUES ('05250101', 'K2', '02', 'ブラボー\"号', NULL)",
                 "INSERT INTO D競走馬データ VALUES ('05250101', 'K3', '03', 'チャーリー', NULL)",
                 "INSERT INTO D競走馬データ VALUES ('06250102', 'K4', '01', 'デルタ', '05241201')",
                 "INSERT INTO D競走馬データ VALUES ('06250102', 'K5', '02', 'エコー', NULL)",
                 "INSERT INTO D成績データ VALUES ('K1', 2, '0', 'A', 3.5, 1.2)",
                 "INSERT INTO D成績データ VALUES ('K2', 1, '0', 'B', 2.0, 1.1)",
                 "INSERT INTO D成績データ VALUES ('K3', NULL, '1', 'C', 9.0, 2.0)",
                 "INSERT INTO D成績データ VALUES ('K4', 1, '0', 'D', 1.5, 1.1)",
                 "INSERT INTO D成績データ VALUES ('K5', 5, '0', 'E', 4.0, 1.5)",
                 "INSERT INTO D払戻情報データ VALUES ('05250101', '02', 200, NULL, 0, NULL, 0, '02', 110, '01', 130, "
                 "NULL, 0, NULL, 0, NULL, 0)",
                 "INSERT INTO D払戻情報データ VALUES ('06250102', '01', 150, NULL, 0, NULL, 0, '01', 110, NULL, 0, "
                 "NULL, 0, NULL, 0, NULL, 0)",
             })
            db.execute(s(row));
    }

    static conditions::ConditionCatalogue catalogue()
    {
        conditions::ConditionCatalogue cat;
        auto add = [&](const char* name, const char* key, const char* range, const char* data) {
            conditions::ConditionItem item;
            item.number = qint16(cat.items.size());
            item.name = s(name);
            item.key = s(key);
            item.range = s(range);
            item.data = s(data);
            cat.nameMap.insert(item.name, item.number);
            cat.order.push_back(item.number);
            cat.items.push_back(item);
        };
        add("開催場所", "D番組データ.場コード", "1", "05:東京,06:中山");
        add("Ｒ", "D番組データ.レース番号", "0", "");
        add("馬番", "Val(D競走馬データ.馬番)", "0", "");
        add("馬名", "D競走馬データ.馬名", "", "");
        add("着順", "D成績データ.着順", "0", "");
        add("距離", "D番組データ.距離", "2,200", "");
        cat.zensou.push_back({s("D番組データ."), s("Z番組データ_1.")});
        // The key template only matches when @KKEY is replaced by the row's result key.
        cat.joins.push_back({s("Z番組データ_1"),
                             s("LEFT JOIN Z番組データ_1 ON D競走馬データ.前走キー = Z番組データ_1.レースキー"),
                             s("D競走馬データ.競走成績キー = '@KKEY'")});
        return cat;
    }

    bool run(AnalysisDocument& doc, bool limit)
    {
        analysis::DefaultHorseList list(ctx.catalogue, ctx.appDb.get(), &ctx.errorLog, limit);
        analysis::RunServices services;
        services.horseList = &list;
        return analysis::subKekkaHyouji(ctx, doc, s(kRowsSql), true, services);
    }

    QTemporaryDir dir;
    context::ScriptedPrompter prompter;
    context::SilentBusy busy;
    context::AppContext ctx;
};

QStringList rowTexts(const Sheet& sheet, int row)
{
    QStringList texts;
    for (int c = 0; c < sheet.columnCount(); ++c)
        texts << sheet.displayText(row, c);
    return texts;
}

} // namespace

TEST_F(HorseListTest, DefaultListHoldsTheCountedHorsesWithLabelsAndPayouts)
{
    AnalysisDocument doc;
    ASSERT_TRUE(run(doc, false));
    const Sheet& list = doc.defaultList;
    EXPECT_EQ(list.headers(), (QStringList{s("開催日"), s("開催場所"), s("Ｒ"), s("馬番"), s("馬名"), s("着順"),
                                           s("単配当"), s("複配当"), s("レースキー"), s("競走成績キー")}));
    EXPECT_EQ(list.columnWidth(analysis::kListHorseName), 14.0);
    // K3 (異常区分 "1") is neither counted nor listed.
    ASSERT_EQ(list.rowCount(), 4);
    EXPECT_EQ(rowTexts(list, 0), (QStringList{s("20250105"), s("東京"), s("01"), s("01"), s("アルファ"), s("2"), s("0"),
                                              s("130"), s("05250101"), s("K1")}));
    EXPECT_EQ(rowTexts(list, 1), (QStringList{s("20250105"), s("東京"), s("01"), s("02"), s("ブラボー\"号"), s("1"),
                                              s("200"), s("110"), s("05250101"), s("K2")}));
    EXPECT_EQ(rowTexts(list, 3), (QStringList{s("20250106"), s("中山"), s("02"), s("02"), s("エコー"), s("5"), s("0"),
                                              s("0"), s("06250102"), s("K5")}));
    for (int c : {analysis::kListFinish, analysis::kListWinPayout, analysis::kListPlacePayout})
        EXPECT_EQ(list.kind(0, c), analysis::CellKind::Integer) << c;
    EXPECT_EQ(list.kind(0, analysis::kListRaceKey), analysis::CellKind::Text);
}

TEST_F(HorseListTest, LimitStopsTheListAt2000RowsButNotTheCount)
{
    store::Database& db = *ctx.appDb;
    store::Transaction tx(db);
    db.execute(s("INSERT INTO D番組データ VALUES ('05259999', '20251231', 1200)"));
    db.execute(s("INSERT INTO D払戻情報データ (レースキー) VALUES ('05259999')"));
    for (int i = 0; i < 2500; ++i) {
        const QString key = QStringLiteral("L%1").arg(i);
        db.execute(s("INSERT INTO D競走馬データ VALUES ('05259999', '") + key + s("', '09', 'x', NULL)"));
        db.execute(s("INSERT INTO D成績データ VALUES ('") + key + s("', 4, '0', 'J', 5.0, 2.0)"));
    }
    tx.commit();

    for (bool limit : {true, false}) {
        AnalysisDocument doc;
        ASSERT_TRUE(run(doc, limit));
        EXPECT_EQ(doc.result.integer(0, 0), 2504) << "総件数";
        EXPECT_EQ(doc.defaultList.rowCount(), limit ? 2000 : 2504);
    }
}

TEST_F(HorseListTest, SettingStatementWidthsAndReset)
{
    store::Database& db = *ctx.appDb;
    common::ErrorLog& log = ctx.errorLog;
    ASSERT_TRUE(conditions::subIchiranSettei(db, log, {s("距離"), s("前走距離")}, s("距離'比較")));
    ASSERT_TRUE(analysis::updateListColumnWidth(db, s("距離'比較"), s("前走距離"), 22.5));
    EXPECT_FALSE(analysis::updateListColumnWidth(db, s("距離'比較"), s("無い項目"), 5));
    EXPECT_EQ(analysis::listChoices(db), (QStringList{s("配当のみ（デフォルト）"), s("距離'比較")}));

    std::vector<double> widths;
    const QString sql = analysis::funIchiranSql(ctx.catalogue, db, log, s("距離'比較"), &widths);
    EXPECT_EQ(sql,
              s("SELECT D番組データ.距離 AS 距離,Z番組データ_1.距離 AS 前走距離,D番組データ.レースキー AS レースキー "
                " FROM (((D番組データ INNER JOIN D競走馬データ ON D番組データ.レースキー = D競走馬データ.レースキー) "
                "INNER JOIN D払戻情報データ ON D番組データ.レースキー = D払戻情報データ.レースキー) "
                "INNER JOIN D成績データ ON D競走馬データ.競走成績キー = D成績データ.競走成績キー ) "
                "LEFT JOIN Z番組データ_1 ON D競走馬データ.前走キー = Z番組データ_1.レースキー"));
    EXPECT_EQ(widths, (std::vector<double>{10.0, 22.5}));

    // Storing the setting again resets every width to 10.
    ASSERT_TRUE(conditions::subIchiranSettei(db, log, {s("距離"), s("前走距離")}, s("距離'比較")));
    analysis::funIchiranSql(ctx.catalogue, db, log, s("距離'比較"), &widths);
    EXPECT_EQ(widths, (std::vector<double>{10.0, 10.0}));

    // An item missing from the catalogue gives no statement and one report.
    ASSERT_TRUE(conditions::subIchiranSettei(db, log, {s("距離"), s("体重")}, s("壊れた設定")));
    EXPECT_TRUE(analysis::funIchiranSql(ctx.catalogue, db, log, s("壊れた設定")).isEmpty());
    ASSERT_FALSE(log.recentEntries().isEmpty());
    EXPECT_EQ(log.recentEntries().last().procedure, s("funIchiranSql"));
}

TEST_F(HorseListTest, ListBySettingFollowsTheDefaultListRowByRow)
{
    AnalysisDocument doc;
    ASSERT_TRUE(run(doc, false));
    ASSERT_TRUE(conditions::subIchiranSettei(*ctx.appDb, ctx.errorLog, {s("距離"), s("前走距離")}, s("距離")));

    ASSERT_TRUE(analysis::showListSetting(ctx, doc, s("距離")));
    EXPECT_EQ(doc.listCaption, s("距離"));
    const Sheet& list = doc.settingList;
    EXPECT_EQ(list.headers(), (QStringList{s("距離"), s("前走距離"), s("レースキー")}));
    EXPECT_TRUE(list.isColumnHidden(2));
    EXPECT_EQ(list.columnWidth(0), 10.0);
    ASSERT_EQ(list.rowCount(), doc.defaultList.rowCount());
    // Raw labels: the distance is not bucketed; a horse without a previous run has an empty cell.
    EXPECT_EQ(rowTexts(list, 0), (QStringList{s("1600"), s("1400"), s("05250101")}));
    EXPECT_EQ(rowTexts(list, 1), (QStringList{s("1600"), QString(), s("05250101")}));
    EXPECT_EQ(rowTexts(list, 2), (QStringList{s("2000"), s("1400"), s("06250102")}));
    EXPECT_EQ(list.kind(0, 0), analysis::CellKind::Integer);
    EXPECT_EQ(analysis::raceKeyOfRow(list, 2, false), s("06250102"));
    EXPECT_EQ(analysis::raceKeyOfRow(doc.defaultList, 3, true), s("06250102"));
    EXPECT_EQ(&analysis::shownList(doc), &doc.settingList);

    // The same setting again is shown without a new query.
    doc.settingList.setText(0, 0, s("marked"));
    ASSERT_TRUE(analysis::showListSetting(ctx, doc, s("距離")));
    EXPECT_EQ(doc.settingList.displayText(0, 0), s("marked"));
    // Back to the default list, then the setting again: still not rebuilt.
    ASSERT_TRUE(analysis::showListSetting(ctx, doc, AnalysisDocument::defaultListCaption()));
    EXPECT_EQ(&analysis::shownList(doc), &doc.defaultList);
    EXPECT_EQ(analysis::listSqlCopyText(ctx, doc), s("このボタンは不具合調査用に使用します"));
    ASSERT_TRUE(analysis::showListSetting(ctx, doc, s("距離")));
    EXPECT_EQ(doc.settingList.displayText(0, 0), s("marked"));
}

TEST_F(HorseListTest, CancelKeepsTheRowsListedSoFar)
{
    AnalysisDocument doc;
    ASSERT_TRUE(run(doc, false));
    ASSERT_TRUE(conditions::subIchiranSettei(*ctx.appDb, ctx.errorLog, {s("距離")}, s("距離")));
    const QString sql = analysis::funIchiranSql(ctx.catalogue, *ctx.appDb, ctx.errorLog, s("距離"));
    busy.requestCancel();
    EXPECT_FALSE(analysis::subSpreadHyouji(ctx, doc.settingList, sql, doc.defaultList, {}));
    EXPECT_EQ(doc.settingList.rowCount(), 1); // the empty row it starts from
}

TEST_F(HorseListTest, RaceKeyIsHandedToTheViewerThroughItsProfileFile)
{
    analysis::writeViewerRaceKey(dir.path(), s("05250101"));
    EXPECT_EQ(common::getPrivateProfileString(s("DEZide"), s("RACE_KEY"), QString(), dir.filePath(s("DEZide.ini"))),
              s("05250101"));
}
