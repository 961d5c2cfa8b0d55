#pragma once
// The per-runner arithmetic of the mark results: expected rates of winning,
// of finishing in the first two and in the first three, from the runner's
// base odds and, per family, from the mark or index that selects the curve.
// Pure functions; thread-safe.

#include "derived/MarkColumns.h"

#include <array>
#include <optional>
#include <string>

namespace tq::derived {

// The source fields of one runner (Null = std::nullopt). Marks are texts
// (UTF-8; short, so they stay inside the string without an allocation)
// compared with one-character values; the others are numbers.
using MarkText = std::optional<std::string>;
struct MarkInputs {
    std::optional<double> baseOdds; // 基準オッズ
    MarkText idmMark;               // IDM印
    std::optional<double> idmGap;   // IDM最大差
    MarkText infoMark;              // 情報印
    std::optional<double> infoIndex; // 情報指数
    MarkText goalRank;              // ゴール順位
    std::optional<double> goalGap;  // ゴール差
    std::optional<double> jockeyWin, jockeyTop2, jockeyTop3; // 騎手期待単勝率, 連対率, 3着内率
    MarkText oddsMark;                  // 直前オッズ印
    MarkText paddockMark;               // 直前パドック印
    std::optional<double> paddockIndex; // 直前パドック指数: present when pre-race data exist
};

enum class MarkFamily { Base, Idm, Info, Tenkai, Paddock, Odds };

struct MarkRates {
    float win = 0, top2 = 0, top3 = 0; // 勝率, 連対率, 複勝率 in percent
};

// m = 73.8 / (基準オッズ − 0.1) in single precision; none when the base odds
// are Null or 0.1 or less in single precision, as the column stores them (no
// rates are defined for them).
std::optional<float> markOddsFactor(const std::optional<double>& baseOdds);

// subMarkKeisu: the family's three rates. The family's coefficient rows are
// tried top to bottom and the first whose condition holds gives A, B, C of
// A·m² + B·m + C; a Null field never satisfies a condition, so it falls
// through to the family's last row.
MarkRates subMarkKeisu(MarkFamily family, const MarkInputs& row, float m);

// A single-precision value as the table stores it: rounded to seven
// significant digits (the decimal text the value is written as), held as the
// nearest double.
double storedSingle(float value);

// The fifty statistic values of one runner in column order, as stored (see
// storedSingle); Null entries are std::nullopt. Without usable base odds every
// value is Null. Without pre-race data (直前パドック指数 Null) the パドック,
// オッズ and 直前総合 columns are Null.
using MarkValues = std::array<std::optional<double>, kMarkStatisticCount>;
MarkValues computeMarkValues(const MarkInputs& row);

} // namespace tq::derived
