#include "bettypes/RacePayouts.h"

#include "bettypes/BetTypeQuery.h"
#include "shell/AppContext.h"
#include "store/Database.h"
#include "store/Operations.h"

#include <stdexcept>

namespace tq::bettypes {

namespace {

// A marker no race key holds; the statement builder passes it through.
const QString kRaceMarker = QStringLiteral("\x01RK\x01");

} // namespace

RacePayouts::RacePayouts(shell::AppContext& ctx) : m_ctx(ctx), m_template(racePayoutSql(ctx.catalogue, kRaceMarker)) {}

RaceBets RacePayouts::read(QByteArrayView raceKey)
{
    QString sql = m_template;
    sql.replace(kRaceMarker, QString::fromUtf8(raceKey).replace(QLatin1Char('\''), QStringLiteral("''")));
    bool ok = false;
    const std::unique_ptr<store::Recordset> rs = store::TBOpr(m_ctx.errorLog, *m_ctx.appDb, sql, ok);
    if (!ok || !rs)
        throw std::runtime_error("払戻情報を読めません");
    if (!m_columns)
        m_columns = BetColumns::resolve(*rs);
    if (rs->isEOF())
        return {};
    return RaceBets::read(*rs, *m_columns);
}

} // namespace tq::bettypes
