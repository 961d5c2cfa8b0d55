#pragma once
// The combination payouts of one race and the ticket tests of the bet-type
// analysis.
//
// A combination code is the concatenation of the horses' 馬番 texts: ascending
// (by character codes) for 馬連, ワイド and ３連複, first-placed horse first for
// 馬単. Where 馬連 was not sold (馬連組合せ１ is "0000") a pair is paid from the
// 枠連 slots, whose codes hold frame numbers: the pair's code is then made of
// the two horses' 枠番 texts, still in ascending 馬番 order (frames never
// decrease with the horse number).
//
// Texts are kept as the UTF-8 bytes the database hands out; codes of two- and
// three-horse tickets fit in std::string's inline buffer, so a lookup
// allocates nothing.

#include <QtGlobal>

#include <array>
#include <string>
#include <string_view>

namespace tq::store {
class Recordset;
}

namespace tq::bettypes {

// Bet kinds of the lookup.
enum BetKind : int {
    kQuinella = 0, // 馬連, or 枠連 in its place
    kWide = 1,     // ワイド
    kExacta = 2,   // 馬単
    kTrio = 3,     // ３連複
};

// A horse of a ticket: its 馬番 text and its 枠番 text (empty when unknown).
struct TicketHorse {
    std::string number;
    std::string frame;
};

// One combination slot: Null (absent) or a code with its payout (yen per
// 100 yen).
struct PayoutSlot {
    bool present = false;
    std::string code;
    qint32 payout = 0;
};

// Column indexes of the combination and payout slots in a selection row
// (-1 for a column the statement does not have).
struct BetColumns {
    std::array<int, 3> frameCode{}, framePay{};
    std::array<int, 3> quinellaCode{}, quinellaPay{};
    std::array<int, 7> wideCode{}, widePay{};
    std::array<int, 6> exactaCode{}, exactaPay{};
    std::array<int, 3> trioCode{}, trioPay{};

    static BetColumns resolve(const store::Recordset& rs);
};

// The combination slots of one race.
struct RaceBets {
    std::array<PayoutSlot, 3> frame;
    std::array<PayoutSlot, 3> quinella;
    std::array<PayoutSlot, 7> wide;
    std::array<PayoutSlot, 6> exacta;
    std::array<PayoutSlot, 3> trio;

    // Reads the slots of the current row. A payout beyond the 32-bit range
    // throws std::overflow_error; a Null payout reads as 0.
    static RaceBets read(const store::Recordset& row, const BetColumns& columns);

    // Sale of each bet in the race: 馬連 and ワイド are not sold when their
    // first slot holds "0000"; 馬単 and ３連複 when their first slot is Null.
    bool quinellaSold() const { return !isUnsold(quinella[0]); }
    bool wideSold() const { return !isUnsold(wide[0]); }
    bool exactaSold() const { return exacta[0].present; }
    bool trioSold() const { return trio[0].present; }

  private:
    static bool isUnsold(const PayoutSlot& s) { return s.present && s.code == "0000"; }
};

// funUmaHaraimodoshi: the payout of the ticket of horses a and b (and c for
// ３連複; ignored otherwise) in `race`; 0 when the combination did not pay or
// for an unknown bet kind. For 馬単, a is the first-placed horse. Slots are
// searched in order and the first equal code wins; a Null slot equals
// nothing. A 枠連 lookup with a horse of unknown frame pays 0.
qint32 funUmaHaraimodoshi(int betKind, const TicketHorse& a, const TicketHorse& b, const TicketHorse& c,
                          const RaceBets& race);

// The ticket tests on finishing positions (0 for none).
inline bool inTopTwo(int p) { return p == 1 || p == 2; }
inline bool inTopThree(int p) { return p >= 1 && p <= 3; }
inline bool quinellaHits(int pc, int po) { return inTopTwo(pc) && inTopTwo(po); }
inline bool wideHits(int pc, int po) { return inTopThree(pc) && inTopThree(po); }
inline bool trioHits(int pc, int po, int pt) { return inTopThree(pc) && inTopThree(po) && inTopThree(pt); }
// 馬単 from first to second. `deadHeat`: a dead heat for first also counts
// (the grouped run's rule); the bet-type window wants exactly 1 then 2.
inline bool exactaHits(int first, int second, bool deadHeat)
{
    return first == 1 && (second == 2 || (deadHeat && second == 1));
}

} // namespace tq::bettypes
