#include "analysis/RunExtras.h"

#include "analysis/AnalysisDocument.h"

#include <vector>

namespace tq::analysis {

namespace {

// Key columns of a result table: those before 総件数.
int keyColumns(const Sheet& result)
{
    const int total = result.columnOfHeader(u"総件数");
    return total < 0 ? 0 : total;
}

// Appends the figure columns of `extra` (those after its k label columns)
// whose header `into` does not have yet: the intervals repeat 単回収率 and
// 複回収率 beside their bounds for the panel, and a CSV column is found by its
// header, so a figure is written once.
void appendFigures(Sheet& into, const Sheet& extra, int k)
{
    std::vector<int> columns;
    for (int c = k; c < extra.columnCount(); ++c)
        if (into.columnOfHeader(extra.header(c)) < 0)
            columns.push_back(c);
    const int first = into.columnCount();
    into.setColumnCount(first + int(columns.size()));
    for (int i = 0; i < int(columns.size()); ++i) {
        const int c = columns[std::size_t(i)];
        const int to = first + i;
        into.setHeader(to, extra.header(c));
        for (int r = 0; r < into.rowCount() && r < extra.rowCount(); ++r) {
            if (extra.kind(r, c) == CellKind::Integer)
                into.setInteger(r, to, extra.integer(r, c));
            else if (extra.kind(r, c) == CellKind::Decimal)
                into.setDecimal(r, to, extra.number(r, c), extra.decimalPlaces(r, c));
            else if (!extra.displayText(r, c).isEmpty())
                into.setText(r, to, extra.displayText(r, c));
        }
    }
}

} // namespace

RunExtras::RunExtras(AnalysisDocument& document)
{
    document.splitResult.clear();
    document.intervalResult.clear();
    document.simulationRows.clear();
    document.simulationResult = SimulationResult();
    if (document.simulation.enabled)
        m_simulation.emplace();
    if (document.splitDate.isValid())
        m_split.emplace(document.splitDate);
    if (document.intervals)
        m_intervals.emplace();
}

std::vector<GroupObserver*> RunExtras::observers()
{
    std::vector<GroupObserver*> out;
    if (m_split)
        out.push_back(&*m_split);
    if (m_intervals)
        out.push_back(&*m_intervals);
    if (m_simulation)
        out.push_back(&*m_simulation);
    return out;
}

void RunExtras::finish(AnalysisDocument& document)
{
    if (m_simulation) {
        document.simulationRows = m_simulation->takeRows();
        sortIntoRaceOrder(document.simulationRows);
        document.resimulate();
    }
    const int k = keyColumns(document.result);
    if (m_split)
        document.splitResult = splitSheet(document.result, k, m_split->rows());
    if (m_intervals)
        document.intervalResult = intervalSheet(document.result, k, m_intervals->rows());
}

Sheet resultWithExtras(const AnalysisDocument& document)
{
    Sheet sheet = document.result;
    const int k = keyColumns(document.result);
    appendFigures(sheet, document.splitResult, k);
    appendFigures(sheet, document.intervalResult, k);
    return sheet;
}

} // namespace tq::analysis
