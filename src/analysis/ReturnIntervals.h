#pragma once
// How sure a group's return rates are: a 95 % interval for 単回収率 and
// 複回収率 by bootstrap over the group's races, and the payout concentration.
//
// The races of a group are the units resampled: runners of one race are not
// independent (one of them wins), so the race, with its runners' stakes and
// payouts, is drawn whole. Each replicate draws as many races as the group
// has, with replacement, and computes the rates of the draw; the interval is
// the 2.5 % and 97.5 % points of kReplicates replicates. The generator is
// seeded with a fixed value for every group and the races are taken in race
// key order, so a group's interval depends only on its own rows.
//
// Concentration: the share of P (the sum of win payouts) that the largest 1 %
// of the group's win payouts make up, with 1 % of N counted as the stakes
// (ceil(N / 100), at least one payout). A rate that rests on one or two long
// shots shows a share near 100 % and a wide interval.

#include "analysis/Sheet.h"
#include "analysis/Statistics.h"

#include <QByteArray>
#include <QHash>

#include <vector>

namespace tq::analysis {

// The rows of one group, by race.
struct GroupSample {
    struct Race {
        QByteArray key; // empty: a row without a race key, a race of its own
        qint32 runners = 0;
        qint64 win = 0;   // sum of the race's win payouts in the group
        qint64 place = 0; // sum of its place payouts
    };
    QHash<QByteArray, int> raceIndex; // race key -> index in races
    std::vector<Race> races;
    std::vector<qint32> winPayouts; // every win payout above 0
    qint32 n = 0;
    int lastRace = -1; // the race of the row added last, -1 for none

    // Counts a row; a row without a race key is a race of its own.
    void add(const CountedRow& row);
    // Adds another sample of the same group (rows of a repeated label combination).
    void merge(GroupSample&& other);
};

struct ReturnInterval {
    double winLow = 0, winHigh = 0;     // 単回収率, percent
    double placeLow = 0, placeHigh = 0; // 複回収率, percent
    double concentration = 0;           // share of P, percent; 0 without payouts
};

inline constexpr int kReplicates = 1000;
inline constexpr quint64 kBootstrapSeed = 0x5EED'0F'2026ULL;

// The interval and concentration of a sample (all 0 for an empty one).
ReturnInterval returnInterval(const GroupSample& sample, quint64 seed = kBootstrapSeed, int replicates = kReplicates);

class IntervalFold final : public GroupObserver {
  public:
    void counted(const CountedRow& row) override;
    void groupWritten(int resultRow) override;

    // The sample of result row r at index r.
    const std::vector<GroupSample>& rows() const { return m_rows; }

  private:
    GroupSample m_current;
    std::vector<GroupSample> m_rows;
};

// The colour (a Windows colour value) of a low bound below 100 % under a
// return rate above 100 %.
inline constexpr qint32 kNotSureColour = 0x80C0FF;

// The intervals per result row beside the group's labels: the k key columns
// of `result` (as shown), 単回収率, its 95 % low and high, 複回収率, its low
// and high, and 上位1%配当占有率. A low bound below 100 % under a rate above
// 100 % is coloured kNotSureColour.
Sheet intervalSheet(const Sheet& result, int k, const std::vector<GroupSample>& samples);

} // namespace tq::analysis
