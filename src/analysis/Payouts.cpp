#include "analysis/Payouts.h"

#include "store/Recordset.h"

#include <QByteArrayView>
#include <QString>

#include <span>

namespace tq::analysis {

bool horseNumberValue(QByteArrayView text, qint64& value)
{
    qsizetype i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    qsizetype end = text.size();
    while (end > i && text[end - 1] == ' ')
        --end;
    if (i == end)
        return false;
    value = 0;
    for (; i < end; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9' || value > 1'000'000'000)
            return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

namespace {

// A horse number as payouts compare it: equal texts, or texts of the same
// whole number ("01" and "1"). A Null number matches none.
struct HorseNumber {
    bool present = false;
    QByteArrayView text;
    bool numeric = false;
    qint64 value = 0;

    // A present number; `text` must stay valid while it is used.
    static HorseNumber ofText(QByteArrayView text)
    {
        HorseNumber h;
        h.present = true;
        h.text = text;
        h.numeric = horseNumberValue(text, h.value);
        return h;
    }

    bool matches(const HorseNumber& other) const
    {
        return present && other.present && (text == other.text || (numeric && other.numeric && value == other.value));
    }

    // A slot's number, read only as far as needed: the text first, the
    // value only when the texts differ.
    bool matches(QByteArrayView slot) const
    {
        if (slot == text)
            return present;
        qint64 slotValue = 0;
        return present && numeric && horseNumberValue(slot, slotValue) && slotValue == value;
    }
};

HorseNumber horseNumberAt(const store::Row& row, int index)
{
    if (index < 0)
        return {};
    const store::Field f = row.field(index);
    if (f.isNull())
        return {};
    return HorseNumber::ofText(f.utf8()); // valid while the row is current
}

// The payout of the first of a bet type's slots that holds `own`'s number, 0
// when none does. `readSlot(column, text)` reads a slot's horse number (false
// when it is Null), `readPayout(column)` a payout.
template <std::size_t N, typename ReadSlot, typename ReadPayout>
qint32 payoutOfSlots(const HorseNumber& own, const std::array<int, N>& horses, const std::array<int, N>& payouts,
                     ReadSlot readSlot, ReadPayout readPayout)
{
    if (!own.present)
        return 0;
    QByteArrayView slot;
    for (std::size_t i = 0; i < N; ++i) {
        if (horses[i] < 0 || !readSlot(horses[i], slot) || !own.matches(slot))
            continue;
        return payouts[i] < 0 ? 0 : readPayout(payouts[i]);
    }
    return 0;
}

qint32 payoutOf(bool place, const HorseNumber& own, const store::Row& row, const AnalysisColumns& columns)
{
    const auto readSlot = [&row](int column, QByteArrayView& text) {
        const store::Field f = row.field(column);
        if (f.isNull())
            return false;
        text = f.utf8();
        return true;
    };
    const auto readPayout = [&row](int column) { return qint32(row.field(column).toInt()); };
    return place ? payoutOfSlots(own, columns.placeHorse, columns.placePayout, readSlot, readPayout)
                 : payoutOfSlots(own, columns.winHorse, columns.winPayout, readSlot, readPayout);
}

} // namespace

void OwnPayouts::compute(const store::Recordset& row, qint64* cells)
{
    QByteArrayView text;
    const HorseNumber own = m_columns.horseNumber >= 0 && row.utf8At(m_columns.horseNumber, text)
                                ? HorseNumber::ofText(text)
                                : HorseNumber();
    const auto readSlot = [&row](int column, QByteArrayView& slot) { return row.utf8At(column, slot); };
    const auto readPayout = [&row](int column) { return qint32(row.field(column).toInt()); };
    cells[0] = payoutOfSlots(own, m_columns.winHorse, m_columns.winPayout, readSlot, readPayout);
    cells[1] = payoutOfSlots(own, m_columns.placeHorse, m_columns.placePayout, readSlot, readPayout);
}

AnalysisColumns AnalysisColumns::resolve(const store::Recordset& rs)
{
    AnalysisColumns c;
    auto at = [&](const char16_t* name) { return rs.fieldIndex(QString::fromUtf16(name)); };
    c.raceKey = at(u"レースキー");
    c.date = at(u"開催日");
    c.resultKey = at(u"競走成績キー");
    c.horseNumber = at(u"馬番");
    c.horseName = at(u"馬名");
    static const char16_t* const digits[] = {u"１", u"２", u"３", u"４", u"５"};
    for (int i = 0; i < 3; ++i) {
        c.winHorse[std::size_t(i)] = rs.fieldIndex(QStringLiteral("単勝馬番") + QString::fromUtf16(digits[i]));
        c.winPayout[std::size_t(i)] = rs.fieldIndex(QStringLiteral("単勝払戻") + QString::fromUtf16(digits[i]));
    }
    for (int i = 0; i < 5; ++i) {
        c.placeHorse[std::size_t(i)] = rs.fieldIndex(QStringLiteral("複勝馬番") + QString::fromUtf16(digits[i]));
        c.placePayout[std::size_t(i)] = rs.fieldIndex(QStringLiteral("複勝払戻") + QString::fromUtf16(digits[i]));
    }
    c.finish = at(u"着順");
    c.abnormal = at(u"異常区分");
    c.winOdds = at(u"確定単勝オッズ");
    return c;
}

qint32 funHaraimodoshi(bool place, const store::Row& row, const AnalysisColumns& columns)
{
    if (columns.ownWinPayout >= 0)
        return qint32(row.field(place ? columns.ownPlacePayout : columns.ownWinPayout).toInt());
    return payoutOf(place, horseNumberAt(row, columns.horseNumber), row, columns);
}

HorsePayouts horsePayouts(const store::Row& row, const AnalysisColumns& columns)
{
    if (columns.ownWinPayout >= 0)
        return {qint32(row.field(columns.ownWinPayout).toInt()), qint32(row.field(columns.ownPlacePayout).toInt())};
    const HorseNumber own = horseNumberAt(row, columns.horseNumber);
    return {payoutOf(false, own, row, columns), payoutOf(true, own, row, columns)};
}

bool RacePayouts::continuesRace(const store::Row& row, const AnalysisColumns& columns)
{
    if (columns.raceKey < 0)
        return false;
    const store::Field key = row.field(columns.raceKey);
    const bool known = !key.isNull();
    const QByteArrayView race = known ? key.utf8() : QByteArrayView();
    const bool same = known && m_haveRace && race == QByteArrayView(m_race);
    m_haveRace = known;
    if (!same)
        m_race.assign(race.data(), std::size_t(race.size()));
    return same;
}

HorsePayouts RacePayouts::of(const store::Row& row, const AnalysisColumns& columns)
{
    if (columns.ownWinPayout >= 0)
        return horsePayouts(row, columns);
    if (!continuesRace(row, columns)) {
        // A race's first row is read in full: when keys order the rows, the
        // next row is usually of another race and keeping the slots would
        // not pay.
        m_loaded = false;
        return horsePayouts(row, columns);
    }
    if (!m_loaded)
        load(row, columns);
    const HorseNumber own = horseNumberAt(row, columns.horseNumber);
    HorsePayouts out;
    if (!own.present)
        return out;
    auto payoutOfSlots = [&](std::span<Slot> kept) -> qint32 {
        for (Slot& slot : kept) {
            HorseNumber number;
            number.present = slot.present;
            number.text = QByteArrayView(slot.text.data(), qsizetype(slot.text.size()));
            number.numeric = slot.numeric;
            number.value = slot.value;
            if (!own.matches(number))
                continue;
            if (slot.payoutColumn < 0)
                return 0;
            if (!slot.payout) // every row of the race holds the same payout row
                slot.payout = qint32(row.field(slot.payoutColumn).toInt());
            return *slot.payout;
        }
        return 0;
    };
    out.win = payoutOfSlots(std::span(m_slots).first(3));
    out.place = payoutOfSlots(std::span(m_slots).subspan(3));
    return out;
}

void RacePayouts::load(const store::Row& row, const AnalysisColumns& columns)
{
    m_loaded = true;
    for (std::size_t i = 0; i < m_slots.size(); ++i) {
        const bool place = i >= 3;
        const int horse = place ? columns.placeHorse[i - 3] : columns.winHorse[i];
        Slot& slot = m_slots[i];
        const HorseNumber number = horseNumberAt(row, horse);
        slot.present = number.present;
        slot.text.clear();
        if (number.present)
            slot.text.assign(number.text.data(), std::size_t(number.text.size()));
        slot.numeric = number.numeric;
        slot.value = number.value;
        slot.payoutColumn = place ? columns.placePayout[i - 3] : columns.winPayout[i];
        slot.payout.reset();
    }
}

qint32 funHaraimodoshi(bool place, const store::Recordset& row)
{
    return funHaraimodoshi(place, row, AnalysisColumns::resolve(row));
}

} // namespace tq::analysis
