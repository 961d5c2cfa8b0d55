#include "shell/AddInCheck.h"

#include "context/AppContext.h"
#include "store/Operations.h"

namespace tq::shell {

bool isAddInRegistered(context::AppContext& ctx, const QString& softwareId)
{
    if (!ctx.appDb)
        return false;
    QString quoted = softwareId;
    quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
    bool ok = false;
    auto rs = store::TBOpn(ctx.errorLog, *ctx.appDb,
                           QStringLiteral("select * from Sアドイン管理 Where ソフトID='") + quoted + QStringLiteral("'"), ok);
    return ok && rs && !rs->isEOF();
}

} // namespace tq::shell
