// The result of a race (finishing order, times, odds, payouts) and what it
// does to the runners: deviation values, body weight, class and retirement.

#include "RaceSimulator.h"
#include "RacePools.h"

namespace tq::tools::sim {

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

} // namespace tq::tools::sim
