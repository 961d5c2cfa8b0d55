#pragma once
// The combination slots of the races a run meets, read once per race from the
// race's payout row (racePayoutSql) through TBOpr. The statement differs from
// race to race only in its race key: it is built once with a marker for the
// key, and the store translates it once, so each race costs one lookup. The columns are resolved from the first race.
// Internal to the bet-type analysis.

#include "bettypes/RaceBets.h"

#include <QByteArrayView>
#include <QString>

#include <optional>

namespace tq::shell {
class AppContext;
}

namespace tq::bettypes {

class RacePayouts final {
  public:
    explicit RacePayouts(shell::AppContext& ctx);

    // The slots of race `raceKey`; all absent for a race without a payout
    // row. Throws std::runtime_error when the statement fails (reported
    // under "TBOpr"), std::overflow_error as RaceBets::read.
    RaceBets read(QByteArrayView raceKey);

  private:
    shell::AppContext& m_ctx;
    QString m_template; // racePayoutSql with a marker for the race key
    std::optional<BetColumns> m_columns;
};

} // namespace tq::bettypes
