#pragma once
// The statistics of one group of analysis rows: the raw accumulators and every
// named statistic derived from them. These definitions are shared by the
// win-type results, the favourites and the aggregate tables.
//
// Arithmetic: counts are 32-bit; a rate's product (W1 × 100) is an integer
// product and every division is done in double precision on the integer
// operands. S (sum of 1 / final win odds) is summed in single precision. The
// lower bounds L(n, s) are computed in double precision and rounded to single
// precision. Nothing else is rounded: a decimal statistic keeps the full
// double and the grid shows it with one decimal place.
//
// The payout sums P and Q are kept in 64 bits (as are the rate products), so
// a very large selection cannot overflow them; below 2^31 the values are the
// ones 32-bit arithmetic gives.

#include <QtGlobal>

namespace tq::analysis {

// L(n, s): the lower limit of the Wilson score interval for s / n, in
// percent, at the two-sided 99 % level; n >= 1 (n <= 0 gives 0).
// L(100, 20) = 11.7, L(1000, 200) = 16.9, L(10, 5) = 18.4, L(1, 1) = 13.1.
float funSaiteiRitsu(qint32 n, qint32 s);

struct StatRow {
    // Group accumulators.
    qint32 n = 0;  // rows counted
    qint32 w1 = 0; // finished first
    qint32 w2 = 0;
    qint32 w3 = 0;
    qint64 p = 0;  // sum of win payouts of the winners
    qint64 q = 0;  // sum of place payouts of the first three
    qint32 mw = 0; // largest single win payout
    qint32 mp = 0; // largest single place payout
    float s = 0;   // sum of 1 / final win odds over rows with odds
    // Race counters (meaningful only for an analysis without keys).
    qint32 r = 0;
    qint32 rw = 0;
    qint32 r2 = 0;
    qint32 r3 = 0;

    // Adds a payout to the win / place sums and maxima.
    void addWin(qint32 payout)
    {
        p += payout;
        mw = qMax(mw, payout);
    }
    void addPlace(qint32 payout)
    {
        q += payout;
        mp = qMax(mp, payout);
    }
    // S = S + 1 / odds in single precision.
    void addOdds(double odds) { s = float(double(s) + 1.0 / odds); }
    // Adds another group's accumulators (a repeated label combination, or a
    // period of a split); the race counters are left as they are.
    void addGroup(const StatRow& other)
    {
        n += other.n;
        w1 += other.w1;
        w2 += other.w2;
        w3 += other.w3;
        p += other.p;
        q += other.q;
        s = float(double(s) + double(other.s));
        mw = qMax(mw, other.mw);
        mp = qMax(mp, other.mp);
    }

    void resetGroup()
    {
        const qint32 keepR = r, keepRw = rw, keepR2 = r2, keepR3 = r3;
        *this = StatRow();
        r = keepR;
        rw = keepRw;
        r2 = keepR2;
        r3 = keepR3;
    }

    qint32 unplaced() const { return n - w1 - w2 - w3; }
    double winRate() const;        // 勝率
    double topTwoRate() const;     // 連対率
    double topThreeRate() const;   // 複勝率
    double winReturn() const;      // 単回収率
    double placeReturn() const;    // 複回収率
    double winAverage() const;     // 単平均配当
    double placeAverage() const;   // 複平均配当
    double winReturnWithoutMax() const;   // 最高配当抜き単回収率
    double placeReturnWithoutMax() const; // 最高配当抜き複回収率
    double raceWinRate() const;      // レース勝率
    double raceTopTwoRate() const;   // レース連対率
    double raceTopThreeRate() const; // レース複勝率
    double averageRunners() const;   // 平均頭数
    float lowerWinRate() const;      // 最低勝率
    float lowerTopTwoRate() const;   // 最低連対率
    float lowerTopThreeRate() const; // 最低複勝率
    double equalStakeReturn() const;      // 戻り均等単回収率
    double lowerEqualStakeReturn() const; // 戻り均等最低単回収率
};

} // namespace tq::analysis
