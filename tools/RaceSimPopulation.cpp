// The population of the simulated world: sires, jockeys and trainers made
// once, horses made as they are needed, and the pools of horses by level.

#include "RaceSimulator.h"

namespace tq::tools::sim {

namespace {

constexpr int kJockeys = 140, kTrainers = 110, kSires = 80;

} // namespace

void Simulator::makePeople()
{
    for (int i = 0; i < kSires; ++i) {
        Sire s;
        s.regNo = QStringLiteral("11") + QString::number(i + 1).rightJustified(8, QLatin1Char('0'));
        s.name = m_names.horseName();
        s.line = m_names.lineName(i % 10);
        s.active = !m_rng.chance(0.25);
        s.quality = m_rng.normal(0, 0.3);
        s.surface = m_rng.normal(0, 0.6);
        s.distance = m_rng.normal(0, 0.6);
        m_w.sires.push_back(s);
    }
    auto makePerson = [&](int index, bool jockey) {
        Person p;
        const PersonName n = m_names.personName(index);
        p.code = QString::number((jockey ? 1000 : 1500) + index).rightJustified(5, QLatin1Char('0'));
        p.name = n.kanji;
        p.kana = n.kana;
        p.stable = m_rng.chance(0.5) ? QStringLiteral("美浦") : QStringLiteral("栗東");
        p.retired = m_rng.chance(0.12);
        p.skill = m_rng.normal(0, jockey ? 0.22 : 0.15);
        const int born = 1960 + m_rng.between(0, 40);
        p.birth = QString::number(born) + two(m_rng.between(1, 12)) + two(m_rng.between(1, 28));
        p.licenceYear = born + 18 + m_rng.between(0, 4);
        return p;
    };
    for (int i = 0; i < kJockeys; ++i)
        m_w.jockeys.push_back(makePerson(i, true));
    for (int i = 0; i < kTrainers; ++i)
        m_w.trainers.push_back(makePerson(200 + i, false));
    // Better jockeys get more rides: weight by skill rank.
    std::vector<int> order(kJockeys);
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](int a, int b) { return m_w.jockeys[a].skill > m_w.jockeys[b].skill; });
    m_jockeyWeights.assign(kJockeys, 0);
    for (int r = 0; r < kJockeys; ++r)
        m_jockeyWeights[order[r]] = std::exp(-r / 35.0);
}

int Simulator::pickJockey(const QDate& date, const std::vector<int>& taken)
{
    for (;;) {
        const int j = int(m_rng.weighted(m_jockeyWeights));
        if (retiredAt(m_w.jockeys[j], date))
            continue;
        if (std::find(taken.begin(), taken.end(), j) != taken.end())
            continue;
        return j;
    }
}

int Simulator::pickTrainer(const QDate& date)
{
    for (;;) {
        const int t = m_rng.between(0, kTrainers - 1);
        if (!retiredAt(m_w.trainers[t], date))
            return t;
    }
}

int Simulator::newHorse(int birthYear, int level, const QDate& date)
{
    Horse h;
    const int yearIndex = birthYear - 1900;
    if (int(m_serial.size()) <= yearIndex)
        m_serial.resize(yearIndex + 1, 0);
    const int serial = ++m_serial[yearIndex];
    h.regNo = QString::number(birthYear) + QLatin1Char('1') + QString::number(serial).rightJustified(5, QLatin1Char('0'));
    h.name = m_names.horseName();
    h.sex = m_rng.chance(0.5) ? 1 : (m_rng.chance(0.85) ? 2 : 3);
    h.birthYear = birthYear;
    h.colour = m_names.colour();
    h.sire = m_rng.between(0, kSires - 1);
    h.damSire = m_rng.between(0, kSires - 1);
    h.damName = m_names.damName();
    h.birthplace = m_names.birthplace();
    h.breeder = m_names.breeder();
    const Sire& s = m_w.sires[h.sire];
    h.ability = m_rng.normal(0, 0.55) + s.quality + 0.3 * m_w.sires[h.damSire].quality;
    if (level >= 2) // an established horse entering the data: ability fits its class
        h.ability = m_rng.normal(-0.2 + 0.3 * level, 0.4);
    h.surface = s.surface + m_rng.normal(0, 0.4);
    h.distance = s.distance + m_rng.normal(0, 0.4);
    h.trainer = pickTrainer(date);
    h.mainJockey = pickJockey(date, {});
    h.bodyWeight = 2 * int(std::lround(m_rng.normal(235, 14)));
    h.available = date;
    if (level >= 2) {
        h.runs = 3 * level;
        h.lastRun = date.addDays(-7 * m_rng.between(3, 10));
        h.lastBodyWeight = h.bodyWeight;
    }
    m_w.horses.push_back(h);
    const int id = int(m_w.horses.size()) - 1;
    m_poolPos.push_back(-1);
    m_pickedIn.push_back(-1);
    setLevel(id, level);
    return id;
}

void Simulator::removeFromPool(int h)
{
    const int lvl = m_w.horses[h].level;
    const int pos = m_poolPos[h];
    if (pos < 0)
        return;
    auto& pool = m_pool[lvl];
    const int last = pool.back();
    pool[pos] = last;
    m_poolPos[last] = pos;
    pool.pop_back();
    m_poolPos[h] = -1;
}

void Simulator::setLevel(int h, int level)
{
    removeFromPool(h);
    m_w.horses[h].level = level;
    m_pool[level].push_back(h);
    m_poolPos[h] = int(m_pool[level].size()) - 1;
}

} // namespace tq::tools::sim
