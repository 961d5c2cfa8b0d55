#include "RaceSim.h"

#include "NameMaker.h"
#include "RacePools.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace tq::tools {

namespace {

// How sharply strength decides the race: win probability ∝ exp(strength / T).
constexpr double kTemperature = 0.55;
constexpr int kJockeys = 140, kTrainers = 110, kSires = 80;
constexpr int kWarmupYears = 2;

const char16_t* const kCourseNames[] = {u"札幌", u"函館", u"福島", u"新潟", u"東京", u"中山", u"中京", u"京都", u"阪神", u"小倉"};

QString two(int n) { return QString::number(n).rightJustified(2, QLatin1Char('0')); }

double clamp(double x, double lo, double hi) { return std::max(lo, std::min(hi, x)); }

double round1(double x) { return std::round(x * 10) / 10; }

std::vector<double> softmax(const std::vector<double>& x)
{
    double mx = -1e300;
    for (double v : x)
        mx = std::max(mx, v);
    std::vector<double> out(x.size());
    double sum = 0;
    for (std::size_t i = 0; i < x.size(); ++i)
        sum += out[i] = std::exp((x[i] - mx) / kTemperature);
    for (double& v : out)
        v /= sum;
    return out;
}

template <typename Key>
std::vector<int> ranksDesc(const std::vector<Entry*>& es, Key key)
{
    std::vector<int> order(es.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return key(a) > key(b); });
    std::vector<int> rank(es.size());
    for (std::size_t r = 0; r < order.size(); ++r)
        rank[order[r]] = int(r) + 1;
    return rank;
}


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

class Simulator {
public:
    explicit Simulator(const SimOptions& o) : m_opt(o), m_rng(o.seed), m_names(m_rng) {}

    World run();

private:
    struct Slot {
        int course, meeting, day;
    };

    void makePeople();
    int newHorse(int birthYear, int level, const QDate& date);
    void setLevel(int h, int level);
    void removeFromPool(int h);
    std::vector<Slot> courseDay(const QDate& date);
    void raceDay(const QDate& date, bool today);
    void runRace(Race race, bool today);
    std::vector<int> pickField(const Race& race, int want);
    bool eligible(const Horse& h, const Race& race) const;
    int pickJockey(const QDate& date, const std::vector<int>& taken);
    int pickTrainer(const QDate& date);
    double strength(const Horse& h, const Race& race, int jockey) const;
    void preRaceData(Race& race, std::vector<Entry*>& es);
    void result(Race& race, std::vector<Entry*>& es, int raceIndex);
    void afterRace(const Race& race, std::vector<Entry*>& es, int raceIndex);
    void oddsMovement(std::vector<Entry*>& es, const std::vector<double>& finalOdds);
    bool retiredAt(const Person& p, const QDate& date) const { return p.retired && date > m_mid; }

    SimOptions m_opt;
    Prng m_rng;
    NameMaker m_names;
    World m_w;
    QDate m_start, m_end, m_mid, m_writeFrom;
    std::vector<int> m_pool[6];
    std::vector<int> m_poolPos;
    std::vector<int> m_pickedIn; // race index a horse was last picked for
    std::vector<double> m_jockeyWeights;
    std::vector<int> m_serial;   // per birth year
    QDate m_prelimNull, m_prelimZero;
    int m_raceCounter = 0;
};

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

void Simulator::preRaceData(Race& race, std::vector<Entry*>& es)
{
    const int n = int(es.size());
    // Scratches and exclusions happen after the declaration.
    for (Entry* e : es) {
        if (!race.today && m_rng.chance(0.005))
            e->abnormal = m_rng.chance(0.6) ? '1' : '2';
    }
    // Ability index and its marks.
    std::vector<double> idm(n), info(n), goal(n), base(n);
    for (int i = 0; i < n; ++i) {
        idm[i] = round1(50 + 12 * (es[i]->strength + m_rng.normal(0, 0.3)));
        info[i] = es[i]->strength + m_rng.normal(0, 0.45);
        goal[i] = es[i]->strength + m_rng.normal(0, 0.4);
        base[i] = es[i]->strength + m_rng.normal(0, 0.28);
    }
    const auto idmRank = ranksDesc(es, [&](int i) { return idm[i]; });
    const auto infoRank = ranksDesc(es, [&](int i) { return info[i]; });
    const auto goalRank = ranksDesc(es, [&](int i) { return goal[i]; });
    const double idmMax = *std::max_element(idm.begin(), idm.end());
    const double goalMax = *std::max_element(goal.begin(), goal.end());
    double infoMean = 0, infoSd = 0;
    for (double v : info)
        infoMean += v / n;
    for (double v : info)
        infoSd += (v - infoMean) * (v - infoMean) / n;
    infoSd = std::sqrt(std::max(infoSd, 1e-6));
    const std::vector<double> qb = softmax(base);
    std::vector<double> top2, top3;
    harvilleTop(qb, top2, top3);
    const auto baseRank = ranksDesc(es, [&](int i) { return qb[i]; });
    static const char idmMarks[] = {'1', '2', '3', '4', '4', '5'};
    static const char infoMarks[] = {'1', '2', '2', '3', '3', '4'};
    for (int i = 0; i < n; ++i) {
        Entry& e = *es[i];
        e.idm = float(idm[i]);
        e.idmGap = float(round1(idmMax - idm[i]));
        e.idmMark = idmRank[i] <= 6 ? idmMarks[idmRank[i] - 1] : ' ';
        e.infoMark = infoRank[i] <= 6 ? infoMarks[infoRank[i] - 1] : ' ';
        const double z = (info[i] - infoMean) / infoSd;
        if (!m_rng.chance(0.03))
            e.infoIndex = OptF::of(std::fabs(z) < 0.8 ? 0.0 : round1(clamp(1.5 * z, -3, 5)));
        e.goalRank = goalRank[i];
        e.goalGap = float(round1((goalMax - goal[i]) * 6));
        if (!m_rng.chance(0.02)) {
            e.baseOdds = OptF::of(clamp(floorTenth(kWinNet / qb[i]), 1.0, 999.9));
            e.basePop = baseRank[i];
        }
        if (!m_rng.chance(0.05)) {
            const double jf = std::exp(m_w.jockeys[e.jockey].skill);
            e.jockeyWin = OptF::of(round1(clamp(100 * qb[i] * jf, 0.1, 90)));
            e.jockeyTop2 = OptF::of(round1(clamp(100 * top2[i] * jf, 0.2, 95)));
            e.jockeyTop3 = OptF::of(round1(clamp(100 * top3[i] * jf, 0.3, 98)));
        }
        // Paddock: how the horse looks today.
        e.paddockIndex = float(round1(50 + 10 * (es[i]->strength - infoMean) / infoSd + m_rng.normal(0, 6)));
    }
    const auto padRank = ranksDesc(es, [&](int i) { return es[i]->paddockIndex; });
    for (int i = 0; i < n; ++i) {
        Entry& e = *es[i];
        e.paddockMark = padRank[i] <= 4 ? char('0' + padRank[i]) : (e.paddockIndex > 55 ? '5' : ' ');
        if (e.abnormal != '0')
            e.paddockMark = ' ';
    }
}

void Simulator::result(Race& race, std::vector<Entry*>& es, int raceIndex)
{
    (void)raceIndex;
    std::vector<Entry*> st;
    for (Entry* e : es)
        if (e->abnormal == '0')
            st.push_back(e);
    const int n = int(st.size());
    race.starters = n;
    // The public's view: strength seen through a little noise.
    std::vector<double> view(n), perf(n), plain(n);
    // The public slightly overrates outsiders (flattened view), as real
    // betting pools do.
    for (int i = 0; i < n; ++i)
        view[i] = 0.95 * (plain[i] = st[i]->strength + m_rng.normal(0, 0.05));
    const std::vector<double> q0 = softmax(view);
    for (double& v : plain)
        v *= 0.985;
    const std::vector<double> qx = softmax(plain);
    std::vector<double> odds(n), q(n);
    double qsum = 0;
    for (int i = 0; i < n; ++i) {
        odds[i] = clamp(floorTenth(kWinNet / q0[i]), 1.0, 999.9);
        q[i] = q0[i];
        qsum += q[i];
    }
    // Finishing order: Plackett-Luce on strength (Gumbel perturbation).
    for (int i = 0; i < n; ++i)
        perf[i] = st[i]->strength / kTemperature + m_rng.gumbel();
    std::vector<int> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](int a, int b) { return perf[a] > perf[b]; });
    // A few do not finish.
    std::vector<int> finishers;
    for (int i : order) {
        if (m_rng.chance(0.003))
            st[i]->abnormal = '3';
        else
            finishers.push_back(i);
    }
    std::vector<int> rank(n, 0);
    for (std::size_t p = 0; p < finishers.size(); ++p)
        rank[finishers[p]] = int(p) + 1;
    // Rare dead heats.
    const double u = m_rng.uniform();
    const int tieAt = u < 0.0015 ? 1 : u < 0.0025 ? 2 : u < 0.0035 ? 3 : 0;
    if (tieAt > 0 && int(finishers.size()) > tieAt)
        rank[finishers[tieAt]] = tieAt;
    // Times.
    const double speedBase = race.surface == 1 ? 16.8 : race.surface == 2 ? 16.1 : 14.2;
    static const double turfGoing[] = {1, 0.994, 0.985, 0.975};
    static const double dirtGoing[] = {1, 1.004, 1.006, 1.003};
    const double speed = speedBase * (race.surface == 2 ? dirtGoing[race.going - 1] : turfGoing[race.going - 1])
                         * (1 - (race.distance - 1600) / 40000.0) * (1 + m_rng.normal(0, 0.006));
    const double winTime = race.distance / speed;
    double t = winTime;
    const double last3Base = race.surface == 1 ? 34.6 : race.surface == 2 ? 37.2 : 39.5;
    std::vector<double> cornerKey(n);
    for (int i = 0; i < n; ++i)
        cornerKey[i] = perf[i] + m_rng.normal(0, 1.8);
    std::vector<int> cornerOrder(n);
    std::iota(cornerOrder.begin(), cornerOrder.end(), 0);
    std::sort(cornerOrder.begin(), cornerOrder.end(), [&](int a, int b) { return cornerKey[a] > cornerKey[b]; });
    std::vector<int> corner(n);
    for (int r = 0; r < n; ++r)
        corner[cornerOrder[r]] = r + 1;
    double prevTime = winTime;
    for (std::size_t p = 0; p < finishers.size(); ++p) {
        const int i = finishers[p];
        if (p > 0)
            t = (rank[i] == rank[finishers[p - 1]]) ? prevTime : t + std::fabs(m_rng.normal(0.16, 0.14));
        prevTime = t;
        st[i]->time = OptF::of(round1(t));
        st[i]->margin = OptF::of(round1(t) - round1(winTime));
        st[i]->last3f = OptF::of(round1(last3Base + m_rng.normal(0, 0.6) + 0.06 * double(p)));
    }
    const auto popRank = [&] {
        std::vector<int> o(n);
        std::iota(o.begin(), o.end(), 0);
        std::stable_sort(o.begin(), o.end(), [&](int a, int b) { return odds[a] < odds[b]; });
        std::vector<int> r(n);
        for (int k = 0; k < n; ++k)
            r[o[k]] = k + 1;
        return r;
    }();
    std::vector<Starter> starters(n);
    for (int i = 0; i < n; ++i) {
        starters[i] = Starter{st[i]->umaban, st[i]->waku, q[i] / qsum, qx[i], rank[i], odds[i]};
        st[i]->publicProb = q[i];
        st[i]->finish = rank[i];
        st[i]->corner4 = corner[i];
        st[i]->popularity = popRank[i];
    }
    const std::vector<double> placeOdds = placeOddsLowerBound(starters);
    for (int i = 0; i < n; ++i) {
        st[i]->winOdds = OptF::of(odds[i]);
        if (placeOdds[i] > 0)
            st[i]->placeOdds = OptF::of(placeOdds[i]);
        if (race.oddsState == 1) {
            st[i]->winOdds = OptF{};
            st[i]->placeOdds = OptF{};
            st[i]->popularity = 0;
        } else if (race.oddsState == 2) {
            st[i]->winOdds = OptF::of(0);
            st[i]->placeOdds = OptF::of(0);
            st[i]->popularity = 0;
        }
    }
    for (Entry* e : es) {
        if (e->abnormal == '1' || e->abnormal == '2') {
            e->winOdds = OptF::of(0);
            e->placeOdds = OptF::of(0);
        }
        if (e->abnormal != '0')
            e->finish = 0;
    }
    // Bet types on sale depend on the era of the race.
    const double span = std::max<qint64>(1, m_start.daysTo(m_end));
    const double frac = m_start.daysTo(race.date) / span;
    BetsSold sold;
    sold.wide = frac >= 0.10;
    sold.exacta = sold.trio = frac >= 0.20;
    sold.quinella = !(frac < 0.10 && m_rng.chance(0.05));
    race.pay = computePayouts(starters, sold);
    std::vector<double> finalOdds(es.size(), 0);
    for (std::size_t i = 0; i < es.size(); ++i) {
        const auto it = std::find(st.begin(), st.end(), es[i]);
        if (it != st.end())
            finalOdds[i] = odds[std::size_t(it - st.begin())];
    }
    oddsMovement(es, finalOdds);
}

void Simulator::oddsMovement(std::vector<Entry*>& es, const std::vector<double>& finalOdds)
{
    // Pre-race odds index: how the odds moved from the base odds.
    for (std::size_t i = 0; i < es.size(); ++i) {
        Entry& e = *es[i];
        if (e.abnormal == '0' && e.baseOdds.has && finalOdds[i] > 0)
            e.oddsIndex = float(round1(10 * std::log(e.baseOdds.v / finalOdds[i])));
    }
    const auto oddsRank = ranksDesc(es, [&](int i) { return es[i]->abnormal == '0' ? double(es[i]->oddsIndex) : -1e9; });
    for (std::size_t i = 0; i < es.size(); ++i) {
        Entry& e = *es[i];
        e.oddsMark = e.abnormal != '0' ? ' ' : oddsRank[i] <= 4 ? char('0' + oddsRank[i]) : (e.oddsIndex > 0 ? '5' : ' ');
    }
}

void Simulator::afterRace(const Race& race, std::vector<Entry*>& es, int raceIndex)
{
    // Deviation values within the race.
    const int n = int(es.size());
    auto devs = [&](auto value) {
        double mean = 0, sd = 0;
        for (Entry* e : es)
            mean += value(*e) / n;
        for (Entry* e : es)
            sd += (value(*e) - mean) * (value(*e) - mean) / n;
        sd = std::sqrt(std::max(sd, 1e-9));
        std::vector<float> out;
        for (Entry* e : es)
            out.push_back(float(round1(50 + 10 * (value(*e) - mean) / sd)));
        return out;
    };
    const auto total = devs([](const Entry& e) { return e.strength; });
    const auto speed = devs([&](const Entry& e) {
        return e.time.has ? -double(e.time.v) : e.strength * 0.8 - (race.today ? 0.0 : 1.0);
    });
    const auto last = devs([&](const Entry& e) { return e.last3f.has ? -double(e.last3f.v) : e.strength * 0.5; });
    for (int i = 0; i < n; ++i) {
        es[i]->devTotal = total[i];
        es[i]->devSpeed = speed[i];
        es[i]->devLast = last[i];
    }
    // The rider sometimes changes on the day.
    std::vector<int> taken;
    for (Entry* e : es)
        taken.push_back(e->jockey);
    for (Entry* e : es)
        if (!race.today && e->abnormal == '0' && m_rng.chance(0.02)) {
            e->rider = pickJockey(race.date, taken);
            taken.push_back(e->rider);
        }
    // Body weight and the horse's career.
    const int entryBase = race.firstEntry;
    for (int i = 0; i < n; ++i) {
        Entry& e = *es[i];
        Horse& h = m_w.horses[e.horse];
        h.bodyWeight = std::clamp(h.bodyWeight + 2 * int(std::lround(m_rng.normal(0, 2.2))), 380, 580);
        e.bodyWeight = h.bodyWeight;
        if (h.lastBodyWeight > 0) {
            e.bodyDiff = h.bodyWeight - h.lastBodyWeight;
            e.hasBodyDiff = true;
        }
        if (race.today)
            continue;
        if (e.abnormal == '1' || e.abnormal == '2') {
            h.available = race.date.addDays(7 * m_rng.between(2, 6));
            continue;
        }
        h.lastBodyWeight = h.bodyWeight;
        ++h.runs;
        h.lastRun = race.date;
        for (int k = 4; k > 0; --k)
            h.lastEntries[k] = h.lastEntries[k - 1];
        h.lastEntries[0] = entryBase + i;
        (void)raceIndex;
        const double rest = 2 + std::floor(-std::log(1 - m_rng.uniform()) * 3.5);
        h.available = race.date.addDays(7 * int(std::min(rest, 14.0)));
        const int age = race.date.year() - h.birthYear;
        if (e.finish == 1) {
            h.losses = 0;
            if (race.classCode <= 9)
                setLevel(e.horse, std::min(5, std::max(h.level, 1) + 1));
            else if (h.level < 2)
                setLevel(e.horse, 2);
        } else {
            ++h.losses;
            if (h.level == 0)
                setLevel(e.horse, 1);
        }
        double retire = 0.015;
        if (age >= 7)
            retire += 0.15;
        if (h.level <= 1 && age >= 4)
            retire += 0.5;
        if (h.level <= 1 && age == 3 && race.date.month() >= 10)
            retire += 0.3;
        if (h.level <= 1 && h.losses > 10)
            retire += 0.2;
        if (e.abnormal == '3')
            retire += 0.2;
        if (m_rng.chance(retire)) {
            removeFromPool(e.horse);
            h.retired = true;
        }
    }
}

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

} // namespace

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
    Simulator sim(options);
    return sim.run();
}

} // namespace tq::tools
