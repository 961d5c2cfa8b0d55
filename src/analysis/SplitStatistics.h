#pragma once
// Discovery and validation periods of one run: the rows of every group are
// counted a second time into one of two accumulators, chosen by the row's
// 開催日 against the split date (before it: discovery; on or after it:
// validation). The same statement and the same pass serve both, so the two
// periods add up to the group's figures exactly.
//
// A row without a date counts in the discovery period.

#include "analysis/Sheet.h"
#include "analysis/StatRow.h"
#include "analysis/Statistics.h"

#include <QByteArray>
#include <QDate>

#include <vector>

namespace tq::analysis {

struct SplitHalves {
    StatRow discovery;
    StatRow validation;
};

class SplitFold final : public GroupObserver {
  public:
    explicit SplitFold(const QDate& splitDate);

    void counted(const CountedRow& row) override;
    void groupWritten(int resultRow) override;

    // The halves of result row r at index r (rows never written are empty).
    const std::vector<SplitHalves>& rows() const { return m_rows; }

  private:
    QByteArray m_split; // yyyymmdd
    SplitHalves m_current;
    std::vector<SplitHalves> m_rows;
};

// Whether a group paid in the discovery period (a return rate above 100 %)
// and not in the validation period (the same rate below 100 %): "単", "複",
// "単複", or empty.
QString splitDecline(const SplitHalves& halves);

// The figures of both periods per result row, beside the group's labels:
// the k key columns of `result` (as shown), then for each of 総件数, 勝率,
// 複勝率, 単回収率, 複回収率 and 最低勝率 the discovery and the validation
// value, then 判定 (splitDecline, with "回収率が検証期間で100%割れ"). The
// 判定 cell of a declining group is coloured.
Sheet splitSheet(const Sheet& result, int k, const std::vector<SplitHalves>& halves);

} // namespace tq::analysis
