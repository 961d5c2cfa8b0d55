#include "analysis/StatRow.h"

#include <cmath>

namespace tq::analysis {

namespace {

// The two-sided 99 % normal quantile, a single-precision constant widened to double.
const double kZ = double(float(2.5758345127105713));

// count × 100 / total: an integer product, divided in double precision.
double percent(qint64 count, qint64 total) { return total == 0 ? 0.0 : double(count * 100) / double(total); }
double ratio(qint64 a, qint64 b) { return b == 0 ? 0.0 : double(a) / double(b); }

} // namespace

float funSaiteiRitsu(qint32 n, qint32 s)
{
    if (n <= 0)
        return 0.0f;
    const double dn = n;
    const double p = double(float(double(s) / dn));
    const double z2 = kZ * kZ;
    const double a = z2 / (2.0 * dn);
    const double b = z2 / (4.0 * dn * dn);
    const double c = p * (1.0 - p) / dn;
    return float((a + p - kZ * std::sqrt(b + c)) * dn / (dn + z2) * 100.0);
}

double StatRow::winRate() const { return percent(w1, n); }
double StatRow::topTwoRate() const { return percent(qint64(w1) + w2, n); }
double StatRow::topThreeRate() const { return percent(qint64(w1) + w2 + w3, n); }
double StatRow::winReturn() const { return ratio(p, n); }
double StatRow::placeReturn() const { return ratio(q, n); }
double StatRow::winAverage() const { return ratio(p, w1); }
double StatRow::placeAverage() const { return ratio(q, qint64(w1) + w2 + w3); }
double StatRow::winReturnWithoutMax() const { return ratio(p - mw, n); }
double StatRow::placeReturnWithoutMax() const { return ratio(q - mp, n); }
double StatRow::raceWinRate() const { return percent(rw, r); }
double StatRow::raceTopTwoRate() const { return percent(r2, r); }
double StatRow::raceTopThreeRate() const { return percent(r3, r); }
double StatRow::averageRunners() const { return ratio(n, r); }
float StatRow::lowerWinRate() const { return funSaiteiRitsu(n, w1); }
float StatRow::lowerTopTwoRate() const { return funSaiteiRitsu(n, w1 + w2); }
float StatRow::lowerTopThreeRate() const { return funSaiteiRitsu(n, w1 + w2 + w3); }

double StatRow::equalStakeReturn() const { return s == 0.0f ? 0.0 : double(qint64(w1) * 100) / double(s); }

double StatRow::lowerEqualStakeReturn() const
{
    return s == 0.0f ? 0.0 : double(lowerWinRate()) * double(n) / double(s);
}

} // namespace tq::analysis
