#pragma once
// The figures a win-type run adds beside its result table when the document
// asks for them (AnalysisDocument::splitDate, ::intervals, ::simulation): the
// folds follow
// the run's groups as observers and, once the run is complete, their tables
// go into the document.

#include "analysis/ReturnIntervals.h"
#include "analysis/SimulationFold.h"
#include "analysis/SplitStatistics.h"

#include <optional>
#include <vector>

namespace tq::analysis {

class AnalysisDocument;

class RunExtras final {
  public:
    // Empties the document's extra tables and sets up the folds it asks for.
    explicit RunExtras(AnalysisDocument& document);

    // The observers to hand to the run (none when no option is on).
    std::vector<GroupObserver*> observers();
    // Writes the extra tables of a complete run into the document, and the
    // simulation's rows (in race order) and result.
    void finish(AnalysisDocument& document);

  private:
    std::optional<SplitFold> m_split;
    std::optional<IntervalFold> m_intervals;
    std::optional<SimulationFold> m_simulation;
};

// The result table with the extra tables' figure columns appended after its
// own, as the command line writes it: neither the label columns of the
// extras nor a figure the result already has (単回収率, 複回収率) are repeated.
Sheet resultWithExtras(const AnalysisDocument& document);

} // namespace tq::analysis
