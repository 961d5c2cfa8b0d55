#include "bettypes/FavouriteNames.h"

#include "store/Database.h"
#include "store/Operations.h"

namespace tq::bettypes {

FavouriteNames storedFavouriteNames(store::Database& appDb, common::ErrorLog& log)
{
    FavouriteNames out;
    bool ok = false;
    auto rs = store::TBOpr(log, appDb, QStringLiteral("SELECT 名称, グループ名 FROM お気に入り ORDER BY 名称"), ok);
    if (!ok || !rs)
        return out;
    for (; !rs->isEOF(); rs->moveNext()) {
        const QString name = rs->field(0).toText().trimmed();
        const QString group = rs->field(1).toText().trimmed();
        if (!name.isEmpty() && !out.favourites.contains(name))
            out.favourites << name;
        if (!group.isEmpty() && !out.groups.contains(group))
            out.groups << group;
    }
    out.groups.sort();
    return out;
}

} // namespace tq::bettypes
