#include "bettypes/RacePayouts.h"

#include "bettypes/BetTypeQuery.h"
#include "context/AppContext.h"
#include "store/Database.h"
#include "store/Operations.h"
#include "store/Recordset.h"

#include <stdexcept>

namespace tq::bettypes {

namespace {

// A marker no race key holds; the statement builder passes it through.
const QString kRaceMarker = QStringLiteral("\x01RK\x01");

// Rows the stream steps over looking for a race before it is reopened there:
// a step costs about a third of a reopening.
constexpr int kMaxSkipped = 2;

} // namespace

RacePayouts::RacePayouts(context::AppContext& ctx) : m_ctx(ctx), m_template(racePayoutSql(ctx.catalogue, kRaceMarker)) {}

RacePayouts::~RacePayouts() = default;

bool RacePayouts::standsOn(QByteArrayView raceKey) const
{
    return !m_stream->isEOF() && m_stream->field(0).utf8() == raceKey;
}

void RacePayouts::reopen(QByteArrayView raceKey)
{
    QString sql = m_template;
    sql.replace(kRaceMarker, QString::fromUtf8(raceKey).replace(QLatin1Char('\''), QStringLiteral("''")));
    m_stream.reset();
    bool ok = false;
    m_stream = store::TBOpr(m_ctx.errorLog, *m_ctx.appDb, sql, ok);
    if (!ok || !m_stream)
        throw std::runtime_error("払戻情報を読めません");
    if (!m_columns)
        m_columns = BetColumns::resolve(*m_stream);
}

RaceBets RacePayouts::read(QByteArrayView raceKey)
{
    bool found = false;
    if (m_stream) {
        for (int skipped = 0; !found && !m_stream->isEOF() && skipped <= kMaxSkipped; ++skipped) {
            found = standsOn(raceKey);
            if (!found)
                m_stream->moveNext();
        }
    }
    if (!found) {
        reopen(raceKey);
        found = standsOn(raceKey);
    }
    return found ? RaceBets::read(*m_stream, *m_columns) : RaceBets{};
}

} // namespace tq::bettypes
