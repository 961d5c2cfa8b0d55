#include "analysis/Simulation.h"

#include <algorithm>
#include <map>

namespace tq::analysis {

namespace {

qint32 dateOf(const QDate& date)
{
    return date.isValid() ? qint32(date.year() * 10000 + date.month() * 100 + date.day()) : 0;
}

// Whether a race of `date` is in the simulated period.
struct Period {
    qint32 from = 0; // 0: no lower bound
    qint32 to = 0;   // 0: no upper bound

    bool bounded() const { return from != 0 || to != 0; }
    bool contains(qint32 date) const
    {
        if (!bounded())
            return true;
        return date != 0 && (from == 0 || date >= from) && (to == 0 || date <= to);
    }
};

Period periodOf(const SimulationSettings& settings, const QDate& validationFrom)
{
    Period p;
    p.from = std::max(dateOf(settings.from), dateOf(validationFrom));
    p.to = dateOf(settings.to);
    return p;
}

bool raceOrder(const SimulationRow& a, const SimulationRow& b)
{
    if (a.date != b.date)
        return a.date < b.date;
    if (a.race != b.race)
        return a.race < b.race;
    return a.horse < b.horse;
}

bool sameRace(const SimulationRow& a, const SimulationRow& b)
{
    return !a.race.empty() && a.date == b.date && a.race == b.race;
}

// The stake of the next bet of a race under the fraction rule, given what is
// left of the bankroll in that race: the fraction rounded down to 100 yen,
// at least 100 yen. Integer arithmetic, so 0.29 of 10000 is 2900, never 2800.
__extension__ typedef __int128 Wide; // bankroll × millionths does not fit 64 bits for every bankroll

qint64 fractionStake(qint64 left, qint64 ppm)
{
    const Wide product = Wide(std::max<qint64>(left, 0)) * ppm;
    const qint64 units = qint64(product / (Wide(kPpm) * kStakeUnit));
    return std::max<qint64>(units, 1) * kStakeUnit;
}

// Folds the placed bets and races into the result, in race order.
class Ledger final {
  public:
    explicit Ledger(SimulationResult& result) : m_result(result) { result.finalBankroll = result.startBankroll; }

    void bet(const SimulationRow& row, qint64 stake, qint64 payback)
    {
        ++m_result.bets;
        m_result.stake += stake;
        m_result.payback += payback;
        SimulationYear& y = m_years[row.date / 10000];
        y.year = row.date / 10000;
        ++y.bets;
        y.stake += stake;
        y.payback += payback;
        if (payback > 0) {
            ++m_result.hits;
            ++y.hits;
            m_run = LosingRun();
            return;
        }
        if (m_run.length == 0)
            m_run.firstDate = row.date;
        ++m_run.length;
        m_run.lastDate = row.date;
        if (m_run.length > m_result.losingRun.length)
            m_result.losingRun = m_run;
    }

    void raceClosed(const SimulationRow& row, qint64 stake, qint64 payback)
    {
        m_result.finalBankroll += payback - stake;
        m_result.curve.push_back({row.date, row.race, stake, payback, m_result.finalBankroll});
    }

    void finish()
    {
        for (const auto& entry : m_years)
            m_result.years.push_back(entry.second);
        m_result.drawdown = largestDrawdown(m_result.curve, m_result.startBankroll);
    }

  private:
    SimulationResult& m_result;
    std::map<int, SimulationYear> m_years;
    LosingRun m_run;
};

qint64 paybackOf(const SimulationRow& row, SimulationBet bet, qint64 stake)
{
    const qint64 perHundred = bet == SimulationBet::Win ? row.win : row.place;
    return perHundred * (stake / kStakeUnit);
}

} // namespace

Drawdown largestDrawdown(const std::vector<CurvePoint>& curve, qint64 startBankroll)
{
    Drawdown largest;
    qint64 peak = startBankroll;
    int peakIndex = -1;
    for (int i = 0; i < int(curve.size()); ++i) {
        const qint64 bankroll = curve[std::size_t(i)].bankroll;
        if (bankroll > peak) {
            peak = bankroll;
            peakIndex = i;
            continue;
        }
        const qint64 fall = peak - bankroll;
        if (fall <= largest.amount)
            continue;
        largest.amount = fall;
        largest.peak = peak;
        largest.peakIndex = peakIndex;
        largest.peakDate = peakIndex < 0 ? 0 : curve[std::size_t(peakIndex)].date;
        largest.troughIndex = i;
        largest.troughDate = curve[std::size_t(i)].date;
        largest.percent = peak > 0 ? double(fall) * 100.0 / double(peak) : 0.0;
    }
    return largest;
}

qint64 startingBankroll(const std::vector<CurvePoint>& curve)
{
    if (curve.empty())
        return 0;
    return curve.front().bankroll - curve.front().payback + curve.front().stake;
}

double returnRate(qint64 payback, qint64 stake)
{
    return stake > 0 ? double(payback * 100) / double(stake) : 0.0;
}

double SimulationResult::returnRate() const
{
    return analysis::returnRate(payback, stake);
}

void sortIntoRaceOrder(SimulationRows& rows)
{
    std::stable_sort(rows.begin(), rows.end(), raceOrder);
}

SimulationResult simulate(const SimulationRows& rows, const SimulationSettings& settings, const QDate& validationFrom)
{
    const Period period = periodOf(settings, validationFrom);
    SimulationResult result;
    result.ran = true;
    result.settings = settings;
    result.validationFrom = validationFrom;
    result.startBankroll = settings.bankroll;
    Ledger ledger(result);
    const bool flat = settings.rule == StakeRule::Flat;
    for (std::size_t first = 0; first < rows.size();) {
        std::size_t end = first + 1;
        while (end < rows.size() && sameRace(rows[first], rows[end]))
            ++end;
        if (!period.contains(rows[first].date)) {
            first = end;
            continue;
        }
        const qint64 bankroll = result.finalBankroll;
        if (!flat && bankroll < kStakeUnit) {
            if (result.stoppedDate == 0)
                result.stoppedDate = rows[first].date;
            result.skipped += qint64(end - first);
            first = end;
            continue;
        }
        qint64 left = bankroll;
        qint64 raceStake = 0;
        qint64 racePayback = 0;
        for (std::size_t i = first; i < end; ++i) {
            const qint64 stake = flat ? settings.flatStake : fractionStake(left, settings.fractionPpm);
            if (!flat && stake > left) {
                ++result.skipped;
                continue;
            }
            left -= stake;
            const qint64 payback = paybackOf(rows[i], settings.bet, stake);
            raceStake += stake;
            racePayback += payback;
            ledger.bet(rows[i], stake, payback);
        }
        ledger.raceClosed(rows[first], raceStake, racePayback);
        first = end;
    }
    ledger.finish();
    return result;
}

qint32 dateNumber(QByteArrayView text)
{
    qint32 value = 0;
    int digits = 0;
    for (const char c : text) {
        if (c >= '0' && c <= '9') {
            value = value * 10 + (c - '0');
            if (++digits > 8)
                return 0;
        } else if (c != '/' && c != '-') {
            break; // a time part after the date
        }
    }
    if (digits != 8)
        return 0;
    return QDate(value / 10000, value / 100 % 100, value % 100).isValid() ? value : 0;
}

QString dateNumberText(qint32 date)
{
    if (date == 0)
        return {};
    return QStringLiteral("%1/%2/%3")
        .arg(date / 10000, 4, 10, QLatin1Char('0'))
        .arg(date / 100 % 100, 2, 10, QLatin1Char('0'))
        .arg(date % 100, 2, 10, QLatin1Char('0'));
}

qint64 fractionFromText(const QString& text)
{
    const QString t = text.trimmed();
    const qsizetype dot = t.indexOf(QLatin1Char('.'));
    const QString whole = dot < 0 ? t : t.left(dot);
    const QString decimals = dot < 0 ? QString() : t.mid(dot + 1);
    if ((whole.isEmpty() && decimals.isEmpty()) || whole.size() > 3 || decimals.size() > 6)
        return -1;
    for (const QChar c : QString(whole + decimals))
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return -1;
    const qint64 ppm = whole.toLongLong() * kPpm + QString(decimals + QString(6 - decimals.size(), QLatin1Char('0'))).toLongLong();
    return ppm > 0 && ppm <= kPpm ? ppm : -1;
}

QString fractionText(qint64 ppm)
{
    QString text = QStringLiteral("%1.%2").arg(ppm / kPpm).arg(ppm % kPpm, 6, 10, QLatin1Char('0'));
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text;
}

QString parseStakeRule(const QString& text, SimulationSettings& settings)
{
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    const QString kind = (colon < 0 ? text : text.left(colon)).trimmed();
    const QString value = colon < 0 ? QString() : text.mid(colon + 1).trimmed();
    if (kind == QLatin1String("flat")) {
        qint64 amount = settings.flatStake;
        if (colon >= 0) {
            bool ok = false;
            amount = value.toLongLong(&ok);
            if (!ok || amount < kStakeUnit || amount % kStakeUnit != 0)
                return QStringLiteral("a flat stake is a positive multiple of 100 yen: ") + value;
        }
        settings.rule = StakeRule::Flat;
        settings.flatStake = amount;
        return {};
    }
    if (kind == QLatin1String("fraction")) {
        qint64 ppm = settings.fractionPpm;
        if (colon >= 0) {
            ppm = fractionFromText(value);
            if (ppm < 0)
                return QStringLiteral("a fraction is above 0 and at most 1, with at most six decimals: ") + value;
        }
        settings.rule = StakeRule::Fraction;
        settings.fractionPpm = ppm;
        return {};
    }
    return QStringLiteral("the stake rule is flat:AMOUNT or fraction:F: ") + text;
}

QString stakeRuleText(const SimulationSettings& settings)
{
    if (settings.rule == StakeRule::Flat)
        return QStringLiteral("flat:%1").arg(settings.flatStake);
    return QStringLiteral("fraction:") + fractionText(settings.fractionPpm);
}

} // namespace tq::analysis
