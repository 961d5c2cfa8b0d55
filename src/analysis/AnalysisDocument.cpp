#include "analysis/AnalysisDocument.h"

namespace tq::analysis {

AnalysisDocument::AnalysisDocument() = default;

void AnalysisDocument::noteHistoryRow(const QString& conditionText)
{
    historyConditions.append(conditionText);
    // Keep the texts aligned with the rows even if a caller skipped one.
    while (historyConditions.size() > history.rowCount())
        historyConditions.removeFirst();
    while (history.rowCount() > kHistoryLimit) {
        history.removeRow(0);
        if (!historyConditions.isEmpty())
            historyConditions.removeFirst();
    }
}

void AnalysisDocument::resimulate()
{
    simulationResult = simulate(simulationRows, simulation, splitDate);
}

void AnalysisDocument::clearHistory()
{
    history.clearRows();
    historyConditions.clear();
}

} // namespace tq::analysis
