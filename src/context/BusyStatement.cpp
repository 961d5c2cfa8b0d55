#include "context/BusyStatement.h"

#include "context/AppContext.h"
#include "store/Database.h"
#include "store/Operations.h"

namespace tq::context {

std::unique_ptr<store::Recordset> openWhileBusy(AppContext& ctx, const QString& sql, bool& ok)
{
    const store::ProgressHandlerScope keepAlive(*ctx.appDb, [&ctx] {
        ctx.busy.keepAlive();
        return ctx.busy.cancelled();
    });
    return store::TBOpr(ctx.errorLog, *ctx.appDb, sql, ok);
}

} // namespace tq::context
