// The bet-type window's run over hand-made races: the box and flow tallies,
// the table's lines and colours, a full field of eighteen horses, a
// favourite that matches nothing, and a payout sum beyond 32 bits.

#include "bettypes/BetWindowRun.h"

#include "support/BetRaces.h"

#include <gtest/gtest.h>

namespace tq::bettypes::test {
using namespace tq::support;
namespace {

// The six counters of one line as the table shows them.
struct Shown {
    QString name;
    qint64 races, raceHits, points, hits, top;
};

std::vector<Shown> linesOf(const analysis::Sheet& t)
{
    std::vector<Shown> out;
    for (int r = 0; r < t.rowCount(); ++r)
        out.push_back({t.displayText(r, 0), t.integer(r, 1), t.integer(r, 2), t.integer(r, 4), t.integer(r, 5),
                       t.integer(r, 9)});
    return out;
}

void expectLines(const analysis::Sheet& table, const std::vector<Shown>& expected)
{
    const std::vector<Shown> got = linesOf(table);
    ASSERT_EQ(got.size(), expected.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        const Shown& g = got[i];
        const Shown& e = expected[i];
        EXPECT_EQ(g.name, e.name);
        EXPECT_EQ(g.races, e.races) << e.name.toStdString() << " races";
        EXPECT_EQ(g.raceHits, e.raceHits) << e.name.toStdString() << " race hits";
        EXPECT_EQ(g.points, e.points) << e.name.toStdString() << " points";
        EXPECT_EQ(g.hits, e.hits) << e.name.toStdString() << " hits";
        EXPECT_EQ(g.top, e.top) << e.name.toStdString() << " top payout";
    }
}

class BetWindowRunTest : public ::testing::Test, public BetFixture {
  protected:
    BetWindowState box(const QString& name)
    {
        BetWindowState st;
        st.flow = false;
        st.favourites[0].name = name;
        return st;
    }
    analysis::Sheet table;
};

TEST_F(BetWindowRunTest, BoxOfThreeFinishingFirstSecondThird)
{
    const std::vector<Runner> r1 = {{s("01"), s("1"), 1, s("A")}, {s("02"), s("1"), 2, s("A")},
                                    {s("03"), s("2"), 3, s("A")}, {s("04"), s("2"), 4, s("")}};
    addRace(s("R1"), r1, payoutsFor(r1));
    // A race with one chosen horse buys nothing and counts no race.
    const std::vector<Runner> r2 = {{s("01"), s("1"), 1, s("A")}, {s("02"), s("1"), 2, s("")},
                                    {s("03"), s("2"), 3, s("")}};
    addRace(s("R2"), r2, payoutsFor(r2));
    addFavourite(s("BOX"), s("G"), s("D競走馬データ.印 = 'A'"));

    ASSERT_TRUE(subBunsekiUma(ctx, box(s("BOX")), table));
    expectLines(table, {{s("馬連"), 1, 1, 3, 1, 500},
                        {s("ワイド"), 1, 1, 3, 3, 166},
                        {s("馬単"), 1, 1, 6, 1, 1000},
                        {s("３連複"), 1, 1, 1, 1, 1500}});
    EXPECT_EQ(table.header(0), QString());
    EXPECT_EQ(table.header(10), s("最高配当抜き回収率"));
    // 馬連: 500 / 3 points = 166.7 %, coloured; without the top payout 0.
    EXPECT_NEAR(table.number(0, 7), 166.67, 0.01);
    EXPECT_EQ(table.backColour(0, 7), 8421631);
    EXPECT_EQ(table.backColour(0, 10), analysis::Sheet::kDefaultColour);
    EXPECT_NEAR(table.number(0, 3), 100.0, 1e-9);
    // Dead heats hit neither 馬単 order in this window: 2 hits of 1000, 1 of ワイド 0311.
}

TEST_F(BetWindowRunTest, FlowFromAxisToPartners)
{
    const std::vector<Runner> r1 = {{s("01"), s("1"), 1, s("X")}, {s("02"), s("1"), 2, s("P")},
                                    {s("03"), s("2"), 3, s("P")}, {s("04"), s("2"), 5, s("P")},
                                    {s("05"), s("3"), 4, s("")}};
    addRace(s("R1"), r1, payoutsFor(r1));
    addFavourite(s("軸"), s("G"), s("D競走馬データ.印 = 'X'"));
    addFavourite(s("相手"), s("G"), s("D競走馬データ.印 = 'P'"));
    BetWindowState st;
    st.favourites[0].name = s("軸");
    st.favourites[1].name = s("相手");

    ASSERT_TRUE(subBunsekiUma(ctx, st, table));
    expectLines(table, {{s("馬連"), 1, 1, 3, 1, 500},
                        {s("ワイド"), 1, 1, 3, 2, 125},
                        {s("馬単１着流し"), 1, 1, 3, 1, 1000},
                        {s("馬単２着流し"), 1, 0, 3, 0, 0},
                        {s("３連複"), 1, 1, 3, 1, 1500}});

    // A whole group as partners: the same partners through their group.
    st.favourites[1] = FavouritePick{s("G"), true};
    ASSERT_TRUE(subBunsekiUma(ctx, st, table));
    EXPECT_EQ(table.integer(0, 4), 3) << "the group holds both favourites; the axis horse is never its own partner";
}

TEST_F(BetWindowRunTest, RaceWithTwoAxisHorsesCountsOnceOnEveryLine)
{
    // Both axis horses reach the same two partners: two triples bought, one race.
    const std::vector<Runner> r1 = {{s("01"), s("1"), 1, s("X")}, {s("02"), s("1"), 4, s("X")},
                                    {s("03"), s("2"), 2, s("P")}, {s("04"), s("2"), 3, s("P")}};
    addRace(s("R1"), r1, payoutsFor(r1));
    addFavourite(s("軸"), s("G"), s("D競走馬データ.印 = 'X'"));
    addFavourite(s("相手"), s("G"), s("D競走馬データ.印 = 'P'"));
    BetWindowState st;
    st.favourites[0].name = s("軸");
    st.favourites[1].name = s("相手");

    ASSERT_TRUE(subBunsekiUma(ctx, st, table));
    const std::vector<Shown> got = linesOf(table);
    ASSERT_EQ(got.size(), 5u);
    for (const Shown& line : got)
        EXPECT_EQ(line.races, 1) << line.name.toStdString();
    EXPECT_EQ(got[4].points, 2);
    EXPECT_EQ(got[4].raceHits, 1);
    EXPECT_NEAR(table.number(4, 3), 100.0, 1e-9) << "レース的中率 of ３連複";
}

TEST_F(BetWindowRunTest, EighteenHorsesInARaceAndAHorseThatDidNotFinish)
{
    std::vector<Runner> field;
    for (int h = 1; h <= 18; ++h)
        field.push_back({QStringLiteral("%1").arg(h, 2, 10, QLatin1Char('0')), QString::number((h + 1) / 2 > 8 ? 8 : (h + 1) / 2),
                         h == 18 ? 0 : h, s("A")});
    addRace(s("R1"), field, payoutsFor(field));
    addFavourite(s("全"), s("G"), s("D競走馬データ.印 = 'A'"));

    ASSERT_TRUE(subBunsekiUma(ctx, box(s("全")), table)) << ctx.errorLog.recentEntries().value(0).description.toStdString();
    const std::vector<Shown> got = linesOf(table);
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(got[0].points, 153);
    EXPECT_EQ(got[2].points, 306);
    EXPECT_EQ(got[3].points, 816);
    EXPECT_EQ(got[3].hits, 1);
}

TEST_F(BetWindowRunTest, FavouriteThatMatchesNothingSelectsNoHorse)
{
    const std::vector<Runner> r1 = {{s("01"), s("1"), 1, s("A")}, {s("02"), s("1"), 2, s("A")},
                                    {s("03"), s("2"), 3, s("A")}};
    addRace(s("R1"), r1, payoutsFor(r1));
    table.setColumnCount(1);
    table.appendRow();

    EXPECT_FALSE(subBunsekiUma(ctx, box(s("ない'名前")), table));
    ASSERT_EQ(prompter.messages().size(), 1u);
    EXPECT_EQ(prompter.messages()[0].text, s("対象データは１件もありません、条件を変えて再度行って下さい"));
    EXPECT_EQ(table.rowCount(), 1) << "no rows: the table keeps what it had";
}

TEST_F(BetWindowRunTest, PayoutSumBeyond32BitsIsReportedNotWrapped)
{
    for (const char* key : {"R1", "R2"}) {
        const std::vector<Runner> r = {{s("01"), s("1"), 1, s("A")}, {s("02"), s("1"), 2, s("A")},
                                       {s("03"), s("2"), 3, s("A")}};
        Payouts p = payoutsFor(r);
        p.quinella = {{s("0102"), 1500000000}};
        addRace(s(key), r, p);
    }
    addFavourite(s("BOX"), s("G"), s("D競走馬データ.印 = 'A'"));

    EXPECT_FALSE(subBunsekiUma(ctx, box(s("BOX")), table));
    EXPECT_EQ(table.rowCount(), 0);
    const auto entries = ctx.errorLog.recentEntries();
    ASSERT_FALSE(entries.isEmpty());
    EXPECT_EQ(entries.last().procedure, s("subKekkaHyoujiUma"));
    EXPECT_TRUE(entries.last().description.contains(s("32"))) << entries.last().description.toStdString();
}

TEST_F(BetWindowRunTest, CancelLeavesTheTableEmpty)
{
    const std::vector<Runner> r1 = {{s("01"), s("1"), 1, s("A")}, {s("02"), s("1"), 2, s("A")}};
    addRace(s("R1"), r1, payoutsFor(r1));
    addFavourite(s("BOX"), s("G"), s("D競走馬データ.印 = 'A'"));
    BetWindowState st = box(s("BOX"));
    BetQuerySource source;
    source.favourites = st.favourites;
    const QString sql = funSqlCreateUma(QueryEnv{ctx.catalogue, ctx.appDb.get(), ctx.errorLog}, source, 0);
    busy.requestCancel();
    EXPECT_FALSE(subKekkaHyoujiUma(ctx, st, sql, table));
    EXPECT_EQ(table.rowCount(), 0);
}

} // namespace
} // namespace tq::bettypes::test
