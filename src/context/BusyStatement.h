#pragma once
// Opening a long statement under the busy window: the joins and the sort
// before its first row can take seconds on years of races, so the windows keep
// painting meanwhile and the busy window's キャンセル stops the statement.

#include <QString>

#include <memory>

namespace tq::store {
class Recordset;
}

namespace tq::context {

class AppContext;

// TBOpr on ctx.appDb (which must be open) with a progress handler that calls
// ctx.busy.keepAlive() and interrupts the statement once ctx.busy is
// cancelled. Same contract as TBOpr: null and ok false on failure (reported
// under "TBOpr"; an interrupted statement is a cancel, not logged).
std::unique_ptr<store::Recordset> openWhileBusy(AppContext& ctx, const QString& sql, bool& ok);

} // namespace tq::context
