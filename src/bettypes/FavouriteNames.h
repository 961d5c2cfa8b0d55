#pragma once
// The names of the stored favourites and of their groups (table お気に入り),
// for choosing one in a bet-type window.

#include <QStringList>

namespace tq::common {
class ErrorLog;
}
namespace tq::store {
class Database;
}

namespace tq::bettypes {

struct FavouriteNames {
    QStringList favourites; // 名称, in order of name
    QStringList groups;     // distinct グループ名 (not empty), in order of name
};

// Reads the names; a table that cannot be read is reported under "TBOpr" and
// gives empty lists.
FavouriteNames storedFavouriteNames(store::Database& appDb, common::ErrorLog& log);

} // namespace tq::bettypes
