#pragma once
// Pari-mutuel payouts of one race. The public's win probabilities of the
// starters give, by the Harville model, the share of each pool staked on every
// combination; a winning combination pays its share of the pool after the
// takeout (split between the winners on a dead heat), floored to 10 yen and
// never below 100 yen.

#include "RaceSim.h"

#include <vector>

namespace tq::tools {

struct Starter {
    int umaban = 0;       // 1..18
    int waku = 0;         // 1..8
    double q = 0;         // public win probability (sums to 1 over the starters)
    double qx = 0;        // the probability the combination pools are built on
    int rank = 0;         // finishing position (ties share it); 0 = did not finish
    double winOdds = 0;   // the final win odds shown for it
};

struct BetsSold {
    bool quinella = true; // false: 馬連 "0000"
    bool wide = true;     // false: ワイド "0000"
    bool exacta = true;   // false: 馬単 NULL
    bool trio = true;     // false: ３連複 NULL
};

// Takeouts (share of the pool kept back).
inline constexpr double kWinNet = 0.80, kPlaceNet = 0.80, kQuinellaNet = 0.775, kExactaNet = 0.75;

// Place and ワイド stakes lean towards the favourites more than their chances
// alone would: share ∝ probability ^ kConcentration.
inline constexpr double kConcentration = 1.25, kWideConcentration = 1.03;

// Number of places paid for a number of starters: 3 (8 or more), 2 (5-7), 0.
int placesPaid(int starters);

// Fills every payout slot of the race.
Payouts computePayouts(const std::vector<Starter>& starters, const BetsSold& sold);

// The lower bound of each starter's place odds (as shown before the race), 0
// when no place bet is sold. Same order as `starters`.
std::vector<double> placeOddsLowerBound(const std::vector<Starter>& starters);

// Harville probabilities of each horse finishing in the first two and the
// first three; q sums to 1.
void harvilleTop(const std::vector<double>& q, std::vector<double>& top2, std::vector<double>& top3);

// Floors to one decimal place (odds).
double floorTenth(double x);

} // namespace tq::tools
