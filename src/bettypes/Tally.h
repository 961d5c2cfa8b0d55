#pragma once
// The counters of the bet-type analysis: the six counters of a line of the
// bet-type window, and clsUmaren, the tally of one group and bet-type line of
// the grouped run.
//
// Every counter and sum is a 32-bit integer, as stored results and the rates
// expect; an addition that would leave the 32-bit range throws CountOverflow
// instead of wrapping, and the run reports it.

#include "store/Value.h"

#include <QString>
#include <QStringList>

#include <stdexcept>
#include <string>
#include <vector>

namespace tq::bettypes {

class CountOverflow final : public std::overflow_error {
  public:
    explicit CountOverflow(const char* counter);
};

// counter += amount, or CountOverflow naming `counterName`.
void addChecked(qint32& counter, qint64 amount, const char* counterName);

// One line of the bet-type window's table.
struct LineCounters {
    qint32 points = 0;    // 購入点数
    qint32 hits = 0;      // 的中件数
    qint32 payoutSum = 0; // sum of the payouts of the hits
    qint32 races = 0;     // レース数
    qint32 raceHits = 0;  // レース的中件数
    qint32 topPayout = 0; // 最高配当
    bool raceHit = false; // the race being read already has a hit on this line

    void addPoints(qint64 n) { addChecked(points, n, "購入点数"); }
    void addRace() { addChecked(races, 1, "レース数"); }
    // A hit of payout p (p may be 0: it still counts as a hit).
    void hit(qint32 p);
};

// The tally of one group and bet-type line of the grouped run.
class clsUmaren final {
  public:
    // Key levels a tally keeps (raw value and label of the row that created
    // it): as many as the grouped run accepts.
    static constexpr int kLevels = 11;

    qint32 Race = 0;  // レース数
    qint32 Tensu = 0; // 購入点数
    qint32 Teki = 0;  // 的中件数
    qint32 Hai = 0;   // sum of the payouts of the hits
    qint32 Max = 0;   // 最高配当
    qint32 RTeki = 0; // レース的中件数
    bool TekiFg = false;
    std::string Rkey; // race key of the last race counted
    QString KeyData;  // the group key
    qint32 Hai990 = 0, Hai1990 = 0, Hai2990 = 0, Hai4990 = 0, Hai9990 = 0, Hai10000 = 0;

    // Copies levels 0 .. keyCount-1; throws std::out_of_range beyond kLevels.
    void UmaDataSet(int keyCount, const std::vector<store::Value>& values, const QStringList& labels);
    void UmaDataGet(int keyCount, std::vector<store::Value>& values, QStringList& labels) const;

    void addTensu(qint64 n) { addChecked(Tensu, n, "購入点数"); }

  private:
    std::vector<store::Value> m_values;
    QStringList m_labels;
};

// subUmaTeki: records a hit of payout p; a payout of 0 records nothing.
void subUmaTeki(clsUmaren& tally, qint32 p);

} // namespace tq::bettypes
