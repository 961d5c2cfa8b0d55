// The staking simulation: a few races worked by hand (a dead heat, a
// scratched runner whose ticket is refunded, several selections in a race,
// a bankroll that runs out under the fraction rule), the stake rule texts,
// and on generated data the flat-stake return rate against the analysis'
// own 単回収率 and 複回収率 of the same rows.

#include "analysis/AnalysisDocument.h"
#include "analysis/ConditionFile.h"
#include "analysis/Run.h"
#include "analysis/Simulation.h"
#include "analysis/SimulationSheets.h"
#include "context/AppContext.h"
#include "context/ScriptedPrompter.h"
#include "context/StatusLine.h"
#include "store/Database.h"
#include "support/RaceTables.h"
#include "support/SharedGeneratedData.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

namespace tq::analysis {
namespace {

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

// --- four races worked by hand ------------------------------------------------
//
// Sorted by race key the statement gives A0 first although it is run a year
// later: the simulation goes by date.
//
// race  date        runners (horse: finish)           単勝          複勝
// A1    2024/01/06  1:2  2:3  3:1                     3=130         3=100 1=120 2=140
// A2    2024/01/06  1:2  2:scratched  3:1             3=600         3=200 1=150
// B1    2024/01/07  1:1  2:1 (dead heat)  3:3  4:4    1=250 2=480   1=130 2=170 3=210
// A0    2025/02/01  1:1  2:2                          1=1200        1=300 2=250
class HandRaces : public ::testing::Test {
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        support::addDistanceItem(ctx.catalogue);
        ctx.appDb = store::Database::create(dir.filePath(s("app.mdb")));
        support::createRaceTables(*ctx.appDb);
        race("A1", "20240106", {{1, "2"}, {2, "3"}, {3, "1"}}, "'3',130,'',0,'',0", "'3',100,'1',120,'2',140,'',0,'',0");
        race("A2", "20240106", {{1, "2"}, {2, ""}, {3, "1"}}, "'3',600,'',0,'',0", "'3',200,'1',150,'',0,'',0,'',0");
        race("B1", "20240107", {{1, "1"}, {2, "1"}, {3, "3"}, {4, "4"}}, "'1',250,'2',480,'',0",
             "'1',130,'2',170,'3',210,'',0,'',0");
        race("A0", "20250201", {{1, "1"}, {2, "2"}}, "'1',1200,'',0,'',0", "'1',300,'2',250,'',0,'',0,'',0");
        doc.conditions.rows.push_back(support::distanceRow(s("1000,2000")));
    }

    struct Runner {
        int horse;
        const char* finish; // empty: scratched (異常区分 1, no finish)
    };

    void race(const char* key, const char* date, std::initializer_list<Runner> runners, const char* win,
              const char* place)
    {
        store::Database& db = *ctx.appDb;
        db.execute(s("INSERT INTO D番組データ VALUES ('%1','%2',1200)").arg(s(key), s(date)));
        db.execute(s("INSERT INTO D払戻情報データ VALUES ('%1',%2,%3)").arg(s(key), s(win), s(place)));
        for (const Runner& r : runners) {
            const QString run = s(key) + QString::number(r.horse);
            const bool scratched = *r.finish == 0;
            db.execute(s("INSERT INTO D競走馬データ VALUES ('%1','%2','%3','馬')").arg(s(key), run).arg(r.horse));
            db.execute(s("INSERT INTO D成績データ VALUES ('%1',%2,'%3','騎手',%4,1.5)")
                           .arg(run, scratched ? s("NULL") : s(r.finish), scratched ? s("1") : s("0"),
                                scratched ? s("0") : s("3.0")));
        }
    }

    SimulationResult run(const char* stake, SimulationBet bet, qint64 bankroll)
    {
        doc.simulation.enabled = true;
        doc.simulation.bet = bet;
        doc.simulation.bankroll = bankroll;
        EXPECT_EQ(parseStakeRule(s(stake), doc.simulation), QString());
        context::MemoryStatusLine status;
        EXPECT_TRUE(subBunseki(ctx, status, doc, true));
        return doc.simulationResult;
    }

    double resultNumber(const char* header) const { return doc.result.number(0, doc.result.columnOfHeader(s(header))); }
    QString resultText(const char* header) const
    {
        return doc.result.displayText(0, doc.result.columnOfHeader(s(header)));
    }

    QTemporaryDir dir;
    context::ScriptedPrompter prompter;
    context::SilentBusy busy;
    context::AppContext ctx{prompter, busy};
    AnalysisDocument doc;
};

// Flat 100 yen on each of the eleven runners that ran (the scratched one is
// refunded: no bet). 単勝 returns 130 + 600 + (250 + 480) + 1200 = 2660.
TEST_F(HandRaces, FlatWinStakeByHand)
{
    const SimulationResult r = run("flat:100", SimulationBet::Win, 1000);
    EXPECT_EQ(r.bets, 11);
    EXPECT_EQ(r.hits, 5);
    EXPECT_EQ(r.stake, 1100);
    EXPECT_EQ(r.payback, 2660);
    EXPECT_EQ(r.finalBankroll, 1000 + 2660 - 1100);
    EXPECT_EQ(r.skipped, 0);
    // The same rows as 総件数, the same rate to every digit.
    EXPECT_EQ(resultNumber("総件数"), 11);
    EXPECT_EQ(r.returnRate(), resultNumber("単回収率"));
    const Sheet summary = simulationSummarySheet(r);
    int rateRow = 0;
    while (rateRow < summary.rowCount() && summary.displayText(rateRow, 0) != s("回収率"))
        ++rateRow;
    ASSERT_LT(rateRow, summary.rowCount());
    EXPECT_EQ(summary.displayText(rateRow, 1), s("241.8"));
    EXPECT_EQ(summary.displayText(rateRow, 1), resultText("単回収率"));

    // Bankroll after each race: 830 (A1), 1230, 1560, 2560. The largest fall
    // is the first race's 170 yen below the starting 1000.
    std::vector<qint64> curve;
    for (const CurvePoint& p : r.curve)
        curve.push_back(p.bankroll);
    EXPECT_EQ(curve, (std::vector<qint64>{830, 1230, 1560, 2560}));
    EXPECT_EQ(r.drawdown.amount, 170);
    EXPECT_DOUBLE_EQ(r.drawdown.percent, 17.0);
    EXPECT_EQ(r.drawdown.peakDate, 0);
    EXPECT_EQ(r.drawdown.troughDate, 20240106);
    // Losing runs: A1's horses 1 and 2, then B1's 3 and 4 (equally long,
    // later: the first is kept).
    EXPECT_EQ(r.losingRun.length, 2);
    EXPECT_EQ(r.losingRun.firstDate, 20240106);
    EXPECT_EQ(r.losingRun.lastDate, 20240106);

    ASSERT_EQ(r.years.size(), 2u);
    EXPECT_EQ(r.years[0].year, 2024);
    EXPECT_EQ(r.years[0].bets, 9);
    EXPECT_EQ(r.years[0].hits, 4);
    EXPECT_EQ(r.years[0].payback, 1460);
    EXPECT_EQ(r.years[1].bets, 2);
    EXPECT_EQ(r.years[1].payback, 1200);
}

// 複勝 pays every placed runner: 360 + 350 + 510 + 550 = 1770 on 11 bets.
TEST_F(HandRaces, FlatPlaceStakeMatchesTheAnalysis)
{
    const SimulationResult r = run("flat:200", SimulationBet::Place, 100000);
    EXPECT_EQ(r.bets, 11);
    EXPECT_EQ(r.hits, 10);
    EXPECT_EQ(r.stake, 2200);
    EXPECT_EQ(r.payback, 3540);
    EXPECT_EQ(r.returnRate(), resultNumber("複回収率"));
    EXPECT_EQ(r.losingRun.length, 1);
    EXPECT_EQ(r.drawdown.amount, 0);
}

// Half the bankroll, 300 yen to start. A1: 100, 100 and the 100 yen minimum
// (everything) on its three runners, 130 back: 130. A2: horse 1 stakes the
// 100 yen minimum, horse 3 would need 100 of the 30 left and is skipped; no
// return: 30. Betting stops before B1 (below 100 yen): its four runners and
// A0's two are skipped.
TEST_F(HandRaces, FractionRuleRunsOutOfMoney)
{
    const SimulationResult r = run("fraction:0.5", SimulationBet::Win, 300);
    EXPECT_EQ(r.bets, 4);
    EXPECT_EQ(r.hits, 1);
    EXPECT_EQ(r.skipped, 1 + 4 + 2);
    EXPECT_EQ(r.stake, 400);
    EXPECT_EQ(r.payback, 130);
    EXPECT_EQ(r.finalBankroll, 30);
    EXPECT_EQ(r.stoppedDate, 20240107);
    ASSERT_EQ(r.curve.size(), 2u);
    EXPECT_EQ(r.curve[0].stake, 300);
    EXPECT_EQ(r.curve[0].bankroll, 130);
    EXPECT_EQ(r.curve[1].stake, 100);
    EXPECT_EQ(r.curve[1].bankroll, 30);
    EXPECT_EQ(r.drawdown.amount, 270);
    EXPECT_DOUBLE_EQ(r.drawdown.percent, 90.0);
    EXPECT_EQ(r.drawdown.troughDate, 20240106);
    EXPECT_EQ(r.losingRun.length, 2);
}

// The period and a split keep whole races by date; resimulating the kept rows
// gives what a new run gives.
TEST_F(HandRaces, PeriodAndValidationKeepRacesByDate)
{
    doc.simulation.from = QDate(2024, 1, 7);
    const SimulationResult period = run("flat:100", SimulationBet::Win, 1000);
    EXPECT_EQ(period.bets, 6);
    EXPECT_EQ(period.payback, 730 + 1200);

    doc.simulation.from = QDate();
    doc.simulation.to = QDate(2024, 1, 6);
    doc.resimulate();
    EXPECT_EQ(doc.simulationResult.bets, 5);
    EXPECT_EQ(doc.simulationResult.payback, 730);

    doc.simulation.to = QDate();
    doc.splitDate = QDate(2025, 1, 1);
    const SimulationResult validation = run("flat:100", SimulationBet::Win, 1000);
    EXPECT_EQ(validation.bets, 2);
    EXPECT_EQ(validation.payback, 1200);
    EXPECT_EQ(validation.returnRate(),
              doc.splitResult.number(0, doc.splitResult.columnOfHeader(s("単回収率(検証)"))));
}

TEST(StakeRule, TextsAndRefusals)
{
    struct Case {
        const char* text;
        bool ok;
        StakeRule rule;
        qint64 amountOrPpm;
    };
    const Case cases[] = {
        {"flat:100", true, StakeRule::Flat, 100},
        {"flat:1000", true, StakeRule::Flat, 1000},
        {"flat:150", false, StakeRule::Flat, 0},
        {"flat:0", false, StakeRule::Flat, 0},
        {"flat:-100", false, StakeRule::Flat, 0},
        {"fraction:0.01", true, StakeRule::Fraction, 10000},
        {"fraction:.29", true, StakeRule::Fraction, 290000},
        {"fraction:1", true, StakeRule::Fraction, 1000000},
        {"fraction:0", false, StakeRule::Fraction, 0},
        {"fraction:1.5", false, StakeRule::Fraction, 0},
        {"fraction:0.0000001", false, StakeRule::Fraction, 0},
        {"fraction:99999999999999999999", false, StakeRule::Fraction, 0},
        {"kelly:0.1", false, StakeRule::Flat, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        SimulationSettings settings;
        EXPECT_EQ(parseStakeRule(s(c.text), settings).isEmpty(), c.ok);
        if (!c.ok)
            continue;
        EXPECT_EQ(settings.rule, c.rule);
        EXPECT_EQ(c.rule == StakeRule::Flat ? settings.flatStake : settings.fractionPpm, c.amountOrPpm);
    }
}

// 0.29 of 10,000 yen is 2,900 yen: the fraction is kept exactly (a binary
// 0.29 times 10,000 is 2899.99…, which would round down to 2,800).
TEST(Simulation, FractionStakeIsExact)
{
    SimulationSettings settings;
    ASSERT_EQ(parseStakeRule(s("fraction:0.29"), settings), QString());
    settings.bankroll = 10000;
    const SimulationRows rows = {{"R1", 20240101, 1, 0, 0}};
    const SimulationResult r = simulate(rows, settings);
    EXPECT_EQ(r.stake, 2900);
}

// --- generated data -------------------------------------------------------------

class SimulationOnGeneratedData : public support::SharedGeneratedData {};

// For several condition files (with and without keys) a flat stake bets on
// exactly the rows of 総件数 and returns exactly their payout sums, so the
// return rate is the analysis' own.
TEST_F(SimulationOnGeneratedData, FlatStakeReturnsTheAnalysisRates)
{
    context::AppContext& ctx = data().context();
    const char* files[] = {"tokyo-1400-1800.tqb", "distance-up.tqb", "exclude-summer-courses.tqb",
                           "keys-distance-turf.tqb"};
    for (const char* file : files) {
        SCOPED_TRACE(file);
        AnalysisDocument doc;
        funJoukenLoad(ctx, doc, QDir(s(TQ_SOURCE_DIR "/examples")).filePath(s(file)));
        doc.simulation.enabled = true;
        context::MemoryStatusLine status;
        ASSERT_TRUE(subBunseki(ctx, status, doc, true));
        const Sheet& result = doc.result;
        qint64 n = 0;
        double p = 0, q = 0;
        for (int row = 0; row < result.rowCount(); ++row) {
            n += result.integer(row, result.columnOfHeader(s("総件数")));
            p += result.number(row, result.columnOfHeader(s("単配当合計")));
            q += result.number(row, result.columnOfHeader(s("複配当合計")));
        }
        const SimulationResult win = doc.simulationResult;
        ASSERT_GT(n, 0);
        EXPECT_EQ(win.bets, n);
        EXPECT_EQ(double(win.payback), p);
        doc.simulation.bet = SimulationBet::Place;
        doc.resimulate();
        const SimulationResult place = doc.simulationResult;
        EXPECT_EQ(double(place.payback), q);
        if (result.rowCount() == 1) {
            EXPECT_EQ(win.returnRate(), result.number(0, result.columnOfHeader(s("単回収率"))));
            EXPECT_EQ(place.returnRate(), result.number(0, result.columnOfHeader(s("複回収率"))));
        }
        qint64 yearBets = 0;
        for (const SimulationYear& y : place.years)
            yearBets += y.bets;
        EXPECT_EQ(yearBets, n);
        EXPECT_EQ(place.curve.back().bankroll, place.finalBankroll);
    }
}

} // namespace
} // namespace tq::analysis
