#pragma once
// A staking simulation over the runners a win-type run counts: what betting
// on every one of them, race by race, would have done to a bankroll.
//
// Bets are the rows behind 総件数 (SimulationRows, collected from the run),
// taken in race order: date, race key, horse number. A bet returns the
// runner's own win (単勝) or place (複勝) payout per 100 yen staked, the same
// payout the analysis adds to 単配当合計 / 複配当合計 (dead heats included: each
// horse of a dead heat is paid from its own slot). Runners the analysis does
// not count (異常区分 "1" or "2": scratched or excluded, whose tickets are
// refunded) are not bets at all. Final odds play no part: a stake is decided
// from the bankroll alone, as a bettor would have to before the race.
//
// Stake rules (amounts in whole yen, stakes in units of 100 yen):
//  - flat: the same amount on every bet, whatever the bankroll; the bankroll
//    is the starting amount plus the running profit and may go below zero.
//    With a flat stake the return rate equals the analysis' 単回収率 (複回収率)
//    of the same rows.
//  - fraction: each bet of a race, in horse-number order, stakes the fraction
//    of the bankroll not yet staked in that race, rounded down to 100 yen and
//    at least 100 yen; a bet whose stake is more than what is left in its race
//    is not placed (skipped); betting stops before a race when the bankroll is
//    below 100 yen (every later bet is skipped).
// The returns of a race are added after all its bets.
//
// Drawdown: after each race with a bet, the bankroll's fall below its running
// peak (the starting amount included); the largest fall in yen is reported,
// with its share of that peak and the dates of peak and trough.
// Losing run: consecutive placed bets without any return.

#include <QDate>
#include <QString>

#include <string>
#include <vector>

namespace tq::analysis {

enum class SimulationBet { Win, Place };
enum class StakeRule { Flat, Fraction };

struct SimulationSettings {
    // Whether a win-type run collects its rows and simulates (the command
    // and the window's tab turn it on).
    bool enabled = false;
    SimulationBet bet = SimulationBet::Win;
    StakeRule rule = StakeRule::Flat;
    qint64 flatStake = 100;       // yen, a multiple of 100
    qint64 fractionPpm = 10'000;  // the fraction in millionths (0.01)
    qint64 bankroll = 100'000;    // the starting bankroll, yen
    QDate from;                   // first race date; invalid: from the first race
    QDate to;                     // last race date; invalid: to the last race
};

inline constexpr qint64 kStakeUnit = 100;
inline constexpr qint64 kPpm = 1'000'000;

// Reads a stake rule text, "flat:AMOUNT" (a positive multiple of 100) or
// "fraction:F" (0 < F <= 1, at most six decimals); "flat" and "fraction"
// alone keep the amount or fraction already in `settings`. Returns an empty
// text on success, else the reason (settings unchanged).
QString parseStakeRule(const QString& text, SimulationSettings& settings);
// The rule as parseStakeRule reads it ("flat:100", "fraction:0.01").
QString stakeRuleText(const SimulationSettings& settings);
// A fraction in millionths from its decimal text ("0.01" -> 10000); -1 when
// the text is not a number in (0, 1] with at most six decimals.
qint64 fractionFromText(const QString& text);
QString fractionText(qint64 ppm);

// One counted runner, as the simulation needs it.
struct SimulationRow {
    std::string race;   // レースキー; empty: a race of its own
    qint32 date = 0;    // 開催日 as yyyymmdd; 0 when unknown
    qint64 horse = 0;   // 馬番 as a number; non-numeric numbers sort first
    qint32 win = 0;     // the runner's win payout per 100 yen (winners only)
    qint32 place = 0;   // its place payout per 100 yen (first three only)
};
using SimulationRows = std::vector<SimulationRow>;

// yyyymmdd of a date text as the run reads 開催日 ("20240105", "2024/01/05",
// "2024-01-05"); 0 when it is not such a date.
qint32 dateNumber(QByteArrayView text);
QString dateNumberText(qint32 date); // "2024/01/05"; "" for 0

struct SimulationYear {
    int year = 0; // 0: races without a date
    qint64 bets = 0;
    qint64 hits = 0;
    qint64 stake = 0;
    qint64 payback = 0;
};

// The bankroll after one race with at least one bet placed.
struct CurvePoint {
    qint32 date = 0;
    std::string race;
    qint64 stake = 0;   // staked in the race
    qint64 payback = 0; // returned by the race
    qint64 bankroll = 0;
};

// The starting bankroll of a curve read back from its table: the first
// race's bankroll before its stake and return (0 for an empty curve).
qint64 startingBankroll(const std::vector<CurvePoint>& curve);

struct Drawdown {
    qint64 amount = 0;     // yen below the peak; 0: the bankroll never fell
    double percent = 0;    // amount as a percentage of the peak
    qint64 peak = 0;
    qint32 peakDate = 0;   // 0: the starting amount was the peak
    qint32 troughDate = 0;
    int peakIndex = -1;    // the curve point of the peak; -1: the start
    int troughIndex = -1;  // the curve point of the trough; -1: no fall
};

// The largest fall of a curve below its running peak, the starting amount
// included; the first of equal falls.
Drawdown largestDrawdown(const std::vector<CurvePoint>& curve, qint64 startBankroll);

struct LosingRun {
    qint64 length = 0; // bets
    qint32 firstDate = 0;
    qint32 lastDate = 0;
};

struct SimulationResult {
    bool ran = false;      // the last run simulated (the option was on)
    SimulationSettings settings; // what was simulated
    QDate validationFrom;        // the split date it kept the races from; invalid: none
    qint64 bets = 0;       // bets placed
    qint64 hits = 0;       // placed bets with a return
    qint64 skipped = 0;    // bets not placed (fraction rule)
    qint64 stake = 0;
    qint64 payback = 0;
    qint64 startBankroll = 0;
    qint64 finalBankroll = 0;
    qint32 stoppedDate = 0; // the first race not bet for want of 100 yen; 0: never
    Drawdown drawdown;
    LosingRun losingRun;
    std::vector<SimulationYear> years; // ascending
    std::vector<CurvePoint> curve;     // in race order

    // The total return as a percentage of the total stake (0 without bets),
    // computed as the analysis computes its return rates: one division of
    // exact integers, so a flat stake gives the very same double.
    double returnRate() const;
};

double returnRate(qint64 payback, qint64 stake);

// Sorts rows into race order: date, race key, horse number (rows equal in
// all three keep their order).
void sortIntoRaceOrder(SimulationRows& rows);

// Runs the simulation over `rows`, which must be in race order
// (sortIntoRaceOrder). `validationFrom` (valid with a split) keeps only the
// races on or after that date; `settings.from` / `.to` keep the races within
// them. Rows without a date are left out when any of the three bounds is set.
SimulationResult simulate(const SimulationRows& rows, const SimulationSettings& settings,
                          const QDate& validationFrom = {});

} // namespace tq::analysis
