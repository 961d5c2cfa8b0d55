// The payout reader of a run steps through the payout rows in race order and
// reopens where it cannot step: whatever order the races come in, each read
// gives the race's own slots, a race without a payout row gives none, and a
// key holding "'" is read, not broken.

#include "bettypes/RacePayouts.h"

#include "support/BetRaces.h"

#include <gtest/gtest.h>

namespace tq::bettypes::test {
namespace {

using support::Payouts;
using support::Runner;
using support::s;

TEST(RacePayoutsReader, EachReadGivesItsOwnRaceInAnyOrder)
{
    support::BetFixture f;
    const std::vector<Runner> field = {{s("01"), s("1"), 1, s("")}, {s("02"), s("2"), 2, s("")},
                                       {s("03"), s("3"), 3, s("")}};
    // Race k pays 馬連 0102 with 100 * k; R5 has no payout row.
    const QStringList keys = {s("R1"), s("R2"), s("R3"), s("R4"), s("R5"), s("R6"), s("R'7")};
    for (int k = 0; k < keys.size(); ++k) {
        Payouts p = support::payoutsFor(field);
        p.quinella = {{s("0102"), 100 * (k + 1)}};
        f.addRace(QString(keys[k]).replace(QLatin1Char('\''), s("''")), field, p); // the fixture embeds keys as they are
    }
    f.ctx.appDb->execute(s("DELETE FROM D払戻情報データ WHERE レースキー = 'R5'"));

    RacePayouts payouts(f.ctx);
    // Forward by one, a skip within reach, a skip beyond it, backwards, a
    // repeat, the race without payouts and the quoted key.
    const int order[] = {0, 1, 3, 6, 2, 2, 4, 5, 0};
    for (const int k : order) {
        const QByteArray key = keys[k].toUtf8();
        const RaceBets bets = payouts.read(key);
        if (k == 4) {
            EXPECT_FALSE(bets.quinella[0].present) << key.constData();
            continue;
        }
        ASSERT_TRUE(bets.quinella[0].present) << key.constData();
        EXPECT_EQ(bets.quinella[0].code, "0102") << key.constData();
        EXPECT_EQ(bets.quinella[0].payout, 100 * (k + 1)) << key.constData();
    }
}

} // namespace
} // namespace tq::bettypes::test
