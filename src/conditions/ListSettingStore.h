#pragma once
// The list-display settings (一覧表示設定): named lists of item texts that
// the horse list by setting shows as its columns. The list-settings editor
// reads, deletes and stores them; the horse list reads them.
//
// Setting names are embedded in quoted SQL literals with each "'" doubled.

#include <QString>
#include <QStringList>

namespace tq::common {
class ErrorLog;
}

namespace tq::store {
class Database;
}

namespace tq::conditions {

// Width every item gets when a setting is stored.
inline constexpr double kStoredListColumnWidth = 10.0;

// The stored setting names (trimmed), in the order the grouped query returns
// them. A failing query gives an empty list.
QStringList listSettingNames(store::Database& appDb);

// The items of a setting (trimmed) in 表示順 order. Throws store::DbError.
QStringList listSettingItems(store::Database& appDb, const QString& name);

// 設定削除: deletes every row of the setting. Throws store::DbError.
void deleteListSetting(store::Database& appDb, const QString& name);

// subIchiranSettei: replaces the setting `name` by one row per item (表示順
// 0, 1, ...; サイズ 10). Returns false, with a report under
// "subIchiranSettei", when the database refused; the rows then stay as they
// were (the replacement runs in one transaction).
bool subIchiranSettei(store::Database& appDb, common::ErrorLog& log, const QStringList& items, const QString& name);

} // namespace tq::conditions
