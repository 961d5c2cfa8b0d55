// The data published before a race: ability indexes and their marks, base
// odds, jockey figures, the paddock, and how the odds moved.

#include "RaceSimulator.h"
#include "RacePools.h"

namespace tq::tools::sim {

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

} // namespace tq::tools::sim
