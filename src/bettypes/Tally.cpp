#include "bettypes/Tally.h"

#include <limits>

namespace tq::bettypes {

CountOverflow::CountOverflow(const char* counter)
    : std::overflow_error(std::string("集計値が32ビットの範囲を超えました: ") + counter)
{
}

void addChecked(qint32& counter, qint64 amount, const char* counterName)
{
    const qint64 sum = qint64(counter) + amount;
    if (sum > std::numeric_limits<qint32>::max() || sum < std::numeric_limits<qint32>::min())
        throw CountOverflow(counterName);
    counter = qint32(sum);
}

void LineCounters::hit(qint32 p)
{
    addChecked(hits, 1, "的中件数");
    addChecked(payoutSum, p, "払戻合計");
    topPayout = std::max(topPayout, p);
    if (!raceHit) {
        addChecked(raceHits, 1, "レース的中件数");
        raceHit = true;
    }
}

void clsUmaren::UmaDataSet(int keyCount, const std::vector<store::Value>& values, const QStringList& labels)
{
    if (keyCount > kLevels)
        throw std::out_of_range("集計キーの段数が多すぎます");
    m_values.assign(values.begin(), values.begin() + keyCount);
    m_labels = labels.mid(0, keyCount);
}

void clsUmaren::UmaDataGet(int keyCount, std::vector<store::Value>& values, QStringList& labels) const
{
    if (keyCount > kLevels || keyCount > int(m_values.size()))
        throw std::out_of_range("集計キーの段数が多すぎます");
    values.assign(m_values.begin(), m_values.begin() + keyCount);
    labels = m_labels.mid(0, keyCount);
}

void subUmaTeki(clsUmaren& t, qint32 p)
{
    if (p == 0)
        return;
    addChecked(t.Teki, 1, "的中件数");
    t.Max = std::max(t.Max, p);
    qint32& band = p <= 999    ? t.Hai990
                   : p <= 1999 ? t.Hai1990
                   : p <= 2999 ? t.Hai2990
                   : p <= 4999 ? t.Hai4990
                   : p <= 9999 ? t.Hai9990
                               : t.Hai10000;
    addChecked(band, 1, "配当帯件数");
    addChecked(t.Hai, p, "払戻合計");
    if (!t.TekiFg) {
        addChecked(t.RTeki, 1, "レース的中件数");
        t.TekiFg = true;
    }
}

} // namespace tq::bettypes
