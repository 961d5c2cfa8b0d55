// The combination payout lookup and the sale of each bet in a race.

#include "bettypes/RaceBets.h"

#include <gtest/gtest.h>

namespace tq::bettypes {
namespace {

PayoutSlot slot(const char* code, qint32 pay)
{
    return PayoutSlot{true, code, pay};
}

RaceBets sampleRace()
{
    RaceBets r;
    r.frame = {slot("27", 610), slot("31", 9990), PayoutSlot{}};
    r.quinella = {slot("0211", 1200), slot("0311", 800), PayoutSlot{}};
    r.wide = {slot("0311", 300), slot("0312", 420), slot("1112", 510)};
    r.exacta = {slot("1103", 2500), slot("0311", 1700)};
    r.trio = {PayoutSlot{}, slot("030712", 4400), slot("030712", 1)};
    return r;
}

TEST(PayoutLookup, CodesAndSlots)
{
    const RaceBets race = sampleRace();
    RaceBets frameRace = race;
    frameRace.quinella[0] = slot("0000", 0); // 馬連 not sold: pairs are paid by frames

    const TicketHorse h03{"03", "2"}, h11{"11", "7"}, h12{"12", "8"}, h07{"07", "4"}, h01{"01", "1"};
    const TicketHorse none;
    struct Case {
        const char* what;
        int kind;
        TicketHorse a, b, c;
        const RaceBets* race;
        qint32 expected;
    } cases[] = {
        {"馬連 11-03 looks for 0311, a later slot", kQuinella, h11, h03, none, &race, 800},
        {"馬連 03-11 the same", kQuinella, h03, h11, none, &race, 800},
        {"ワイド 11-03 looks for 0311", kWide, h11, h03, none, &race, 300},
        {"馬単 11 first looks for 1103", kExacta, h11, h03, none, &race, 2500},
        {"馬単 03 first looks for 0311", kExacta, h03, h11, none, &race, 1700},
        {"３連複 12,03,07 looks for 030712, first equal slot wins", kTrio, h12, h03, h07, &race, 4400},
        {"no slot equals the code", kQuinella, h01, h03, none, &race, 0},
        {"unknown bet kind", 4, h03, h11, none, &race, 0},
        {"馬連 not sold: the frames 2 and 7 give 27, not the last digits 31", kQuinella, h11, h03, none,
         &frameRace, 610},
        {"馬連 not sold, a horse of unknown frame", kQuinella, TicketHorse{"11", ""}, h03, none, &frameRace, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(funUmaHaraimodoshi(c.kind, c.a, c.b, c.c, *c.race), c.expected) << c.what;
}

TEST(PayoutLookup, SaleOfEachBet)
{
    RaceBets race = sampleRace();
    EXPECT_TRUE(race.quinellaSold());
    EXPECT_TRUE(race.wideSold());
    EXPECT_TRUE(race.exactaSold());
    EXPECT_FALSE(race.trioSold()) << "３連複組合せ１ is Null";

    race.wide[0] = slot("0000", 0);
    race.exacta[0] = PayoutSlot{};
    race.quinella[0] = slot("0000", 0);
    EXPECT_FALSE(race.wideSold());
    EXPECT_FALSE(race.exactaSold());
    EXPECT_FALSE(race.quinellaSold());
}

TEST(PayoutLookup, TicketTests)
{
    EXPECT_TRUE(quinellaHits(2, 1));
    EXPECT_FALSE(quinellaHits(1, 3));
    EXPECT_TRUE(wideHits(3, 1));
    EXPECT_FALSE(wideHits(0, 1)) << "a horse that did not finish";
    EXPECT_TRUE(exactaHits(1, 2, false));
    EXPECT_FALSE(exactaHits(1, 1, false)) << "the window wants exactly first then second";
    EXPECT_TRUE(exactaHits(1, 1, true)) << "the grouped run accepts a dead heat for first";
    EXPECT_FALSE(exactaHits(2, 1, true));
    EXPECT_TRUE(trioHits(3, 1, 2));
    EXPECT_FALSE(trioHits(1, 2, 4));
}

} // namespace
} // namespace tq::bettypes
