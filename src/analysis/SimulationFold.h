#pragma once
// Collects the rows a win-type run counts, for the staking simulation: each
// counted row (the rows behind 総件数) with its race, date, horse number and
// own payouts, as the run hands them to its observers. The rows of a group
// the run could not write are dropped with it, so the rows are exactly those
// of the result table.

#include "analysis/Simulation.h"
#include "analysis/Statistics.h"

namespace tq::analysis {

class SimulationFold final : public GroupObserver {
  public:
    void counted(const CountedRow& row) override;
    void groupWritten(int resultRow) override;

    // The rows collected, in the statement's order; leaves the fold empty.
    SimulationRows takeRows() { return std::move(m_rows); }

  private:
    SimulationRows m_rows;
    std::size_t m_groupStart = 0; // the first row of the current group
};

} // namespace tq::analysis
