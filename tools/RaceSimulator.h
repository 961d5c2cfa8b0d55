#pragma once
// The simulator that builds the generator's World (RaceSim.h), shared by the
// files that hold its parts: the population of horses and people
// (RaceSimPopulation.cpp), the race programme of a day (RaceSimProgramme.cpp),
// the field of a race (RaceSimField.cpp), the pre-race data
// (RaceSimPreRace.cpp), the result and its consequences (RaceSimResult.cpp)
// and the run over the whole span (RaceSim.cpp). Also the small numeric
// helpers those parts share. Internal to the generator.

#include "NameMaker.h"
#include "RaceSim.h"

#include <QDate>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

namespace tq::tools::sim {

// How sharply strength decides the race: win probability ∝ exp(strength / T).
inline constexpr double kTemperature = 0.55;

inline QString two(int n) { return QString::number(n).rightJustified(2, QLatin1Char('0')); }

inline double clamp(double x, double lo, double hi) { return std::max(lo, std::min(hi, x)); }

inline double round1(double x) { return std::round(x * 10) / 10; }

inline std::vector<double> softmax(const std::vector<double>& x)
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

// Builds the World for one set of options; run() is called once.
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

} // namespace tq::tools::sim
