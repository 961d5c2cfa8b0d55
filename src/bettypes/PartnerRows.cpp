#include "bettypes/PartnerRows.h"

#include "shell/AppContext.h"
#include "store/Database.h"
#include "store/Operations.h"

#include <stdexcept>

namespace tq::bettypes {

PartnerRows::PartnerRows(shell::AppContext& ctx, const BetQuerySource& source, int kind)
    : m_ctx(ctx), m_source(source), m_kind(kind)
{
}

std::unique_ptr<store::Recordset> PartnerRows::open(const QString& raceKey, const QString& horseNo)
{
    const QueryEnv env{m_ctx.catalogue, m_ctx.appDb.get(), m_ctx.errorLog};
    const QString sql = funSqlCreateUmaRace(env, m_source, raceKey, horseNo, m_kind);
    if (sql.isEmpty())
        throw std::runtime_error("相手馬の抽出文を作成できません");
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
