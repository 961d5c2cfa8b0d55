#include "bettypes/RaceBets.h"

#include "store/Recordset.h"

#include <QString>

#include <limits>
#include <span>
#include <stdexcept>

namespace tq::bettypes {

namespace {

const char16_t* const kDigits[] = {u"１", u"２", u"３", u"４", u"５", u"６", u"７"};

template <std::size_t N>
void resolveSlots(const store::Recordset& rs, const char16_t* code, const char16_t* pay, std::array<int, N>& codes,
                  std::array<int, N>& pays)
{
    for (std::size_t i = 0; i < N; ++i) {
        codes[i] = rs.fieldIndex(QString::fromUtf16(code) + QString::fromUtf16(kDigits[i]));
        pays[i] = rs.fieldIndex(QString::fromUtf16(pay) + QString::fromUtf16(kDigits[i]));
    }
}

template <std::size_t N>
void readSlots(const store::Recordset& row, const std::array<int, N>& codes, const std::array<int, N>& pays,
               std::array<PayoutSlot, N>& kept)
{
    for (std::size_t i = 0; i < N; ++i) {
        PayoutSlot& s = kept[i];
        s = PayoutSlot{};
        if (codes[i] < 0)
            continue;
        const store::Field code = row.field(codes[i]);
        if (code.isNull())
            continue;
        s.present = true;
        const QByteArrayView bytes = code.utf8();
        s.code.assign(bytes.data(), std::size_t(bytes.size()));
        if (pays[i] < 0)
            continue;
        const qint64 p = row.field(pays[i]).toInt();
        if (p > std::numeric_limits<qint32>::max() || p < std::numeric_limits<qint32>::min())
            throw std::overflow_error("払戻金が32ビットの範囲を超えています: " + s.code);
        s.payout = qint32(p);
    }
}

qint32 find(std::span<const PayoutSlot> kept, std::string_view code)
{
    for (const PayoutSlot& s : kept)
        if (s.present && s.code == code)
            return s.payout;
    return 0;
}

} // namespace

BetColumns BetColumns::resolve(const store::Recordset& rs)
{
    BetColumns c;
    resolveSlots(rs, u"枠連組合せ", u"枠連払戻", c.frameCode, c.framePay);
    resolveSlots(rs, u"馬連組合せ", u"馬連払戻", c.quinellaCode, c.quinellaPay);
    resolveSlots(rs, u"ワイド組合せ", u"ワイド払戻", c.wideCode, c.widePay);
    resolveSlots(rs, u"馬単組合せ", u"馬単払戻", c.exactaCode, c.exactaPay);
    resolveSlots(rs, u"３連複組合せ", u"３連複払戻", c.trioCode, c.trioPay);
    return c;
}

RaceBets RaceBets::read(const store::Recordset& row, const BetColumns& c)
{
    RaceBets r;
    readSlots(row, c.frameCode, c.framePay, r.frame);
    readSlots(row, c.quinellaCode, c.quinellaPay, r.quinella);
    readSlots(row, c.wideCode, c.widePay, r.wide);
    readSlots(row, c.exactaCode, c.exactaPay, r.exacta);
    readSlots(row, c.trioCode, c.trioPay, r.trio);
    return r;
}

qint32 funUmaHaraimodoshi(int betKind, const TicketHorse& a, const TicketHorse& b, const TicketHorse& c,
                          const RaceBets& race)
{
    const bool aFirst = a.number <= b.number;
    const TicketHorse& lo = aFirst ? a : b;
    const TicketHorse& hi = aFirst ? b : a;
    std::string code;
    switch (betKind) {
    case kQuinella:
        if (!race.quinellaSold()) {
            if (lo.frame.empty() || hi.frame.empty())
                return 0;
            code = lo.frame + hi.frame;
            return find(race.frame, code);
        }
        code = lo.number + hi.number;
        return find(race.quinella, code);
    case kWide:
        code = lo.number + hi.number;
        return find(race.wide, code);
    case kExacta:
        code = a.number + b.number;
        return find(race.exacta, code);
    case kTrio: {
        std::array<const std::string*, 3> t{&a.number, &b.number, &c.number};
        if (*t[1] < *t[0])
            std::swap(t[0], t[1]);
        if (*t[2] < *t[1])
            std::swap(t[1], t[2]);
        if (*t[1] < *t[0])
            std::swap(t[0], t[1]);
        code.reserve(t[0]->size() + t[1]->size() + t[2]->size());
        code.append(*t[0]).append(*t[1]).append(*t[2]);
        return find(race.trio, code);
    }
    default:
        return 0;
    }
}

} // namespace tq::bettypes
