// The field of a race: which horses run, their strength on the day, and the
// entries with frames, jockeys and weights carried.

#include "RaceSimulator.h"
#include "RacePools.h"

namespace tq::tools::sim {

namespace {

// Levels: 0 unraced, 1 maiden, 2 1勝, 3 2勝, 4 3勝, 5 open.
int levelOfClass(int classCode)
{
    switch (classCode) {
    case 1: return 0;
    case 2: return 1;
    case 3: return 2;
    case 4: return 3;
    case 5: return 4;
    default: return 5;
    }
}

} // namespace

bool Simulator::eligible(const Horse& h, const Race& race) const
{
    const int age = race.date.year() - h.birthYear;
    switch (race.ageCode) {
    case 11: if (age != 2) return false; break;
    case 12: if (age != 3) return false; break;
    case 13: if (age < 3) return false; break;
    default: if (age < 4) return false; break;
    }
    return !h.retired && h.available <= race.date;
}

std::vector<int> Simulator::pickField(const Race& race, int want)
{
    std::vector<int> levels;
    switch (race.classCode) {
    case 1: levels = {0}; break;
    case 2: levels = {1, 0}; break;
    case 10: levels = {1, 2}; break;
    case 11: levels = {3, 4, 5}; break;
    default: levels = {levelOfClass(race.classCode)}; break;
    }
    std::vector<int> field;
    const int raceId = m_raceCounter;
    int attempts = want * 10;
    while (int(field.size()) < want && attempts-- > 0) {
        std::size_t total = 0;
        for (int l : levels)
            total += m_pool[l].size();
        if (total == 0)
            break;
        std::size_t r = std::size_t(m_rng.next() % total);
        int h = -1;
        for (int l : levels) {
            if (r < m_pool[l].size()) {
                h = m_pool[l][r];
                break;
            }
            r -= m_pool[l].size();
        }
        const Horse& horse = m_w.horses[h];
        if (m_pickedIn[h] == raceId || !eligible(horse, race))
            continue;
        // Trainers place horses where they fit: surface and distance.
        const double surfaceFit = race.surface == 2 ? -horse.surface : horse.surface;
        const double ideal = 1700 + 450 * horse.distance;
        const double fit = 0.5 * surfaceFit - std::fabs(race.distance - ideal) / 900;
        if (!m_rng.chance(clamp(0.55 + 0.3 * fit, 0.15, 1)))
            continue;
        m_pickedIn[h] = raceId;
        field.push_back(h);
    }
    // Young horses keep arriving; established classes fill from new arrivals
    // only when a race would otherwise not have five runners.
    const bool young = race.classCode <= 2 || race.classCode == 10;
    const int needed = young ? want : 5;
    while (int(field.size()) < needed) {
        int age = 3;
        switch (race.ageCode) {
        case 11: age = 2; break;
        case 12: age = 3; break;
        case 13: age = m_rng.between(3, 5); break;
        default: age = m_rng.between(4, 6); break;
        }
        int level = levels.front();
        if (race.classCode == 2)
            level = 0;
        const int h = newHorse(race.date.year() - age, level, race.date);
        m_pickedIn[h] = raceId;
        field.push_back(h);
    }
    return field;
}

double Simulator::strength(const Horse& h, const Race& race, int jockey) const
{
    const int age = race.date.year() - h.birthYear;
    const double ageCurve = age <= 2 ? -0.35 : age == 3 ? -0.1 : age <= 5 ? 0.0 : -0.12 * (age - 5);
    const double surfaceFit = race.surface == 2 ? -h.surface : h.surface;
    const double ideal = 1700 + 450 * h.distance;
    const double distFit = -std::fabs(race.distance - ideal) / 1400;
    const double goingFit = race.going >= 3 ? 0.1 * h.surface * (race.surface == 2 ? 1 : -1) : 0;
    return h.ability + ageCurve + 0.25 * surfaceFit + distFit + goingFit + m_w.jockeys[jockey].skill
           + 0.6 * m_w.trainers[h.trainer].skill;
}

void Simulator::runRace(Race race, bool today)
{
    ++m_raceCounter;
    const int want = std::clamp(int(std::lround(m_rng.normal(race.classCode <= 2 ? 14.5 : 13.0, 3.2))), 5, 18);
    std::vector<int> field = pickField(race, want);
    // Post positions at random.
    for (std::size_t i = field.size(); i > 1; --i)
        std::swap(field[i - 1], field[std::size_t(m_rng.next() % i)]);
    const int n = int(field.size());
    race.firstEntry = int(m_w.entries.size());
    race.entryCount = n;
    const int raceIndex = int(m_w.races.size());
    std::vector<int> jockeysTaken;
    for (int i = 0; i < n; ++i) {
        Horse& h = m_w.horses[field[i]];
        Entry e;
        e.race = raceIndex;
        e.horse = field[i];
        e.umaban = i + 1;
        // Frames: with more than eight runners the extra horses go to the
        // highest frames.
        if (n <= 8) {
            e.waku = i + 1;
        } else {
            const int base = n / 8, extra = n % 8;
            int pos = 0;
            for (int f = 1; f <= 8; ++f) {
                const int size = base + (f > 8 - extra ? 1 : 0);
                if (i < pos + size) {
                    e.waku = f;
                    break;
                }
                pos += size;
            }
        }
        e.age = race.date.year() - h.birthYear;
        if (retiredAt(m_w.trainers[h.trainer], race.date))
            h.trainer = pickTrainer(race.date);
        e.trainer = h.trainer;
        int j = h.mainJockey;
        if (retiredAt(m_w.jockeys[j], race.date) || std::find(jockeysTaken.begin(), jockeysTaken.end(), j) != jockeysTaken.end()
            || !m_rng.chance(0.65))
            j = pickJockey(race.date, jockeysTaken);
        jockeysTaken.push_back(j);
        e.jockey = e.rider = j;
        e.rotationWeeks = h.lastRun.isValid() ? int(h.lastRun.daysTo(race.date) / 7) : -1;
        e.priorRuns = h.runs;
        e.prev = h.lastEntries;
        e.strength = strength(h, race, j) + m_rng.normal(0, 0.22);
        // Weight carried.
        double carried = e.age <= 2 ? 55 : (e.age == 3 && race.date.month() <= 9 ? 56 : 57);
        if (h.sex == 2)
            carried -= 2;
        if (race.weightCode == 1)
            carried = clamp(std::round((54 + 3 * h.ability) * 2) / 2, 48, 59.5);
        else if (race.weightCode == 2)
            carried += std::min(3, h.runs / 8);
        e.carried = float(carried);
        m_w.entries.push_back(e);
    }
    std::vector<Entry*> es;
    for (int i = 0; i < n; ++i)
        es.push_back(&m_w.entries[race.firstEntry + i]);
    preRaceData(race, es);
    if (!today) {
        result(race, es, raceIndex);
    } else {
        // Today's odds so far: the public's current view.
        std::vector<double> view;
        for (Entry* e : es)
            view.push_back(e->strength + m_rng.normal(0, 0.1));
        const std::vector<double> q = softmax(view);
        std::vector<double> now;
        for (double p : q)
            now.push_back(std::clamp(floorTenth(kWinNet / p), 1.0, 999.9));
        oddsMovement(es, now);
        race.starters = n;
    }
    afterRace(race, es, raceIndex);
    m_w.races.push_back(race);
}

} // namespace tq::tools::sim
