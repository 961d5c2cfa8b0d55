// The grouped bet-type run of an analysis document on hand-made races: the
// box of kind 1 without keys and with one key level, the payout bands, dead
// heats and hits that pay nothing, excluded horses, the two flow kinds, the
// sort of the grid, the limit of eleven key levels and the statement that
// SQLコピー（DEBUG） copies.

#include "bettypes/GroupedRun.h"

#include "analysis/ResultDisplay.h"

#include "context/StatusLine.h"
#include "support/BetRaces.h"

#include <gtest/gtest.h>

namespace tq::bettypes::test {
using namespace tq::support;
namespace {

// One line of a grouped result with k key levels: label of level 0 (when
// k > 0), line name, then レース数, レース的中件数, 購入点数, 的中件数, 最高配当
// and the six band counters.
struct Line {
    QString label;
    QString name;
    std::array<qint64, 5> counts;
    std::array<qint64, 6> bands{};
};

std::vector<Line> linesOf(const analysis::Sheet& t, int k)
{
    std::vector<Line> out;
    const int s = 2 * k + 2;
    for (int r = 0; r < t.rowCount(); ++r) {
        Line l{k > 0 ? t.displayText(r, 0) : QString(), t.displayText(r, 2 * k),
               {t.integer(r, s), t.integer(r, s + 1), t.integer(r, s + 3), t.integer(r, s + 4), t.integer(r, s + 8)}};
        for (int b = 0; b < 6; ++b)
            l.bands[std::size_t(b)] = t.integer(r, s + 10 + b);
        out.push_back(l);
    }
    return out;
}

void expectLines(const analysis::Sheet& t, int k, const std::vector<Line>& expected, bool bands = false)
{
    const std::vector<Line> got = linesOf(t, k);
    ASSERT_EQ(got.size(), expected.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        const std::string what = QString(expected[i].label + QLatin1Char(' ') + expected[i].name).toStdString();
        EXPECT_EQ(got[i].label, expected[i].label) << i;
        EXPECT_EQ(got[i].name, expected[i].name) << i;
        EXPECT_EQ(got[i].counts, expected[i].counts) << what << " (races, race hits, points, hits, top)";
        if (bands) {
            EXPECT_EQ(got[i].bands, expected[i].bands) << what << " bands";
        }
    }
}

class GroupedRunTest : public ::testing::Test, public BetFixture {
  protected:
    GroupedRunTest() { addItem(s("印"), s("D競走馬データ.印")); }

    bool run(conditions::AnalysisKind kind)
    {
        doc.conditions.kind = kind;
        return runBetTypeAnalysis(ctx, status, doc, false);
    }

    analysis::AnalysisDocument doc;
    context::MemoryStatusLine status;
};

TEST_F(GroupedRunTest, BoxWithoutKeysCountsEveryPairAndBand)
{
    const std::vector<Runner> r1 = {{s("01"), s("1"), 1, s("A")}, {s("02"), s("1"), 2, s("A")},
                                    {s("03"), s("2"), 3, s("A")}, {s("04"), s("2"), 4, s("")}};
    Payouts p = payoutsFor(r1);
    p.quinella = {{s("0102"), 999}};
    p.exacta = {{s("0102"), 1000}};
    p.wide = {{s("0102"), 9999}, {s("0103"), 2000}, {s("0203"), 3000}};
    p.trio = {{s("010203"), 10000}};
    addRace(s("R1"), r1, p);
    // One selected horse: its race counts for the pair lines, no ticket.
    const std::vector<Runner> r2 = {{s("01"), s("1"), 1, s("A")}, {s("02"), s("1"), 2, s("")},
                                    {s("03"), s("2"), 3, s("")}};
    addRace(s("R2"), r2, payoutsFor(r2));
    doc.conditions.rows.push_back(extendedRow(s("D競走馬データ.印 = 'A'")));

    ASSERT_TRUE(run(conditions::AnalysisKind::QuinellaBox));
    expectLines(doc.result, 0,
                {{{}, s("馬連"), {2, 1, 3, 1, 999}, {1, 0, 0, 0, 0, 0}},
                 {{}, s("ワイド"), {2, 1, 3, 3, 9999}, {0, 0, 1, 1, 1, 0}},
                 {{}, s("馬単"), {2, 1, 6, 1, 1000}, {0, 1, 0, 0, 0, 0}},
                 {{}, s("３連複"), {1, 1, 1, 1, 10000}, {0, 0, 0, 0, 0, 1}}},
                true);
    EXPECT_EQ(doc.result.columnCount(), 18);
    EXPECT_EQ(doc.result.header(0), s("馬券種類"));
    EXPECT_TRUE(doc.result.isColumnHidden(1));
    EXPECT_EQ(doc.result.header(17), s("10000～"));
    EXPECT_EQ(doc.result.tag(), s("0"));
    EXPECT_EQ(doc.defaultList.rowCount(), 4);
    EXPECT_TRUE(doc.listsVisible);
    // 馬連 回収率 999 / 3 = 333 %: 回収率色; without the top payout 0 %.
    EXPECT_EQ(doc.result.backColour(0, 8), ctx.colours.returnRateColour());
    EXPECT_EQ(doc.result.backColour(0, 11), analysis::Sheet::kDefaultColour);
    EXPECT_TRUE(status.text().contains(s("(DBデータ取得) 件数:(4)"))) << status.text().toStdString();
}

TEST_F(GroupedRunTest, BoxWithOneKeyCountsEachPairForBothGroupsAndSortsByValue)
{
    // Met in the order C, A, B; A wins, B second, C third.
    const std::vector<Runner> r1 = {{s("01"), s("1"), 3, s("C")}, {s("02"), s("1"), 1, s("A")},
                                    {s("03"), s("2"), 2, s("B")}};
    addRace(s("R1"), r1, payoutsFor(r1));
    doc.conditions.rows.push_back(extendedRow(s("D競走馬データ.印 <> ''")));
    doc.conditions.keys[0].key = s("印");

    ASSERT_TRUE(run(conditions::AnalysisKind::QuinellaBox));
    expectLines(doc.result, 1,
                {{s("A"), s("馬連"), {1, 1, 2, 1, 500}},
                 {s("A"), s("ワイド"), {1, 1, 2, 2, 125}},
                 {s("A"), s("馬単１着流し"), {1, 1, 2, 1, 1000}},
                 {s("A"), s("馬単２着流し"), {1, 0, 2, 0, 0}},
                 {s("A"), s("３連複"), {1, 1, 1, 1, 1500}},
                 {s("B"), s("馬連"), {1, 1, 2, 1, 500}},
                 {s("B"), s("ワイド"), {1, 1, 2, 2, 166}},
                 {s("B"), s("馬単１着流し"), {1, 0, 2, 0, 0}},
                 {s("B"), s("馬単２着流し"), {1, 1, 2, 1, 1000}},
                 {s("B"), s("３連複"), {1, 1, 1, 1, 1500}},
                 {s("C"), s("馬連"), {1, 0, 2, 0, 0}},
                 {s("C"), s("ワイド"), {1, 1, 2, 2, 166}},
                 {s("C"), s("馬単１着流し"), {1, 0, 2, 0, 0}},
                 {s("C"), s("馬単２着流し"), {1, 0, 2, 0, 0}},
                 {s("C"), s("３連複"), {1, 1, 1, 1, 1500}}});
    EXPECT_EQ(doc.result.header(0), s("印"));
    EXPECT_TRUE(doc.result.isColumnHidden(1));
    EXPECT_EQ(doc.result.displayText(0, 1), s("A")) << "the hidden raw value";
    EXPECT_EQ(doc.result.integer(3, 3), 3) << "the hidden line order";
    EXPECT_EQ(doc.result.tag(), s("1"));
}

TEST_F(GroupedRunTest, LabelsThatConcatenateAlikeStayTwoGroups)
{
    addItem(s("距離"), s("D番組データ.距離"));
    // 1200 + "0A" and 12000 + "A" read the same when joined without a separator.
    const std::vector<Runner> r1 = {{s("01"), s("1"), 1, s("0A")}, {s("02"), s("1"), 2, s("0A")}};
    const std::vector<Runner> r2 = {{s("01"), s("1"), 1, s("A")}, {s("02"), s("1"), 2, s("A")}};
    addRace(s("R1"), r1, payoutsFor(r1), 1200);
    addRace(s("R2"), r2, payoutsFor(r2), 12000);
    doc.conditions.rows.push_back(extendedRow(s("D競走馬データ.印 <> ''")));
    doc.conditions.keys[0].key = s("距離");
    doc.conditions.keys[1].key = s("印");

    ASSERT_TRUE(run(conditions::AnalysisKind::QuinellaBox));
    ASSERT_EQ(doc.result.rowCount(), 8) << "two groups of four lines";
    EXPECT_EQ(doc.result.integer(0, 6), 1) << "each group has its own race";
    EXPECT_EQ(doc.result.displayText(4, 0), s("12000"));
}

TEST_F(GroupedRunTest, DeadHeatUnpaidHitAndExcludedHorse)
{
    const std::vector<Runner> r1 = {{s("01"), s("1"), 1, s("A")},
                                    {s("02"), s("1"), 1, s("A")},
                                    {s("03"), s("2"), 3, s("A")},
                                    {s("04"), s("2"), 0, s("A"), s("1")}};
    Payouts p = payoutsFor({r1[0], r1[1], r1[2]});
    p.exacta = {{s("0102"), 800}, {s("0201"), 900}};
    p.quinella = {{s("0103"), 700}}; // the pair 01-02 is not among the paid: a hit that pays 0
    addRace(s("R1"), r1, p);
    doc.conditions.rows.push_back(extendedRow(s("D競走馬データ.印 = 'A'")));

    ASSERT_TRUE(run(conditions::AnalysisKind::QuinellaBox));
    const std::vector<Line> got = linesOf(doc.result, 0);
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(got[0].counts, (std::array<qint64, 5>{1, 0, 3, 0, 0})) << "馬連: unpaid hit not counted, 04 excluded";
    EXPECT_EQ(got[2].name, s("馬単"));
    EXPECT_EQ(got[2].counts, (std::array<qint64, 5>{1, 1, 6, 2, 900})) << "a dead heat hits both orders";
    EXPECT_EQ(doc.defaultList.rowCount(), 3) << "an excluded horse is not listed";
}

TEST_F(GroupedRunTest, FlowKindsGroupByPartnerOrByAxis)
{
    const std::vector<Runner> r1 = {{s("01"), s("1"), 1, s("X")}, {s("02"), s("1"), 2, s("P")},
                                    {s("03"), s("2"), 3, s("Q")}, {s("04"), s("2"), 4, s("P")},
                                    {s("05"), s("3"), 5, s("")}};
    addRace(s("R1"), r1, payoutsFor(r1));
    // An axis horse without partners: its group has no lines.
    const std::vector<Runner> r2 = {{s("01"), s("1"), 1, s("Y")}, {s("02"), s("1"), 2, s("")},
                                    {s("03"), s("2"), 3, s("")}};
    addRace(s("R2"), r2, payoutsFor(r2));
    addFavourite(s("軸"), s("G"), s("D競走馬データ.印 = 'X'"));
    addFavourite(s("相手"), s("G"), s("D競走馬データ.印 IN ('P','Q')"));
    doc.conditions.keys[0].key = s("印");

    // Kind 2: axis horses from the favourite, partners from the conditions, grouped by partner.
    doc.conditions.axisFavourite = s("軸");
    doc.conditions.rows = {extendedRow(s("D競走馬データ.印 IN ('P','Q')"))};
    ASSERT_TRUE(run(conditions::AnalysisKind::QuinellaPartner));
    expectLines(doc.result, 1,
                {{s("P"), s("馬連"), {1, 1, 2, 1, 500}},
                 {s("P"), s("ワイド"), {1, 1, 2, 1, 100}},
                 {s("P"), s("馬単１着流し"), {1, 1, 2, 1, 1000}},
                 {s("P"), s("馬単２着流し"), {1, 0, 2, 0, 0}},
                 {s("P"), s("３連複"), {1, 1, 3, 1, 1500}},
                 {s("Q"), s("馬連"), {1, 0, 1, 0, 0}},
                 {s("Q"), s("ワイド"), {1, 1, 1, 1, 125}},
                 {s("Q"), s("馬単１着流し"), {1, 0, 1, 0, 0}},
                 {s("Q"), s("馬単２着流し"), {1, 0, 1, 0, 0}},
                 {s("Q"), s("３連複"), {1, 1, 2, 1, 1500}}});
    EXPECT_EQ(doc.defaultList.rowCount(), 3) << "kind 2 lists the partners";

    // Kind 3: axis horses from the conditions, partners from the favourite, grouped by axis.
    doc.conditions.axisFavourite = s("相手");
    doc.conditions.rows = {extendedRow(s("D競走馬データ.印 IN ('X','Y')"))};
    ASSERT_TRUE(run(conditions::AnalysisKind::QuinellaAxis));
    expectLines(doc.result, 1,
                {{s("X"), s("馬連"), {1, 1, 3, 1, 500}},
                 {s("X"), s("ワイド"), {1, 1, 3, 2, 125}},
                 {s("X"), s("馬単１着流し"), {1, 1, 3, 1, 1000}},
                 {s("X"), s("馬単２着流し"), {1, 0, 3, 0, 0}},
                 {s("X"), s("３連複"), {1, 1, 3, 1, 1500}}});
    EXPECT_EQ(doc.defaultList.rowCount(), 2) << "kind 3 lists the axis horses";
}

TEST_F(GroupedRunTest, RefusesAKeyLevelAboveEleven)
{
    const std::vector<Runner> r1 = {{s("01"), s("1"), 1, s("A")}, {s("02"), s("1"), 2, s("A")}};
    addRace(s("R1"), r1, payoutsFor(r1));
    doc.conditions.rows.push_back(extendedRow(s("D競走馬データ.印 = 'A'")));
    doc.conditions.keys[10].key = s("印");
    ASSERT_TRUE(run(conditions::AnalysisKind::QuinellaBox)) << "level 11 (index 10) is the last one accepted";
    EXPECT_EQ(doc.result.columnCount(), 2 + 18);

    doc.conditions.keys[11].key = s("印");
    EXPECT_FALSE(run(conditions::AnalysisKind::QuinellaBox));
    ASSERT_FALSE(ctx.errorLog.recentEntries().isEmpty());
    EXPECT_EQ(ctx.errorLog.recentEntries().last().procedure, s("subKekkaHyoujiUma2"));
}

// SQLコピー（DEBUG） copies the statement the run of each kind opens: the
// win-type statement for kind 0, the bet-type selection (with 枠番, sorted by
// horse number) for kinds 1-3, the axis favourite's condition for kind 2.
TEST_F(GroupedRunTest, SqlCopyIsTheStatementOfTheKind)
{
    addFavourite(s("AXIS"), s("G"), s("D競走馬データ.印 = 'X'"));
    doc.conditions.rows.push_back(extendedRow(s("D競走馬データ.印 = 'A'")));
    doc.conditions.axisFavourite = s("AXIS");
    const QString betOrder = s("ORDER BY D番組データ.レースキー,D競走馬データ.馬番");
    struct Case {
        conditions::AnalysisKind kind;
        bool betStatement;
        const char* condition;
    } cases[] = {{conditions::AnalysisKind::WinPlace, false, "'A'"},
                 {conditions::AnalysisKind::QuinellaBox, true, "'A'"},
                 {conditions::AnalysisKind::QuinellaPartner, true, "'X'"},
                 {conditions::AnalysisKind::QuinellaAxis, true, "'A'"}};
    for (const Case& c : cases) {
        doc.conditions.kind = c.kind;
        const QString sql = analysis::analysisSqlText(ctx, doc, betTypeAnalysisSql);
        EXPECT_EQ(sql.contains(betOrder), c.betStatement) << int(c.kind);
        EXPECT_EQ(sql.contains(s("枠番 AS 枠番")), c.betStatement) << int(c.kind);
        EXPECT_TRUE(sql.contains(s(c.condition))) << int(c.kind) << sql.toStdString();
    }
    doc.conditions.kind = conditions::AnalysisKind::QuinellaBox;
    EXPECT_TRUE(analysis::analysisSqlText(ctx, doc).isEmpty()) << "no bet-type statement without its builder";
}

} // namespace
} // namespace tq::bettypes::test
