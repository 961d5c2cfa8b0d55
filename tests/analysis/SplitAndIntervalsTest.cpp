// The figures a run adds beside its result: the discovery and validation
// periods of a split date, and the return-rate intervals with the payout
// concentration.

#include "analysis/AnalysisDocument.h"
#include "analysis/ReturnIntervals.h"
#include "analysis/Run.h"
#include "analysis/RunExtras.h"
#include "analysis/SplitStatistics.h"
#include "context/StatusLine.h"
#include "support/SharedGeneratedData.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tq::analysis {
namespace {

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

// --- intervals on hand-made groups ------------------------------------------

struct Runner {
    const char* race;
    qint64 finish;
    qint32 win;
    qint32 place;
};

GroupSample sampleOf(const std::vector<Runner>& runners)
{
    GroupSample sample;
    for (const Runner& r : runners) {
        CountedRow row;
        row.raceKey = QByteArrayView(r.race);
        row.finish = r.finish;
        row.winPayout = r.win;
        row.placePayout = r.place;
        sample.add(row);
    }
    return sample;
}

// Ten-runner races whose winner pays 10 times the stake: every race returns
// exactly 100 %, so every resample does too.
std::vector<Runner> flatGroup(std::vector<std::string>& keys)
{
    keys.clear();
    for (int i = 0; i < 40; ++i)
        keys.push_back("F" + std::to_string(100 + i));
    std::vector<Runner> out;
    for (const std::string& key : keys)
        for (int h = 1; h <= 10; ++h)
            out.push_back({key.c_str(), h, h == 1 ? 1000 : 0, h <= 3 ? 200 : 0});
    return out;
}

// 300 runners, one per race: twenty winners paying 450 and two long shots
// paying 15000 make 単回収率 130 %, nearly all of it from the two.
std::vector<Runner> longShotGroup(std::vector<std::string>& keys)
{
    keys.clear();
    for (int i = 0; i < 300; ++i)
        keys.push_back("L" + std::to_string(1000 + i));
    std::vector<Runner> out;
    for (int i = 0; i < 300; ++i) {
        const bool longShot = i == 17 || i == 211;
        const bool winner = longShot || i % 15 == 0;
        out.push_back({keys[std::size_t(i)].c_str(), winner ? 1 : 5, longShot ? 15000 : winner ? 450 : 0,
                       winner ? 150 : 0});
    }
    return out;
}

TEST(ReturnIntervals, FlatGroupAndLongShotGroup)
{
    // Each group keeps its own race keys: the runners point into them.
    std::vector<std::string> flatKeys;
    std::vector<std::string> longShotKeys;
    struct Case {
        const char* name;
        std::vector<Runner> runners;
        double point;
        double winLow, winHigh; // expected bounds (exact), or NaN to check the spread below
        double concentration;
    };
    const double any = std::nan("");
    const Case cases[] = {
        // 400 runners: the largest 4 of 40 payouts of 1000 are 10 % of P.
        {"flat", flatGroup(flatKeys), 100.0, 100.0, 100.0, 10.0},
        // 300 runners: the largest 3 payouts, 15000 + 15000 + 450, of P = 39000.
        {"long shots", longShotGroup(longShotKeys), 130.0, any, any, 30450.0 * 100.0 / 39000.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const GroupSample sample = sampleOf(c.runners);
        const ReturnInterval interval = returnInterval(sample);
        qint64 win = 0;
        for (const GroupSample::Race& race : sample.races)
            win += race.win;
        EXPECT_DOUBLE_EQ(double(win) / double(sample.n), c.point);
        EXPECT_NEAR(interval.concentration, c.concentration, 1e-9);
        if (!std::isnan(c.winLow)) {
            EXPECT_DOUBLE_EQ(interval.winLow, c.winLow);
            EXPECT_DOUBLE_EQ(interval.winHigh, c.winHigh);
            EXPECT_DOUBLE_EQ(interval.placeLow, 60.0);
            EXPECT_DOUBLE_EQ(interval.placeHigh, 60.0);
        } else {
            // Fragile: the interval reaches well below 100 % and is wider
            // than the rate itself.
            EXPECT_LT(interval.winLow, 60.0);
            EXPECT_GT(interval.winHigh, 200.0);
            EXPECT_LT(interval.placeLow, interval.placeHigh);
        }
    }
}

// In the panel, the long-shot group's 130 % shows a coloured low bound; the
// flat group's 100 % and the place rates below 100 % do not.
TEST(ReturnIntervals, PanelColoursALowBoundBelowAPayingRate)
{
    std::vector<std::string> flatKeys;
    std::vector<std::string> longShotKeys;
    Sheet result;
    result.setColumnCount(2);
    result.setHeader(0, s("距離"));
    result.setHeader(1, s("総件数"));
    result.setText(result.appendRow(), 0, s("1200"));
    result.setText(result.appendRow(), 0, s("1400"));
    const Sheet panel = intervalSheet(result, 1, {sampleOf(flatGroup(flatKeys)), sampleOf(longShotGroup(longShotKeys))});
    ASSERT_EQ(panel.rowCount(), 2);
    const int winLow = panel.columnOfHeader(s("単回収率下限95%"));
    const int placeLow = panel.columnOfHeader(s("複回収率下限95%"));
    EXPECT_EQ(panel.backColour(0, winLow), Sheet::kDefaultColour);
    EXPECT_EQ(panel.backColour(1, winLow), kNotSureColour);
    EXPECT_EQ(panel.backColour(1, placeLow), Sheet::kDefaultColour);
}

TEST(ReturnIntervals, SeedMakesThemReproducibleWhateverTheRowOrder)
{
    std::vector<std::string> keys;
    std::vector<Runner> runners = longShotGroup(keys);
    const ReturnInterval first = returnInterval(sampleOf(runners));
    std::reverse(runners.begin(), runners.end());
    const ReturnInterval again = returnInterval(sampleOf(runners));
    EXPECT_EQ(first.winLow, again.winLow);
    EXPECT_EQ(first.winHigh, again.winHigh);
    EXPECT_EQ(first.placeLow, again.placeLow);
    EXPECT_EQ(first.placeHigh, again.placeHigh);

    // Another seed moves the bounds by resampling noise only: the group
    // stays visibly fragile.
    const ReturnInterval otherSeed = returnInterval(sampleOf(runners), kBootstrapSeed + 1);
    EXPECT_LT(otherSeed.winLow, 60.0);
    EXPECT_GT(otherSeed.winHigh, 200.0);
}

// A race split over two parts of a group (rows of a repeated label
// combination) is one race after the merge; a row without a race key stays
// a race of its own.
TEST(ReturnIntervals, MergeJoinsTheRacesOfRepeatedGroups)
{
    GroupSample a = sampleOf({{"R1", 1, 500, 200}, {"R2", 4, 0, 0}});
    GroupSample b = sampleOf({{"R1", 2, 0, 150}, {"", 1, 300, 120}, {"R3", 7, 0, 0}});
    a.merge(std::move(b));
    EXPECT_EQ(a.n, 5);
    ASSERT_EQ(a.races.size(), 4u);
    EXPECT_EQ(a.races[0].runners, 2);
    EXPECT_EQ(a.races[0].place, 350);
    EXPECT_EQ(a.winPayouts, (std::vector<qint32>{500, 300}));
}

// --- split periods ------------------------------------------------------------

TEST(SplitStatistics, DeclineNeedsAPaidDiscoveryAndAFailedValidation)
{
    auto halves = [](qint64 discoveryP, qint64 validationP, qint64 discoveryQ, qint64 validationQ) {
        SplitHalves h;
        h.discovery.n = h.validation.n = 10;
        h.discovery.p = discoveryP;
        h.validation.p = validationP;
        h.discovery.q = discoveryQ;
        h.validation.q = validationQ;
        return h;
    };
    EXPECT_EQ(splitDecline(halves(1500, 900, 800, 800)), s("単"));
    EXPECT_EQ(splitDecline(halves(1500, 900, 1200, 500)), s("単複"));
    EXPECT_EQ(splitDecline(halves(1000, 500, 1200, 1000)), QString()); // exactly 100 % did not pay
    EXPECT_EQ(splitDecline(halves(900, 500, 1200, 1100)), QString());
    SplitHalves empty = halves(1500, 0, 0, 0);
    empty.validation.n = 0;
    EXPECT_EQ(splitDecline(empty), QString());
}

class SplitOnGeneratedData : public support::SharedGeneratedData {
  protected:
    static context::AppContext& ctx() { return data().context(); }

    static conditions::ConditionRow row(const char* item, const QString& value)
    {
        conditions::ConditionRow r;
        r.itemName = s(item);
        r.value = value;
        r.targetCaption = conditions::targetCaption(0);
        return r;
    }

    static void run(AnalysisDocument& doc)
    {
        context::MemoryStatusLine status;
        ASSERT_TRUE(subBunseki(ctx(), status, doc, true));
    }
};

// Figures of one period read back from the split table: the rates hold the
// full quotients, so the payout sums come back exactly.
struct Period {
    qint64 n = 0, w1 = 0, p = 0, q = 0;
};

Period periodOf(const Sheet& split, int row, const char* which)
{
    auto col = [&](const char* figure) { return split.columnOfHeader(QString(s(figure) + s(which))); };
    Period out;
    out.n = split.integer(row, col("総件数"));
    out.w1 = std::llround(split.number(row, col("勝率")) * double(out.n) / 100.0);
    out.p = std::llround(split.number(row, col("単回収率")) * double(out.n));
    out.q = std::llround(split.number(row, col("複回収率")) * double(out.n));
    return out;
}

TEST_F(SplitOnGeneratedData, PeriodsAddUpToTheGroupInEveryGroup)
{
    struct Case {
        const char* name;
        std::vector<conditions::AggregationKey> keys;
    };
    const Case cases[] = {
        {"no keys", {}},
        // Sorted by the raw distance, bucket and horse-number pairs repeat and
        // are merged into their first row.
        {"distance buckets and horse number", {{s("距離"), {s("2,400")}}, {s("馬番"), {s("0")}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AnalysisDocument doc;
        doc.conditions.rows = {row("芝ダ", s("1,0,0"))};
        for (std::size_t i = 0; i < c.keys.size(); ++i)
            doc.conditions.keys[i] = c.keys[i];
        doc.splitDate = QDate(2025, 7, 1);
        doc.intervals = true;
        run(doc);
        const Sheet& result = doc.result;
        const int k = int(c.keys.size());
        ASSERT_EQ(doc.splitResult.rowCount(), result.rowCount());
        ASSERT_EQ(doc.intervalResult.rowCount(), result.rowCount());
        bool bothPeriods = false;
        for (int r = 0; r < result.rowCount(); ++r) {
            for (int c2 = 0; c2 < k; ++c2)
                ASSERT_EQ(doc.splitResult.displayText(r, c2), result.displayText(r, c2));
            const Period d = periodOf(doc.splitResult, r, "(発見)");
            const Period v = periodOf(doc.splitResult, r, "(検証)");
            auto at = [&](const char* header) { return result.columnOfHeader(s(header)); };
            EXPECT_EQ(d.n + v.n, result.integer(r, at("総件数"))) << r;
            EXPECT_EQ(d.w1 + v.w1, result.integer(r, at("１着件数"))) << r;
            EXPECT_EQ(double(d.p + v.p), result.number(r, at("単配当合計"))) << r;
            EXPECT_EQ(double(d.q + v.q), result.number(r, at("複配当合計"))) << r;
            EXPECT_DOUBLE_EQ(doc.intervalResult.number(r, k), result.number(r, at("単回収率"))) << r;
            bothPeriods = bothPeriods || (d.n > 0 && v.n > 0);
        }
        EXPECT_TRUE(bothPeriods);
    }
}

// The discovery period is exactly the analysis of the races before the date.
TEST_F(SplitOnGeneratedData, DiscoveryIsTheRunOfTheRacesBeforeTheDate)
{
    AnalysisDocument split;
    split.conditions.rows = {row("芝ダ", s("1,0,0"))};
    split.splitDate = QDate(2025, 7, 1);
    run(split);

    AnalysisDocument before;
    before.conditions.rows = {row("芝ダ", s("1,0,0")), row("開催日", s("2025/01/01,2025/06/30"))};
    run(before);
    const Period d = periodOf(split.splitResult, 0, "(発見)");
    EXPECT_EQ(d.n, before.result.integer(0, 0));
    EXPECT_EQ(double(d.p), before.result.number(0, before.result.columnOfHeader(s("単配当合計"))));
    EXPECT_EQ(double(d.q), before.result.number(0, before.result.columnOfHeader(s("複配当合計"))));

    // Without the option nothing is added, and the CSV form is the result's own.
    AnalysisDocument plain;
    plain.conditions.rows = split.conditions.rows;
    run(plain);
    EXPECT_EQ(plain.splitResult.columnCount(), 0);
    EXPECT_EQ(resultWithExtras(plain).headers(), plain.result.headers());
    const Sheet combined = resultWithExtras(split);
    EXPECT_EQ(combined.headers().mid(0, split.result.columnCount()), split.result.headers());
    EXPECT_EQ(combined.columnCount(), split.result.columnCount() + split.splitResult.columnCount());

    // The intervals add their bounds and the concentration, not a second
    // 単回収率 or 複回収率.
    split.intervals = true;
    run(split);
    const QStringList headers = resultWithExtras(split).headers();
    EXPECT_EQ(headers.count(s("単回収率")), 1);
    EXPECT_EQ(headers.count(s("複回収率")), 1);
    EXPECT_EQ(headers.size(), split.result.columnCount() + split.splitResult.columnCount() +
                                  split.intervalResult.columnCount() - 2);
    EXPECT_EQ(headers.back(), s("上位1%配当占有率"));
}

} // namespace
} // namespace tq::analysis
