#pragma once
// The combination slots of the races a run meets, in ascending race order.
// The payout rows are read as one ordered stream (racePayoutSql) that steps
// forward to each race; a race more than a few rows ahead (a sparse
// selection), or one the stream does not reach, reopens the stream at that
// race. Dense selections thus cost a row step per race, sparse ones one
// lookup per race: the statement differs only in its race key, so the store
// translates it once. Correct whatever the order: a race is only ever taken
// from a row with its own key.
// Internal to the bet-type analysis.

#include "bettypes/RaceBets.h"

#include <QByteArrayView>
#include <QString>

#include <memory>
#include <optional>

namespace tq::context {
class AppContext;
}
namespace tq::store {
class Recordset;
}

namespace tq::bettypes {

class RacePayouts final {
  public:
    explicit RacePayouts(context::AppContext& ctx);
    ~RacePayouts();

    // The slots of race `raceKey`; all absent for a race without a payout
    // row. Throws std::runtime_error when the statement fails (reported
    // under "TBOpr"), std::overflow_error as RaceBets::read.
    RaceBets read(QByteArrayView raceKey);

  private:
    void reopen(QByteArrayView raceKey);
    bool standsOn(QByteArrayView raceKey) const;

    context::AppContext& m_ctx;
    QString m_template; // racePayoutSql with a marker for the race key
    std::unique_ptr<store::Recordset> m_stream;
    std::optional<BetColumns> m_columns;
};

} // namespace tq::bettypes
