#pragma once
// The list-display settings (一覧表示設定) as the list-settings editor reads
// and deletes them; subIchiranSettei (HorseList.h) writes them.
//
// Setting names are embedded in quoted SQL literals with each "'" doubled.

#include <QString>
#include <QStringList>

namespace tq::store {
class Database;
}

namespace tq::analysis {

// The stored setting names (trimmed), in the order the grouped query returns
// them. A failing query gives an empty list.
QStringList listSettingNames(store::Database& appDb);

// The items of a setting (trimmed) in 表示順 order. Throws store::DbError.
QStringList listSettingItems(store::Database& appDb, const QString& name);

// 設定削除: deletes every row of the setting. Throws store::DbError.
void deleteListSetting(store::Database& appDb, const QString& name);

} // namespace tq::analysis
