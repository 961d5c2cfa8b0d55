#include "RacePools.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace tq::tools {

namespace {

QString two(int n) { return QString::number(n).rightJustified(2, QLatin1Char('0')); }

// Probability that a finishes first and b second.
double order2(const std::vector<Starter>& s, int a, int b)
{
    return s[a].qx * s[b].qx / (1 - s[a].qx);
}

double order3(const std::vector<Starter>& s, int a, int b, int c)
{
    return order2(s, a, b) * s[c].qx / (1 - s[a].qx - s[b].qx);
}

double quinellaShare(const std::vector<Starter>& s, int a, int b) { return order2(s, a, b) + order2(s, b, a); }

double trioShare(const std::vector<Starter>& s, int a, int b, int c)
{
    return order3(s, a, b, c) + order3(s, a, c, b) + order3(s, b, a, c) + order3(s, b, c, a) + order3(s, c, a, b)
           + order3(s, c, b, a);
}

// Share of the ワイド pool on every pair: the probability that both finish in
// the first three, concentrated towards the favourites and normalised.
std::vector<std::vector<double>> wideShares(const std::vector<Starter>& s)
{
    const int n = int(s.size());
    std::vector<std::vector<double>> w(n, std::vector<double>(n, 0));
    double total = 0;
    for (int a = 0; a < n; ++a)
        for (int b = a + 1; b < n; ++b) {
            double p = order2(s, a, b) + order2(s, b, a);
            for (int k = 0; k < n; ++k) {
                if (k == a || k == b)
                    continue;
                p += order3(s, a, k, b) + order3(s, k, a, b) + order3(s, b, k, a) + order3(s, k, b, a);
            }
            w[a][b] = w[b][a] = std::pow(p, kWideConcentration);
            total += w[a][b];
        }
    for (auto& row : w)
        for (double& v : row)
            v /= total;
    return w;
}

// Share of the place pool on each starter (k places paid).
std::vector<double> placeShares(const std::vector<Starter>& s, int k)
{
    const int n = int(s.size());
    std::vector<double> q(n), t2, t3, r(n);
    for (int i = 0; i < n; ++i)
        q[i] = s[i].qx;
    harvilleTop(q, t2, t3);
    double total = 0;
    for (int i = 0; i < n; ++i)
        total += r[i] = std::pow(k == 3 ? t3[i] : t2[i], kConcentration);
    for (double& v : r)
        v /= total;
    return r;
}

double frameShare(const std::vector<Starter>& s, int f, int g)
{
    double p = 0;
    for (int i = 0; i < int(s.size()); ++i)
        for (int j = i + 1; j < int(s.size()); ++j) {
            const int a = std::min(s[i].waku, s[j].waku), b = std::max(s[i].waku, s[j].waku);
            if (a == std::min(f, g) && b == std::max(f, g))
                p += quinellaShare(s, i, j);
        }
    return p;
}

int payYen(double net, double sumWinners, int winners, double share)
{
    if (share <= 0)
        return 100;
    const double perUnit = 1 + (net - sumWinners) / winners / share;
    const int yen = int(std::floor(perUnit * 10 + 1e-9)) * 10;
    return std::max(100, yen);
}

// Every way the first three places can be read when tied horses may be taken
// in either order (a dead heat gives more than one reading).
std::vector<std::vector<int>> topReadings(const std::vector<Starter>& s)
{
    std::vector<int> order;
    for (int i = 0; i < int(s.size()); ++i)
        if (s[i].rank > 0)
            order.push_back(i);
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        return s[a].rank != s[b].rank ? s[a].rank < s[b].rank : s[a].umaban < s[b].umaban;
    });
    // Only horses that can be among the first three matter.
    std::vector<int> head;
    for (int i : order)
        if (s[i].rank <= 3)
            head.push_back(i);
    std::set<std::vector<int>> readings;
    std::sort(head.begin(), head.end());
    do {
        bool consistent = true;
        for (std::size_t k = 1; k < head.size(); ++k)
            if (s[head[k - 1]].rank > s[head[k]].rank)
                consistent = false;
        if (consistent)
            readings.insert(std::vector<int>(head.begin(), head.begin() + std::min<std::size_t>(3, head.size())));
    } while (std::next_permutation(head.begin(), head.end()));
    return {readings.begin(), readings.end()};
}

template <std::size_t N>
void fill(std::array<PaySlot, N>& out, std::vector<std::pair<QString, double>> winners, double net)
{
    std::sort(winners.begin(), winners.end());
    winners.erase(std::unique(winners.begin(), winners.end(),
                              [](const auto& a, const auto& b) { return a.first == b.first; }),
                  winners.end());
    double sum = 0;
    for (const auto& w : winners)
        sum += w.second;
    for (std::size_t i = 0; i < winners.size() && i < N; ++i)
        out[i] = PaySlot{winners[i].first, payYen(net, sum, int(winners.size()), winners[i].second)};
}

} // namespace

double floorTenth(double x) { return std::floor(x * 10 + 1e-9) / 10; }

int placesPaid(int starters)
{
    if (starters >= 8)
        return 3;
    if (starters >= 5)
        return 2;
    return 0;
}

void harvilleTop(const std::vector<double>& q, std::vector<double>& top2, std::vector<double>& top3)
{
    const int n = int(q.size());
    top2.assign(n, 0);
    top3.assign(n, 0);
    for (int j = 0; j < n; ++j) {
        const double rj = 1 - q[j];
        if (rj <= 0)
            continue;
        for (int i = 0; i < n; ++i) {
            if (i == j)
                continue;
            const double pji = q[j] * q[i] / rj; // j first, i second
            top2[i] += pji;
            for (int k = 0; k < n; ++k) {
                if (k == i || k == j)
                    continue;
                const double rjk = rj - q[k];
                if (rjk > 0)
                    top3[i] += q[j] * q[k] / rj * q[i] / rjk; // j, k, then i
            }
        }
    }
    for (int i = 0; i < n; ++i) {
        top2[i] += q[i];
        top3[i] += top2[i];
    }
}

std::vector<double> placeOddsLowerBound(const std::vector<Starter>& s)
{
    const int n = int(s.size());
    const int k = placesPaid(n);
    std::vector<double> out(n, 0);
    if (k == 0)
        return out;
    const std::vector<double> r = placeShares(s, k);
    for (int i = 0; i < n; ++i) {
        std::vector<double> others;
        for (int j = 0; j < n; ++j)
            if (j != i)
                others.push_back(r[j]);
        std::sort(others.rbegin(), others.rend());
        double sum = r[i];
        for (int j = 0; j < k - 1 && j < int(others.size()); ++j)
            sum += others[j];
        out[i] = std::max(1.0, floorTenth(1 + (kPlaceNet - sum) / k / r[i]));
    }
    return out;
}

Payouts computePayouts(const std::vector<Starter>& s, const BetsSold& sold)
{
    Payouts p;
    const int n = int(s.size());
    const auto readings = topReadings(s);

    // Win: the horses ranked first. A single winner is paid its odds exactly.
    {
        std::vector<int> winners;
        for (int i = 0; i < n; ++i)
            if (s[i].rank == 1)
                winners.push_back(i);
        std::sort(winners.begin(), winners.end(), [&](int a, int b) { return s[a].umaban < s[b].umaban; });
        double sum = 0;
        for (int w : winners)
            sum += s[w].q;
        for (std::size_t i = 0; i < winners.size() && i < p.win.size(); ++i) {
            const Starter& w = s[winners[i]];
            const int yen = winners.size() == 1 ? int(std::lround(w.winOdds * 100))
                                                : payYen(kWinNet, sum, int(winners.size()), w.q);
            p.win[i] = PaySlot{two(w.umaban), yen};
        }
    }

    // Place: every horse ranked within the places paid (more on a dead heat).
    if (const int k = placesPaid(n); k > 0) {
        const std::vector<double> r = placeShares(s, k);
        std::vector<int> placed;
        for (int i = 0; i < n; ++i)
            if (s[i].rank > 0 && s[i].rank <= k)
                placed.push_back(i);
        std::sort(placed.begin(), placed.end(), [&](int a, int b) {
            return s[a].rank != s[b].rank ? s[a].rank < s[b].rank : s[a].umaban < s[b].umaban;
        });
        double sum = 0;
        for (int i : placed)
            sum += r[i];
        for (std::size_t j = 0; j < placed.size() && j < p.place.size(); ++j) {
            const int i = placed[j];
            p.place[j] = PaySlot{two(s[i].umaban), payYen(kPlaceNet, sum, int(placed.size()), r[i])};
        }
    }

    const auto wideShare = wideShares(s);
    std::vector<std::pair<QString, double>> quinella, frame, exacta, trio, wide;
    for (const auto& r : readings) {
        if (r.size() >= 2) {
            const int a = std::min(s[r[0]].umaban, s[r[1]].umaban), b = std::max(s[r[0]].umaban, s[r[1]].umaban);
            quinella.emplace_back(two(a) + two(b), quinellaShare(s, r[0], r[1]));
            const int f = std::min(s[r[0]].waku, s[r[1]].waku), g = std::max(s[r[0]].waku, s[r[1]].waku);
            frame.emplace_back(QString::number(f) + QString::number(g), frameShare(s, f, g));
            exacta.emplace_back(two(s[r[0]].umaban) + two(s[r[1]].umaban), order2(s, r[0], r[1]));
        }
        if (r.size() >= 3) {
            std::array<int, 3> t{r[0], r[1], r[2]};
            std::sort(t.begin(), t.end(), [&](int a, int b) { return s[a].umaban < s[b].umaban; });
            trio.emplace_back(two(s[t[0]].umaban) + two(s[t[1]].umaban) + two(s[t[2]].umaban), trioShare(s, t[0], t[1], t[2]));
            for (int x = 0; x < 3; ++x)
                for (int y = x + 1; y < 3; ++y)
                    wide.emplace_back(two(s[t[x]].umaban) + two(s[t[y]].umaban), wideShare[t[x]][t[y]]);
        }
    }
    // ワイド pays every pair of the first three: the pool's profit is split
    // between the three (or more) pairs.
    fill(p.frame, frame, kQuinellaNet);
    if (sold.quinella)
        fill(p.quinella, quinella, kQuinellaNet);
    else
        p.quinella[0] = PaySlot{QStringLiteral("0000"), 0};
    if (sold.wide)
        fill(p.wide, wide, kQuinellaNet);
    else
        p.wide[0] = PaySlot{QStringLiteral("0000"), 0};
    p.exactaSold = sold.exacta;
    if (sold.exacta)
        fill(p.exacta, exacta, kExactaNet);
    p.trioSold = sold.trio;
    if (sold.trio)
        fill(p.trio, trio, kExactaNet);
    return p;
}

} // namespace tq::tools
