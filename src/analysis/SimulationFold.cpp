#include "analysis/SimulationFold.h"

namespace tq::analysis {

void SimulationFold::counted(const CountedRow& row)
{
    SimulationRow r;
    r.race.assign(row.raceKey.data(), std::size_t(row.raceKey.size()));
    r.date = dateNumber(row.date);
    qint64 horse = 0;
    r.horse = horseNumberValue(row.horseNumber, horse) ? horse : -1;
    r.win = row.winPayout;
    r.place = row.placePayout;
    m_rows.push_back(std::move(r));
}

void SimulationFold::groupWritten(int resultRow)
{
    if (resultRow < 0)
        m_rows.resize(m_groupStart);
    m_groupStart = m_rows.size();
}

} // namespace tq::analysis
