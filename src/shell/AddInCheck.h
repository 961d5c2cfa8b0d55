#pragma once
// Whether an add-in program is registered in the add-in registry table
// (Sアドイン管理) of the application database. The main window shows its graph
// entries only for a registered graph add-in.

#include <QString>

namespace tq::context {
class AppContext;
}

namespace tq::shell {

// The software id of the graph add-in.
inline QString graphAddInId()
{
    return QStringLiteral("REDivor");
}

// True when Sアドイン管理 has a row whose ソフトID is `softwareId`. False when
// it has none, when the application database is not open, or when the table
// cannot be read (reported by TBOpn).
bool isAddInRegistered(context::AppContext& ctx, const QString& softwareId);

} // namespace tq::shell
