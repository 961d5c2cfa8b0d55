#include "analysis/ReturnIntervals.h"

#include <algorithm>
#include <numeric>

namespace tq::analysis {

namespace {

// splitmix64: small, fast and the same on every platform and library.
class Generator final {
  public:
    explicit Generator(quint64 seed) : m_state(seed) {}
    quint64 next()
    {
        quint64 z = (m_state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // An index below `count` (below 2^32): the high half of the product of
    // 32 random bits and the count, no division; its bias is far below the
    // bootstrap's own error for any count of races.
    std::size_t below(std::size_t count) { return std::size_t(((next() >> 32) * quint64(count)) >> 32); }

  private:
    quint64 m_state;
};

// The p-quantile of sorted values (linear between the nearest ranks).
double quantile(const std::vector<double>& sorted, double p)
{
    const double position = p * double(sorted.size() - 1);
    const std::size_t low = std::size_t(position);
    const std::size_t high = std::min(low + 1, sorted.size() - 1);
    return sorted[low] + (sorted[high] - sorted[low]) * (position - double(low));
}

} // namespace

void GroupSample::add(const CountedRow& row)
{
    ++n;
    Race* race = nullptr;
    if (!row.raceKey.isEmpty()) {
        // The key is looked up over the row's own bytes; only a new race
        // copies it. Runners of one race usually come one after another.
        const QByteArray probe = QByteArray::fromRawData(row.raceKey.data(), row.raceKey.size());
        if (lastRace >= 0 && races[std::size_t(lastRace)].key == probe) {
            race = &races[std::size_t(lastRace)];
        } else if (const auto it = raceIndex.constFind(probe); it != raceIndex.cend()) {
            lastRace = *it;
            race = &races[std::size_t(lastRace)];
        } else {
            lastRace = int(races.size());
            race = &races.emplace_back();
            race->key = row.raceKey.toByteArray();
            raceIndex.insert(race->key, lastRace);
        }
    } else {
        lastRace = -1;
        race = &races.emplace_back();
    }
    ++race->runners;
    race->win += row.winPayout;
    race->place += row.placePayout;
    if (row.winPayout > 0)
        winPayouts.push_back(row.winPayout);
}

void GroupSample::merge(GroupSample&& other)
{
    if (n == 0) {
        *this = std::move(other);
        return;
    }
    n += other.n;
    lastRace = -1;
    winPayouts.insert(winPayouts.end(), other.winPayouts.begin(), other.winPayouts.end());
    for (Race& race : other.races) {
        const auto it = race.key.isEmpty() ? raceIndex.cend() : raceIndex.constFind(race.key);
        if (it == raceIndex.cend()) {
            if (!race.key.isEmpty())
                raceIndex.insert(race.key, int(races.size()));
            races.push_back(std::move(race));
            continue;
        }
        Race& into = races[std::size_t(*it)];
        into.runners += race.runners;
        into.win += race.win;
        into.place += race.place;
    }
}

ReturnInterval returnInterval(const GroupSample& sample, quint64 seed, int replicates)
{
    ReturnInterval out;
    if (sample.n == 0 || sample.races.empty() || replicates < 1)
        return out;

    // Races in race key order, those without a key last in row order: the
    // draw does not depend on the order the statement returned the rows in.
    std::vector<std::size_t> order(sample.races.size());
    std::iota(order.begin(), order.end(), std::size_t(0));
    std::stable_sort(order.begin(), order.end(), [&sample](std::size_t x, std::size_t y) {
        const GroupSample::Race& a = sample.races[x];
        const GroupSample::Race& b = sample.races[y];
        if (a.key.isEmpty() != b.key.isEmpty())
            return b.key.isEmpty();
        return a.key < b.key;
    });
    // The drawn figures only, packed: the draws jump across the whole array.
    struct Drawn {
        qint64 runners, win, place;
    };
    std::vector<Drawn> races;
    races.reserve(order.size());
    for (const std::size_t i : order)
        races.push_back({sample.races[i].runners, sample.races[i].win, sample.races[i].place});

    Generator generator(seed);
    const auto count = static_cast<std::size_t>(replicates);
    std::vector<double> winRates(count);
    std::vector<double> placeRates(count);
    for (int b = 0; b < replicates; ++b) {
        qint64 runners = 0, win = 0, place = 0;
        for (std::size_t i = 0; i < races.size(); ++i) {
            const Drawn& race = races[generator.below(races.size())];
            runners += race.runners;
            win += race.win;
            place += race.place;
        }
        winRates[std::size_t(b)] = double(win) / double(runners);
        placeRates[std::size_t(b)] = double(place) / double(runners);
    }
    std::sort(winRates.begin(), winRates.end());
    std::sort(placeRates.begin(), placeRates.end());
    out.winLow = quantile(winRates, 0.025);
    out.winHigh = quantile(winRates, 0.975);
    out.placeLow = quantile(placeRates, 0.025);
    out.placeHigh = quantile(placeRates, 0.975);

    const qint64 total = std::accumulate(sample.winPayouts.begin(), sample.winPayouts.end(), qint64(0));
    if (total > 0) {
        std::vector<qint32> payouts = sample.winPayouts;
        const std::size_t top = std::min(payouts.size(), std::size_t((qint64(sample.n) + 99) / 100));
        std::partial_sort(payouts.begin(), payouts.begin() + qsizetype(top), payouts.end(), std::greater<>());
        const qint64 largest = std::accumulate(payouts.begin(), payouts.begin() + qsizetype(top), qint64(0));
        out.concentration = double(largest) * 100.0 / double(total);
    }
    return out;
}

void IntervalFold::counted(const CountedRow& row)
{
    m_current.add(row);
}

void IntervalFold::groupWritten(int resultRow)
{
    if (resultRow >= 0) {
        if (std::size_t(resultRow) >= m_rows.size())
            m_rows.resize(std::size_t(resultRow) + 1);
        m_rows[std::size_t(resultRow)].merge(std::move(m_current));
    }
    m_current = GroupSample();
}

Sheet intervalSheet(const Sheet& result, int k, const std::vector<GroupSample>& samples)
{
    Sheet sheet;
    static const char16_t* const headers[] = {u"単回収率",      u"単回収率下限95%", u"単回収率上限95%", u"複回収率",
                                              u"複回収率下限95%", u"複回収率上限95%", u"上位1%配当占有率"};
    const int count = int(std::size(headers));
    sheet.setColumnCount(k + count);
    for (int c = 0; c < k; ++c)
        sheet.setHeader(c, result.header(c));
    for (int c = 0; c < count; ++c)
        sheet.setHeader(k + c, QString::fromUtf16(headers[c]));
    for (int r = 0; r < result.rowCount(); ++r) {
        const int row = sheet.appendRow();
        for (int c = 0; c < k; ++c)
            sheet.setText(row, c, result.displayText(r, c));
        if (std::size_t(r) >= samples.size() || samples[std::size_t(r)].n == 0)
            continue;
        const GroupSample& sample = samples[std::size_t(r)];
        qint64 win = 0, place = 0;
        for (const GroupSample::Race& race : sample.races) {
            win += race.win;
            place += race.place;
        }
        const ReturnInterval interval = returnInterval(sample);
        const double values[] = {double(win) / double(sample.n), interval.winLow, interval.winHigh,
                                 double(place) / double(sample.n), interval.placeLow, interval.placeHigh,
                                 interval.concentration};
        for (int c = 0; c < count; ++c)
            sheet.setDecimal(row, k + c, values[c]);
        // A rate above 100 % whose interval reaches below it may well be
        // luck: its low bound is coloured.
        for (int c : {1, 4})
            if (values[c - 1] > 100.0 && values[c] < 100.0)
                sheet.setBackColour(row, k + c, kNotSureColour);
    }
    return sheet;
}

} // namespace tq::analysis
