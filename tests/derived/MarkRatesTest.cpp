// The per-runner arithmetic of the mark results: the worked base-odds values,
// the boundaries of the coefficient rows, Null handling, and the stored
// seven-digit form of single-precision values.

#include "derived/MarkColumns.h"
#include "derived/MarkRanks.h"
#include "derived/MarkRates.h"

#include <gtest/gtest.h>

#include <functional>

#include <charconv>
#include <cmath>
#include <random>

using namespace tq::derived;

namespace {

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

int column(const char* name)
{
    return int(markStatisticColumns().indexOf(s(name)));
}

std::optional<double> value(const MarkValues& v, const char* name)
{
    return v[std::size_t(column(name))];
}

// A runner with base odds 2.0 and every other field Null.
MarkInputs oddsTwo()
{
    MarkInputs in;
    in.baseOdds = 2.0;
    return in;
}

double quadratic(double a, double b, double c)
{
    const double m = double(float(73.8 / 1.9));
    return a * m * m + b * m + c;
}

} // namespace

TEST(MarkRates, BaseOddsTwoGivesTheWorkedRates)
{
    const MarkValues v = computeMarkValues(oddsTwo());
    const struct {
        const char* column;
        double expected;
    } cases[] = {
        {"基準勝率", 45.02}, {"基準連対率", 65.74}, {"基準複勝率", 75.67}, {"基準２着率", 20.72}, {"基準３着率", 9.93},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(value(v, c.column)) << c.column;
        EXPECT_NEAR(*value(v, c.column), c.expected, 0.005) << c.column;
    }
}

TEST(MarkRates, FirstMatchingCoefficientRowIsUsed)
{
    // Each case sets a few fields on top of base odds 2.0 and names the row
    // whose 勝率 coefficients must have been chosen.
    struct Case {
        const char* what;
        std::function<void(MarkInputs&)> set;
        const char* column;
        double a, b, c;
    };
    const Case cases[] = {
        {"IDM印 1 wins over the gap", [](MarkInputs& in) { in.idmMark = "1"; in.idmGap = 2; }, "ＩＤＭ勝率",
         0.0119, 0.6843, 3.5231},
        {"IDM最大差 exactly 3 is <= 3", [](MarkInputs& in) { in.idmMark = "2"; in.idmGap = 3; }, "ＩＤＭ勝率",
         0.0082, 0.6727, 2.8051},
        {"IDM最大差 15 is <= 15", [](MarkInputs& in) { in.idmGap = 15; }, "ＩＤＭ勝率", 0.0047, 0.7763, 0.0888},
        {"IDM最大差 15.5 falls to the last row", [](MarkInputs& in) { in.idmGap = 15.5; }, "ＩＤＭ勝率", 0.0033, 0.7716,
         -0.3553},
        {"Null IDM fields fall to the last row", [](MarkInputs&) {}, "ＩＤＭ勝率", 0.0033, 0.7716, -0.3553},
        {"情報印 2 with 情報指数 0.5 is > 0", [](MarkInputs& in) { in.infoMark = "2"; in.infoIndex = 0.5; }, "情報勝率",
         0.0062, 0.8001, 0.9227},
        {"情報印 2 with 情報指数 1", [](MarkInputs& in) { in.infoMark = "2"; in.infoIndex = 1; }, "情報勝率", 0.0127,
         0.5414, 3.2693},
        {"情報指数 1 without mark", [](MarkInputs& in) { in.infoIndex = 1; }, "情報勝率", 0.0113, 0.6166, 2.1583},
        {"情報指数 0", [](MarkInputs& in) { in.infoIndex = 0; }, "情報勝率", 0.0013, 0.9096, -0.1361},
        {"情報指数 negative", [](MarkInputs& in) { in.infoIndex = -1; }, "情報勝率", -0.005, 0.8343, -0.3767},
        {"ゴール順位 1", [](MarkInputs& in) { in.goalRank = "1"; in.goalGap = 0; }, "展開勝率", 0.0099, 0.8437, 2.5012},
        {"ゴール差 10", [](MarkInputs& in) { in.goalRank = "5"; in.goalGap = 10; }, "展開勝率", 0.0026, 0.813, 0.4424},
        {"パドック印 3", [](MarkInputs& in) { in.paddockIndex = 50; in.paddockMark = "3"; }, "パドック勝率", 0.0121,
         0.6472, 1.64},
        {"パドック印 5 is not blank", [](MarkInputs& in) { in.paddockIndex = 50; in.paddockMark = "5"; },
         "パドック勝率", 0.0065, 0.7647, 0.6358},
        {"パドック印 blank", [](MarkInputs& in) { in.paddockIndex = 50; in.paddockMark = " "; }, "パドック勝率", 0.0019,
         0.8988, -0.2218},
        {"オッズ印 Null", [](MarkInputs& in) { in.paddockIndex = 50; }, "オッズ勝率", -0.0136, 1.0263, -0.4587},
        {"オッズ印 2", [](MarkInputs& in) { in.paddockIndex = 50; in.oddsMark = "2"; }, "オッズ勝率", 0.008, 0.6307,
         3.9402},
    };
    for (const Case& c : cases) {
        MarkInputs in = oddsTwo();
        c.set(in);
        const MarkValues v = computeMarkValues(in);
        ASSERT_TRUE(value(v, c.column)) << c.what;
        EXPECT_NEAR(*value(v, c.column), quadratic(c.a, c.b, c.c), 0.002) << c.what;
    }
}

TEST(MarkRates, JockeyAndPreRaceFallbacks)
{
    // No jockey rates: the jockey stands at the base rates.
    MarkValues v = computeMarkValues(oddsTwo());
    EXPECT_EQ(value(v, "騎手勝率差"), 0.0);
    EXPECT_EQ(value(v, "騎手２着率"), value(v, "基準２着率"));
    EXPECT_EQ(value(v, "騎手３着率"), value(v, "基準３着率"));
    // No 直前パドック指数: all eighteen pre-race columns are Null, the rest are not.
    for (int i = 0; i < kMarkStatisticCount; ++i) {
        const QString& name = markStatisticColumns().at(i);
        const bool preRace = name.startsWith(s("パドック")) || name.startsWith(s("オッズ")) || name.startsWith(s("直前総合"));
        EXPECT_EQ(v[std::size_t(i)].has_value(), !preRace) << name.toStdString();
    }
    // Jockey rates given: differences from the base; 総合 sums the gains.
    MarkInputs in = oddsTwo();
    in.jockeyWin = 50;
    in.jockeyTop2 = 70;
    in.jockeyTop3 = 80;
    in.paddockIndex = 40;
    v = computeMarkValues(in);
    EXPECT_NEAR(*value(v, "騎手勝率差"), 50 - *value(v, "基準勝率"), 1e-4);
    EXPECT_NEAR(*value(v, "騎手２着率"), 20, 1e-4);
    EXPECT_NEAR(*value(v, "総合勝率差"),
                *value(v, "ＩＤＭ勝率差") + *value(v, "情報勝率差") + *value(v, "展開勝率差") + *value(v, "騎手勝率差"), 1e-3);
    EXPECT_NEAR(*value(v, "直前総合勝率"), *value(v, "総合勝率") + *value(v, "パドック勝率差") + *value(v, "オッズ勝率差"),
                1e-3);
}

TEST(MarkRates, BaseOddsWithoutRatesGiveNullEverywhere)
{
    // double(0.1f) is 0.10000000149…: the 0.1 a single-precision column holds.
    for (const std::optional<double> odds : {std::optional<double>(), std::optional<double>(0.1),
                                             std::optional<double>(double(0.1f)), std::optional<double>(0.05),
                                             std::optional<double>(-3)}) {
        MarkInputs in;
        in.baseOdds = odds;
        in.paddockIndex = 50;
        in.jockeyWin = 10;
        const MarkValues v = computeMarkValues(in);
        for (const auto& x : v)
            EXPECT_FALSE(x.has_value());
    }
    MarkInputs in;
    in.baseOdds = 0.11;
    EXPECT_TRUE(computeMarkValues(in)[0].has_value());
}

TEST(MarkRates, StoredSingleIsTheSevenDigitDecimalText)
{
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> rate(-150.f, 150.f);
    std::uniform_int_distribution<int> scale(-12, 12);
    for (int i = 0; i < 200000; ++i) {
        const float f = i % 2 ? rate(rng) : rate(rng) * std::pow(10.f, float(scale(rng)));
        char text[40];
        const auto end = std::to_chars(text, text + sizeof text, double(f), std::chars_format::scientific, 6).ptr;
        double expected = 0;
        std::from_chars(text, end, expected);
        ASSERT_EQ(storedSingle(f), expected) << std::string(text, end);
    }
    EXPECT_EQ(storedSingle(45.0200004f), 45.02);
    EXPECT_EQ(storedSingle(0.f), 0.0);
}

TEST(MarkRanks, DescendingWithTiesConsecutiveAndNullsLast)
{
    // 総合勝率 per runner (horse-number order); other columns left Null.
    const std::vector<std::optional<double>> totals = {10, std::nullopt, 30, 10, 30, std::nullopt, 5};
    const std::vector<int> expected = {3, 6, 1, 4, 2, 7, 5};
    std::vector<MarkValues> race(totals.size());
    const int total = column("総合勝率");
    for (std::size_t i = 0; i < totals.size(); ++i)
        race[i][std::size_t(total)] = totals[i];
    const std::vector<MarkRanks> ranks = rankWithinRace(race);
    for (std::size_t i = 0; i < totals.size(); ++i) {
        EXPECT_EQ(ranks[i][0], expected[i]) << "runner " << i;
        EXPECT_EQ(ranks[i][1], int(i) + 1) << "all Null: horse-number order";
    }
}
