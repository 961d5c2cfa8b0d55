// Result grid handling outside the window: stored widths, header-click
// sorting, the clipboard texts and rebuilding a grid from condition-file
// lines.

#include "analysis/AnalysisDocument.h"
#include "analysis/AnalysisQuery.h"
#include "analysis/ResultDisplay.h"
#include "analysis/ResultTable.h"
#include "context/AppContext.h"
#include "context/ScriptedPrompter.h"
#include "store/Database.h"
#include "store/Recordset.h"

#include <gtest/gtest.h>

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

class ResultDisplayTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ctx.appDb = store::Database::create(dir.filePath(s("app.mdb")));
        ctx.appDb->execute(
            s("CREATE TABLE 分析結果表示設定 (項目名 CHAR(50),表示順 LONG,サイズ SINGLE ,PRIMARY KEY(項目名 ))"));
        ctx.appDb->execute(s("INSERT INTO 分析結果表示設定 VALUES ('勝率' , 6,10 )"));
    }

    double storedWidth(const QString& header)
    {
        store::Recordset rs = ctx.appDb->openRecordset(s("select サイズ from 分析結果表示設定 WHERE 項目名='") +
                                                       QString(header).replace(s("'"), s("''")) + s("'"));
        return rs.isEOF() ? -1 : rs.field(0).toDouble();
    }

    QTemporaryDir dir;
    context::ScriptedPrompter prompter;
    context::SilentBusy busy;
    context::AppContext ctx{prompter, busy};
};

TEST_F(ResultDisplayTest, StoredWidthReachesEveryLaterGrid)
{
    EXPECT_TRUE(storeColumnWidth(ctx.appDb.get(), s("勝率"), 14.5));    // update
    EXPECT_TRUE(storeColumnWidth(ctx.appDb.get(), s("新項目"), 7));     // insert
    EXPECT_TRUE(storeColumnWidth(ctx.appDb.get(), s("O'Brien"), 8.25)); // quote doubled
    EXPECT_FALSE(storeColumnWidth(ctx.appDb.get(), QString(), 9));
    EXPECT_FALSE(storeColumnWidth(ctx.appDb.get(), s("勝率"), 0));
    EXPECT_DOUBLE_EQ(storedWidth(s("勝率")), 14.5);
    EXPECT_DOUBLE_EQ(storedWidth(s("新項目")), 7);
    EXPECT_DOUBLE_EQ(storedWidth(s("O'Brien")), 8.25);

    // Another window's grid picks the width up when it gets its header.
    Sheet other;
    setupResultColumns(other, {});
    applyStoredColumnWidths(ctx.appDb.get(), other);
    EXPECT_DOUBLE_EQ(other.columnWidth(other.columnOfHeader(u"勝率")), 14.5);
}

TEST_F(ResultDisplayTest, WidthTextIsShortest)
{
    EXPECT_EQ(columnWidthText(10), s("10"));
    EXPECT_EQ(columnWidthText(12.5), s("12.5"));
    EXPECT_EQ(columnWidthText(double(12.4f)), s("12.4"));
}

TEST_F(ResultDisplayTest, HeaderClicksFlipAndRestart)
{
    AnalysisDocument doc;
    Sheet& sheet = doc.result;
    sheet.setColumnCount(2);
    sheet.setHeader(0, s("総件数"));
    sheet.setHeader(1, s("勝率"));
    const double rates[] = {20, 5, 10};
    const qint64 counts[] = {1, 3, 2};
    for (int r = 0; r < 3; ++r) {
        sheet.appendRow();
        sheet.setInteger(r, 0, counts[r]);
        sheet.setDecimal(r, 1, rates[r]);
    }
    auto column = [&](int c) {
        std::vector<double> v;
        for (int r = 0; r < sheet.rowCount(); ++r)
            v.push_back(sheet.number(r, c));
        return v;
    };
    sortResultOnHeaderClick(doc, 1);
    EXPECT_EQ(column(1), (std::vector<double>{5, 10, 20}));
    sortResultOnHeaderClick(doc, 1);
    EXPECT_EQ(column(1), (std::vector<double>{20, 10, 5}));
    EXPECT_TRUE(doc.sortDescending);
    sortResultOnHeaderClick(doc, 0);
    EXPECT_EQ(column(0), (std::vector<double>{1, 2, 3}));
    EXPECT_EQ(doc.sortColumn, 0);
    EXPECT_FALSE(doc.sortDescending);

    // Bet-type result with one label pair (Tag 1): columns 0-2 sort by their
    // right neighbour.
    doc.conditions.kind = conditions::AnalysisKind::QuinellaBox;
    sheet.setTag(s("1"));
    doc.sortColumn = -1;
    sortResultOnHeaderClick(doc, 0);
    EXPECT_EQ(column(1), (std::vector<double>{5, 10, 20}));
}

TEST_F(ResultDisplayTest, RestoresHeadingsWidthsAndColouredRows)
{
    Sheet sheet;
    sheet.setColumnCount(4);
    sheet.appendRow();
    const QString header = s("K003,距離,総件数,勝率,複勝率,レース勝率,単回収率");
    subKekkaHeader(ctx.appDb.get(), header, 6, sheet);
    EXPECT_EQ(sheet.rowCount(), 0);
    EXPECT_EQ(sheet.headers(), header.mid(5).split(s(",")));
    EXPECT_DOUBLE_EQ(sheet.columnWidth(3), Sheet::kDefaultColumnWidth);

    subKekkaWidth(s("K008,12,8,9.5,0,7,6,99"), 6, sheet);
    EXPECT_DOUBLE_EQ(sheet.columnWidth(0), 12);
    EXPECT_DOUBLE_EQ(sheet.columnWidth(2), 9.5);
    EXPECT_TRUE(sheet.isColumnHidden(3));

    context::ColourSettings colours; // 勝率 20, 複勝率 80, 回収率 100
    // 勝率 exactly at its threshold; 複勝率 and レース勝率 above 勝率値 only: a
    // header takes the threshold of its whole name, never of a part of it.
    subKekkaRow(colours, s("K004, 1200～ 1400,10,20.0,30.0,25.5,100.1"), 6, sheet, true);
    ASSERT_EQ(sheet.rowCount(), 1);
    EXPECT_EQ(sheet.kind(0, 0), CellKind::Text);
    EXPECT_EQ(sheet.kind(0, 1), CellKind::Integer);
    EXPECT_EQ(sheet.displayText(0, 2), s("20.0"));
    EXPECT_EQ(sheet.backColour(0, 2), Sheet::kDefaultColour);
    EXPECT_EQ(sheet.backColour(0, 3), Sheet::kDefaultColour);
    EXPECT_EQ(sheet.backColour(0, 4), Sheet::kDefaultColour);
    EXPECT_EQ(sheet.backColour(0, 5), colours.returnRateColour());

    // Other windows show no decimal places; an empty token leaves its cell.
    subKekkaRow(colours, s("K004,,5,12.3"), 6, sheet, false);
    EXPECT_EQ(sheet.kind(1, 0), CellKind::Empty);
    EXPECT_EQ(sheet.integer(1, 1), 5);
    EXPECT_EQ(sheet.displayText(1, 2), s("12"));
}

TEST_F(ResultDisplayTest, EmptyHeadingMarksBetTypeLabelPairs)
{
    Sheet sheet;
    subKekkaHeader(nullptr, s("K003,a,b,c,d,,総件数"), 6, sheet);
    EXPECT_EQ(sheet.columnCount(), 6);
    EXPECT_EQ(sheet.tag(), s("2"));
    EXPECT_TRUE(sheet.isColumnHidden(4));
    subKekkaHeader(nullptr, s("K003,a,b,c,,x"), 6, sheet);
    EXPECT_EQ(sheet.tag(), s("2")); // 3 / 2 = 1.5 rounds to even
    subKekkaHeader(nullptr, s("K003,"), 6, sheet);
    EXPECT_EQ(sheet.columnCount(), 0);
}

TEST_F(ResultDisplayTest, ClipboardTextsOfTheResultTab)
{
    conditions::ConditionItem item;
    item.number = 0;
    item.name = s("距離");
    item.key = s("D番組データ.距離");
    item.type = 2;
    ctx.catalogue.items.push_back(item);
    ctx.catalogue.nameMap.insert(item.name, 0);

    AnalysisDocument doc;
    doc.caption = s("新規分析");
    conditions::ConditionRow row;
    row.itemName = s("距離");
    row.value = s("1000,1200");
    doc.conditions.rows.push_back(row);
    doc.result.setColumnCount(3);
    doc.result.setHeader(0, s("総件数"));
    doc.result.setHeader(1, s("勝率"));
    doc.result.setHeader(2, s("均等購入額"));
    doc.result.setColumnWidth(2, 0);
    doc.result.appendRow();
    doc.result.setInteger(0, 0, 4);
    doc.result.setDecimal(0, 1, 25);
    doc.result.setDecimal(0, 2, 1.25);

    EXPECT_EQ(resultClipboardText(ctx, doc), s("新規分析\r\nD番組データ.距離 >= 1000 AND D番組データ.距離 <=1200\r\n"
                                               "総件数\t勝率\t均等購入額\r\n4\t25.0\t1.3\r\n"));
    EXPECT_EQ(analysisSqlText(ctx, doc), funSqlCreate2(ctx.catalogue, doc.conditions, nullptr, ctx.errorLog));
    EXPECT_TRUE(analysisSqlText(ctx, doc).contains(s("D番組データ.距離 >= 1000")));
}

} // namespace
} // namespace tq::analysis
