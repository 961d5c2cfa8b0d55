#include "derived/MarkRates.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <iterator>

namespace tq::derived {

namespace {

// How a coefficient row decides whether it applies, given the family's mark
// field and number field.
enum class Test {
    Always,
    MarkIs,         // mark = text
    MarkIsNumberGe, // mark = text and number >= value
    MarkNotBlank,   // mark <> " "
    NumberLe,       // number <= value
    NumberGe,       // number >= value
    NumberGt,       // number > value
    NumberIs,       // number = value
};

struct CoefficientRow {
    Test test;
    const char* mark; // one character; empty when the test reads no mark
    double number;
    float c[9]; // 勝率 A B C, 連対率 A B C, 複勝率 A B C
};

const CoefficientRow kBase[] = {
    {Test::Always, "", 0, {0.0087f, 0.8184f, 0.1023f, -0.012f, 2.1536f, 0.1936f, -0.0369f, 3.33f, 1.9926f}},
};

const CoefficientRow kIdm[] = {
    {Test::MarkIs, "1", 0, {0.0119f, 0.6843f, 3.5231f, -0.0041f, 1.7745f, 6.5563f, -0.0163f, 2.3633f, 12.943f}},
    {Test::NumberLe, "", 3, {0.0082f, 0.6727f, 2.8051f, -0.0098f, 1.8097f, 5.4322f, -0.0219f, 2.4477f, 12.084f}},
    {Test::NumberLe, "", 6, {0.0061f, 0.684f, 2.5901f, -0.0121f, 1.9014f, 4.0183f, -0.0249f, 2.5598f, 10.433f}},
    {Test::NumberLe, "", 10, {0.0055f, 0.7276f, 1.1834f, -0.0144f, 1.9689f, 2.3842f, -0.0363f, 2.9693f, 5.8289f}},
    {Test::NumberLe, "", 15, {0.0047f, 0.7763f, 0.0888f, -0.0091f, 1.8222f, 1.779f, -0.0426f, 3.1227f, 4.3326f}},
    {Test::Always, "", 0, {0.0033f, 0.7716f, -0.3553f, -0.0119f, 1.9987f, -0.7475f, -0.0576f, 3.6597f, -0.7623f}},
};

const CoefficientRow kInfo[] = {
    {Test::MarkIs, "1", 0, {0.0165f, 0.4199f, 5.0f, -0.005f, 1.8f, 5.68f, -0.0114f, 2.1048f, 13.196f}},
    {Test::MarkIsNumberGe, "2", 1, {0.0127f, 0.5414f, 3.2693f, -0.0054f, 1.8054f, 4.6611f, -0.0198f, 2.527f, 10.482f}},
    {Test::NumberGe, "", 1, {0.0113f, 0.6166f, 2.1583f, -0.0108f, 1.9078f, 3.2431f, -0.0223f, 2.5689f, 9.5148f}},
    {Test::NumberGt, "", 0, {0.0062f, 0.8001f, 0.9227f, -0.012f, 1.9449f, 2.431f, -0.0453f, 2.9943f, 6.559f}},
    {Test::NumberIs, "", 0, {0.0013f, 0.9096f, -0.1361f, -0.0148f, 2.0712f, 0.519f, -0.055f, 3.2f, 4.0f}},
    {Test::Always, "", 0, {-0.005f, 0.8343f, -0.3767f, -0.0178f, 1.871f, -0.4611f, -0.064f, 3.5392f, -0.5735f}},
};

const CoefficientRow kTenkai[] = {
    {Test::MarkIs, "1", 0, {0.0099f, 0.8437f, 2.5012f, -0.0095f, 2.0673f, 4.9348f, -0.0258f, 2.8359f, 9.7447f}},
    {Test::NumberLe, "", 3, {0.0096f, 0.6854f, 2.4795f, -0.012f, 1.9877f, 4.1847f, -0.0261f, 2.7317f, 9.3922f}},
    {Test::NumberLe, "", 6, {0.0096f, 0.7209f, 1.5099f, -0.0109f, 1.9543f, 2.9786f, -0.0285f, 2.7805f, 7.6265f}},
    {Test::NumberLe, "", 10, {0.0026f, 0.813f, 0.4424f, -0.0175f, 2.0533f, 1.3611f, -0.0448f, 3.2218f, 4.2662f}},
    {Test::Always, "", 0, {0.0017f, 0.8376f, -0.2954f, -0.0191f, 2.1333f, -0.5762f, -0.0588f, 3.6707f, -0.1845f}},
};

const CoefficientRow kPaddock[] = {
    {Test::MarkIs, "1", 0, {0.009f, 0.8303f, 1.9845f, -0.0065f, 1.8436f, 6.5801f, -0.0194f, 2.4615f, 13.066f}},
    {Test::MarkIs, "2", 0, {0.0123f, 0.5968f, 2.8635f, -0.0009f, 1.6322f, 6.2688f, -0.0159f, 2.3119f, 13.242f}},
    {Test::MarkIs, "3", 0, {0.0121f, 0.6472f, 1.64f, -0.0083f, 1.9023f, 3.302f, -0.03f, 2.8549f, 7.8899f}},
    {Test::MarkIs, "4", 0, {0.007f, 0.7117f, 1.4193f, -0.0163f, 2.0401f, 2.2721f, -0.0387f, 3.0608f, 6.116f}},
    {Test::MarkNotBlank, "", 0, {0.0065f, 0.7647f, 0.6358f, -0.0178f, 2.07f, 1.3741f, -0.0429f, 3.1907f, 4.1497f}},
    {Test::Always, "", 0, {0.0019f, 0.8988f, -0.2218f, -0.0243f, 2.269f, -0.3907f, -0.062f, 3.7041f, 0.5692f}},
};

const CoefficientRow kOdds[] = {
    {Test::MarkIs, "1", 0, {0.0075f, 0.8416f, 3.688f, -0.0064f, 1.8058f, 7.6044f, -0.0179f, 2.3685f, 14.362f}},
    {Test::MarkIs, "2", 0, {0.008f, 0.6307f, 3.9402f, -0.0036f, 1.5854f, 8.1921f, -0.0178f, 2.2567f, 14.934f}},
    {Test::MarkIs, "3", 0, {0.0089f, 0.598f, 2.9931f, -0.0105f, 1.7777f, 6.092f, -0.028f, 2.5678f, 12.288f}},
    {Test::MarkIs, "4", 0, {0.0086f, 0.5646f, 2.9659f, -0.0054f, 1.6033f, 6.2225f, -0.0236f, 2.3294f, 12.624f}},
    {Test::MarkNotBlank, "", 0, {0.0087f, 0.5327f, 1.8717f, -0.0279f, 2.0557f, 2.6927f, -0.0547f, 3.0175f, 7.5374f}},
    {Test::Always, "", 0, {-0.0136f, 1.0263f, -0.4587f, -0.0498f, 2.457f, -0.8013f, -0.1316f, 4.408f, -0.7348f}},
};

struct FamilyBlock {
    const CoefficientRow* rows;
    std::size_t count;
    const MarkText MarkInputs::*mark;
    const std::optional<double> MarkInputs::*number;
};

FamilyBlock block(MarkFamily family)
{
    switch (family) {
    case MarkFamily::Base:
        return {kBase, std::size(kBase), nullptr, nullptr};
    case MarkFamily::Idm:
        return {kIdm, std::size(kIdm), &MarkInputs::idmMark, &MarkInputs::idmGap};
    case MarkFamily::Info:
        return {kInfo, std::size(kInfo), &MarkInputs::infoMark, &MarkInputs::infoIndex};
    case MarkFamily::Tenkai:
        return {kTenkai, std::size(kTenkai), &MarkInputs::goalRank, &MarkInputs::goalGap};
    case MarkFamily::Paddock:
        return {kPaddock, std::size(kPaddock), &MarkInputs::paddockMark, nullptr};
    case MarkFamily::Odds:
        return {kOdds, std::size(kOdds), &MarkInputs::oddsMark, nullptr};
    }
    return {kBase, std::size(kBase), nullptr, nullptr};
}

// Whether the row applies; a comparison with a Null field never holds.
bool holds(const CoefficientRow& r, const MarkText* mark, const std::optional<double>* number)
{
    const auto markIs = [&](const char* text) { return mark && *mark && **mark == text; };
    switch (r.test) {
    case Test::Always:
        return true;
    case Test::MarkIs:
        return markIs(r.mark);
    case Test::MarkIsNumberGe:
        return markIs(r.mark) && number && *number && **number >= r.number;
    case Test::MarkNotBlank:
        return mark && *mark && **mark != " ";
    case Test::NumberLe:
        return number && *number && **number <= r.number;
    case Test::NumberGe:
        return number && *number && **number >= r.number;
    case Test::NumberGt:
        return number && *number && **number > r.number;
    case Test::NumberIs:
        return number && *number && **number == r.number;
    }
    return false;
}

// Rounds to the nearest integer, halves to even, for |x| < 2^51: adding and
// taking away 1.5 * 2^52 leaves no fraction bits (as rint in the default
// rounding mode, without a library call on baseline x86-64).
double roundHalfEven(double x)
{
    constexpr double kShift = 6755399441055744.0;
    return (x + kShift) - kShift;
}

float quadratic(const float* abc, float m)
{
    const double x = double(m);
    return float(double(abc[0]) * x * x + double(abc[1]) * x + double(abc[2]));
}

} // namespace

std::optional<float> markOddsFactor(const std::optional<double>& baseOdds)
{
    // Base odds come from a single-precision column: its 0.1 reads as
    // 0.10000000149…, which the double 0.1 would let through.
    if (!baseOdds || !(float(*baseOdds) > 0.1f))
        return std::nullopt;
    return float(73.8 / (*baseOdds - 0.1));
}

MarkRates subMarkKeisu(MarkFamily family, const MarkInputs& row, float m)
{
    const FamilyBlock b = block(family);
    const MarkText* mark = b.mark ? &(row.*b.mark) : nullptr;
    const std::optional<double>* number = b.number ? &(row.*b.number) : nullptr;
    for (std::size_t i = 0; i < b.count; ++i) {
        const CoefficientRow& r = b.rows[i];
        if (holds(r, mark, number))
            return {quadratic(r.c, m), quadratic(r.c + 3, m), quadratic(r.c + 6, m)};
    }
    return {}; // unreachable: every block ends with a row that always holds
}

double storedSingle(float value)
{
    // Powers of ten from 1e-10 to 1e10, exact as doubles up to 1e22 and
    // correctly rounded below 1: dividing by them gives the nearest double to
    // the decimal value.
    static const std::array<double, 21> kPowers = [] {
        std::array<double, 21> p{};
        for (int i = 0; i < 21; ++i)
            p[std::size_t(i)] = std::stod("1e" + std::to_string(i - 10));
        return p;
    }();
    if (value == 0 || !std::isfinite(value))
        return double(value);
    const double v = double(value);
    const double magnitude = std::fabs(v);
    if (magnitude < 1e-10 || magnitude >= 1e10) {
        // Far outside the rates' range: the decimal text itself.
        char text[32];
        std::snprintf(text, sizeof text, "%.6e", v);
        return std::strtod(text, nullptr);
    }
    int exponent = 0; // made such that magnitude lies in [10^exponent, 10^(exponent+1))
    while (magnitude >= kPowers[std::size_t(exponent + 11)])
        ++exponent;
    while (magnitude < kPowers[std::size_t(exponent + 10)])
        --exponent;
    const int places = 6 - exponent; // decimal places that keep seven significant digits
    if (places >= 0) {
        const double scale = places <= 10 ? kPowers[std::size_t(places + 10)] : std::pow(10.0, places);
        return roundHalfEven(v * scale) / scale;
    }
    const double scale = kPowers[std::size_t(-places + 10)];
    return roundHalfEven(v / scale) * scale;
}

MarkValues computeMarkValues(const MarkInputs& row)
{
    MarkValues out;
    const std::optional<float> factor = markOddsFactor(row.baseOdds);
    if (!factor)
        return out;
    const float m = *factor;
    std::size_t next = 0;
    const auto put = [&](float v) { out[next++] = storedSingle(v); };
    const auto skip = [&](std::size_t n) { next += n; };

    const MarkRates base = subMarkKeisu(MarkFamily::Base, row, m);
    put(base.win);
    put(base.top2);
    put(base.top3);
    put(base.top2 - base.win);
    put(base.top3 - base.top2);
    const auto family = [&](const MarkRates& r) {
        put(r.win);
        put(r.top2);
        put(r.top3);
        put(r.top2 - r.win);
        put(r.top3 - r.top2);
        put(r.win - base.win);
    };
    const MarkRates idm = subMarkKeisu(MarkFamily::Idm, row, m);
    const MarkRates info = subMarkKeisu(MarkFamily::Info, row, m);
    const MarkRates tenkai = subMarkKeisu(MarkFamily::Tenkai, row, m);
    family(idm);
    family(info);
    family(tenkai);

    const bool preRace = row.paddockIndex.has_value();
    MarkRates paddock, odds;
    if (preRace) {
        paddock = subMarkKeisu(MarkFamily::Paddock, row, m);
        odds = subMarkKeisu(MarkFamily::Odds, row, m);
        family(paddock);
        family(odds);
    } else {
        skip(12);
    }

    // The jockey's own expected rates; a missing one stands at the base rate.
    MarkRates jockey = base;
    if (row.jockeyWin) {
        jockey.win = float(*row.jockeyWin);
        if (row.jockeyTop2)
            jockey.top2 = float(*row.jockeyTop2);
        if (row.jockeyTop3)
            jockey.top3 = float(*row.jockeyTop3);
    }
    put(jockey.top2 - jockey.win);
    put(jockey.top3 - jockey.top2);
    put(jockey.win - base.win);

    // The combined estimates: the base plus every family's gain over it.
    const auto combined = [&](float gainWin, float gainTop2, float gainTop3) {
        const MarkRates total{base.win + gainWin, base.top2 + gainTop2, base.top3 + gainTop3};
        put(total.win);
        put(total.top2);
        put(total.top3);
        put(total.top2 - total.win);
        put(total.top3 - total.top2);
        put(gainWin);
    };
    const auto d4 = [&](float i, float n, float t, float j, float b) { return i + n + t + j - 4 * b; };
    combined(d4(idm.win, info.win, tenkai.win, jockey.win, base.win),
             d4(idm.top2, info.top2, tenkai.top2, jockey.top2, base.top2),
             d4(idm.top3, info.top3, tenkai.top3, jockey.top3, base.top3));
    if (preRace) {
        const auto d6 = [&](float i, float n, float t, float p, float o, float j, float b) {
            return i + n + t + p + o + j - 6 * b;
        };
        combined(d6(idm.win, info.win, tenkai.win, paddock.win, odds.win, jockey.win, base.win),
                 d6(idm.top2, info.top2, tenkai.top2, paddock.top2, odds.top2, jockey.top2, base.top2),
                 d6(idm.top3, info.top3, tenkai.top3, paddock.top3, odds.top3, jockey.top3, base.top3));
    }
    return out;
}

} // namespace tq::derived
