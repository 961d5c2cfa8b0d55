#include "bettypes/PartnerRows.h"

#include "context/AppContext.h"
#include "store/Database.h"
#include "store/Operations.h"

#include <stdexcept>

namespace tq::bettypes {

namespace {

// Markers no race key or horse number holds; the statement builder passes
// them through unchanged.
const QString kRaceMarker = QStringLiteral("\x01RK\x01");
const QString kHorseMarker = QStringLiteral("\x01NO\x01");

QString quoted(QString text)
{
    return text.replace(QLatin1Char('\''), QStringLiteral("''"));
}

} // namespace

PartnerRows::PartnerRows(context::AppContext& ctx, const BetQuerySource& source, int kind) : m_ctx(ctx)
{
    m_template = funSqlCreateUmaRace(QueryEnv{ctx.catalogue, ctx.appDb.get(), ctx.errorLog}, source, kRaceMarker,
                                     kHorseMarker, kind);
}

std::unique_ptr<store::Recordset> PartnerRows::open(const QString& raceKey, const QString& horseNo)
{
    if (m_template.isEmpty())
        throw std::runtime_error("相手馬の抽出文を作成できません");
    QString sql = m_template;
    sql.replace(kRaceMarker, quoted(raceKey)).replace(kHorseMarker, quoted(horseNo));
    bool ok = false;
    std::unique_ptr<store::Recordset> rs = store::TBOpr(m_ctx.errorLog, *m_ctx.appDb, sql, ok);
    if (!ok || !rs)
        throw std::runtime_error("相手馬の抽出に失敗しました");
    if (!m_columns) {
        m_columns = HorseColumns::resolve(*rs);
        m_listColumns = analysis::AnalysisColumns::resolve(*rs);
    }
    ++m_opened;
    return rs;
}

} // namespace tq::bettypes
