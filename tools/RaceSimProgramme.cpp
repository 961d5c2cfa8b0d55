// The race programme of a day: which courses race, and for each of their
// twelve races the class, age condition, surface, distance, going and name.

#include "RaceSimulator.h"

namespace tq::tools::sim {

namespace {

QString className(int classCode)
{
    static const char16_t* const names[] = {u"", u"新馬", u"未勝利", u"１勝クラス", u"２勝クラス", u"３勝クラス", u"オープン",
                                            u"Ｇ３", u"Ｇ２", u"Ｇ１", u"障害未勝利", u"障害オープン"};
    return QString::fromUtf16(names[std::clamp(classCode, 0, 11)]);
}

QString ageName(int ageCode)
{
    switch (ageCode) {
    case 11: return QStringLiteral("２歳");
    case 12: return QStringLiteral("３歳");
    case 13: return QStringLiteral("３歳以上");
    default: return QStringLiteral("４歳以上");
    }
}

} // namespace

std::vector<Simulator::Slot> Simulator::courseDay(const QDate& date)
{
    // The year is cut into blocks of four weekends, each holding the meetings
    // of its season: the northern summer courses (札幌 1, 函館 2) only from late
    // June to early September, winter meetings at the central courses and at
    // 小倉 (10), 福島 and 新潟 in spring, summer and autumn; two or three
    // courses a weekend (0: no third meeting). The last days of December, a
    // block of their own, repeat December's courses in a new meeting.
    static const std::array<std::array<int, 3>, 13> season = {{
        {6, 8, 10}, // January
        {5, 8, 10}, // February
        {6, 9, 7},  // March
        {6, 9, 3},  // April
        {5, 8, 4},  // May
        {5, 9, 0},  // late May to mid June
        {3, 7, 2},  // late June to mid July
        {4, 10, 1}, // late July to mid August
        {4, 10, 1}, // late August to early September
        {6, 9, 0},  // September
        {5, 8, 4},  // October
        {5, 8, 3},  // November
        {6, 9, 7},  // December
    }};
    const int week = (date.dayOfYear() - 1) / 7;
    const int block = week / 4;
    auto coursesOf = [](int b) { return season[std::size_t(std::min(b, 12))]; };
    std::vector<Slot> out;
    const int day = (week % 4) * 2 + (date.dayOfWeek() == 7 ? 2 : 1);
    for (int c : coursesOf(block)) {
        if (c == 0)
            continue;
        int meeting = 1;
        for (int b = 0; b < block; ++b) {
            const auto earlier = coursesOf(b);
            if (std::find(earlier.begin(), earlier.end(), c) != earlier.end())
                ++meeting;
        }
        out.push_back({c, std::min(meeting, 9), day});
    }
    return out;
}

void Simulator::raceDay(const QDate& date, bool today)
{
    std::vector<Slot> venues = courseDay(date);
    if (today) {
        venues = {{6, 1, 1}, {8, 1, 1}};
        if (m_rng.chance(0.6))
            venues.push_back({10, 1, 1});
    }
    const int month = date.month();
    const bool sunday = date.dayOfWeek() == 7;
    for (std::size_t ci = 0; ci < venues.size(); ++ci) {
        const Slot& slot = venues[ci];
        const bool winter = month == 12 || month <= 2;
        int weather = int(m_rng.weighted({55, 30, 7, 5, winter ? 2.0 : 0.0, winter ? 1.0 : 0.0})) + 1;
        for (int r = 1; r <= 12; ++r) {
            Race race;
            race.date = date;
            race.course = slot.course;
            race.meeting = slot.meeting;
            race.day = slot.day;
            race.number = r;
            race.today = today;
            if (r == 7 && m_rng.chance(0.2)) // the weather changes during the day
                weather = int(m_rng.weighted({50, 35, 9, 6, 0, 0})) + 1;
            race.weather = weather;
            // Class programme of the day.
            const bool secondHalf = month >= 6;
            int cls = 2;
            switch (r) {
            case 1: cls = (!sunday && m_rng.chance(0.15)) ? 10 : 2; break;
            case 2: cls = 2; break;
            case 3: cls = m_rng.chance(0.5) ? 2 : 1; break;
            case 4: cls = (secondHalf || month <= 3) ? 1 : 2; break;
            case 5: cls = m_rng.chance(0.5) ? 2 : 3; break;
            case 6: case 7: cls = 3; break;
            case 8: cls = m_rng.chance(0.06) ? 11 : 3; break;
            case 9: case 10: cls = 4; break;
            case 11: {
                const double u = m_rng.uniform();
                cls = !sunday ? (u < 0.85 ? 6 : 7) : (u < 0.55 ? 6 : u < 0.8 ? 7 : u < 0.93 ? 8 : 9);
                break;
            }
            default: cls = m_rng.chance(0.5) ? 5 : 4; break;
            }
            race.classCode = cls;
            // Age conditions by season: 2-year-olds from June, 3-year-old
            // races in the first half, older horses mixed otherwise.
            if (cls == 10 || cls == 11)
                race.ageCode = m_rng.chance(0.5) ? 13 : 14;
            else if (cls <= 2)
                race.ageCode = secondHalf ? ((r <= 2 && month <= 9 && m_rng.chance(0.5)) ? 12 : 11) : 12;
            else if (!secondHalf)
                race.ageCode = (cls == 3 && m_rng.chance(0.5)) ? 12 : 14;
            else
                race.ageCode = 13;
            if (cls == 1 && race.ageCode == 12 && month > 3)
                race.classCode = cls = 2; // no debuts for three-year-olds after March
            // Surface and distance.
            if (cls >= 10) {
                race.surface = 3;
                race.distance = 2750 + 50 * m_rng.between(0, 14);
            } else {
                race.surface = m_rng.chance(cls >= 6 ? 0.75 : 0.48) ? 1 : 2;
                static const int turf[] = {1200, 1400, 1600, 1800, 2000, 2200, 2400, 2500, 3000};
                static const double turfW[] = {18, 14, 20, 16, 16, 6, 6, 2, 2};
                static const int dirt[] = {1000, 1150, 1200, 1400, 1600, 1700, 1800, 1900, 2100};
                static const double dirtW[] = {5, 4, 22, 20, 8, 12, 22, 4, 3};
                std::vector<double> w(race.surface == 1 ? std::begin(turfW) : std::begin(dirtW),
                                      race.surface == 1 ? std::end(turfW) : std::end(dirtW));
                const std::size_t i = m_rng.weighted(w);
                race.distance = race.surface == 1 ? turf[i] : dirt[i];
            }
            race.turn = (race.course == 5 || race.course == 4 || race.course == 7) ? 2 : 1;
            if (race.course == 4 && race.surface == 1 && race.distance == 1200 && m_rng.chance(0.3)) {
                race.distance = 1000;
                race.turn = 3;
            }
            // Going follows the weather.
            const double wet = weather >= 3 && weather <= 4 ? 0.6 : weather >= 5 ? 0.4 : weather == 2 ? 0.12 : 0.05;
            race.going = m_rng.chance(wet) ? int(m_rng.weighted({0, 50, 35, 15})) + 1 : (m_rng.chance(0.08) ? 2 : 1);
            race.weightCode = cls <= 5 ? (race.ageCode <= 12 ? 3 : 4) : (cls == 6 ? 2 : 4);
            if ((cls == 5 || cls == 7 || cls == 8) && m_rng.chance(0.3))
                race.weightCode = 1;
            if (cls >= 3 && cls <= 9 && cls != 6 && r >= 9)
                race.name = m_names.raceTitle() + (cls >= 7 ? QStringLiteral("ステークス") : QStringLiteral("特別"));
            else if (cls == 6)
                race.name = m_names.raceTitle() + QStringLiteral("ステークス");
            else
                race.name = ageName(race.ageCode) + className(cls);
            const int minutes = 10 * 60 + 5 + (r - 1) * 30 + int(ci) * 10;
            race.startTime = two(minutes / 60) + two(minutes % 60);
            race.preRace = m_rng.chance(today ? 0.8 : 0.85);
            if (date == m_prelimNull)
                race.oddsState = 1;
            else if (date == m_prelimZero)
                race.oddsState = 2;
            runRace(race, today);
        }
    }
}

} // namespace tq::tools::sim
