#include "RaceSim.h"

#include "RaceSimulator.h"

#include <algorithm>

namespace tq::tools {

namespace {

constexpr int kWarmupYears = 2;

const char16_t* const kCourseNames[] = {u"札幌", u"函館", u"福島", u"新潟", u"東京", u"中山", u"中京", u"京都", u"阪神", u"小倉"};

} // namespace

namespace sim {

World Simulator::run()
{
    m_end = QDate(2025, 12, 31);
    m_start = m_opt.months > 0 ? QDate(2025, 12, 1).addMonths(-(m_opt.months - 1))
                               : QDate(2026 - std::clamp(m_opt.years, 1, 50), 1, 1);
    m_mid = m_start.addDays(m_start.daysTo(m_end) / 2);
    makePeople();

    // Race days: every Saturday and Sunday.
    std::vector<QDate> days;
    for (QDate d = m_start; d <= m_end; d = d.addDays(1))
        if (d.dayOfWeek() >= 6)
            days.push_back(d);
    m_prelimNull = days.back();
    if (days.size() > 20)
        m_prelimZero = days[days.size() - 17];

    // Warm-up years give the horses careers before the data begin; their
    // races are not kept.
    // Short test spans get one warm-up year.
    const int warmup = m_opt.months > 0 ? 1 : kWarmupYears;
    for (QDate d = m_start.addYears(-warmup); d < m_start; d = d.addDays(1))
        if (d.dayOfWeek() >= 6)
            raceDay(d, false);
    const int warmRaces = int(m_w.races.size());
    const int warmEntries = int(m_w.entries.size());
    for (const QDate& d : days)
        raceDay(d, false);
    m_w.pastRaces = int(m_w.races.size()) - warmRaces;
    m_w.pastEntries = int(m_w.entries.size()) - warmEntries;
    m_w.today = QDate(2026, 1, 3);
    raceDay(m_w.today, true);

    // Drop the warm-up and renumber; previous runs inside it become unknown.
    m_w.races.erase(m_w.races.begin(), m_w.races.begin() + warmRaces);
    m_w.entries.erase(m_w.entries.begin(), m_w.entries.begin() + warmEntries);
    for (Race& r : m_w.races)
        r.firstEntry -= warmEntries;
    for (Entry& e : m_w.entries) {
        e.race -= warmRaces;
        for (int& p : e.prev)
            p = p >= warmEntries ? p - warmEntries : -1;
    }
    m_w.firstDay = days.front();
    m_w.lastDay = days.back();
    return std::move(m_w);
}

} // namespace sim

using sim::two;

QString Race::key() const
{
    return two(course) + two(date.year() % 100) + QString::number(meeting) + QString::number(day) + two(number);
}

QString World::runnerKey(int entry) const
{
    const Entry& e = entries[std::size_t(entry)];
    return races[std::size_t(e.race)].key() + two(e.umaban) + horses[std::size_t(e.horse)].regNo.right(6);
}

QString courseName(int course) { return QString::fromUtf16(kCourseNames[std::clamp(course, 1, 10) - 1]); }

World simulate(const SimOptions& options)
{
    sim::Simulator simulator(options);
    return simulator.run();
}

} // namespace tq::tools
