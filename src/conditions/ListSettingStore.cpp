#include "conditions/ListSettingStore.h"

#include "common/ErrorLog.h"
#include "conditions/Clauses.h"
#include "store/Database.h"
#include "store/DbError.h"
#include "store/Dynaset.h"
#include "store/Recordset.h"

namespace tq::conditions {

QStringList listSettingNames(store::Database& appDb)
{
    QStringList names;
    try {
        store::Recordset rs = appDb.openRecordset(QStringLiteral("SELECT 設定名 FROM 一覧表示設定 GROUP BY 設定名"));
        for (; !rs.isEOF(); rs.moveNext())
            names << rs.field(0).toText().trimmed();
    } catch (const store::DbError&) {
    }
    return names;
}

QStringList listSettingItems(store::Database& appDb, const QString& name)
{
    QStringList items;
    store::Recordset rs = appDb.openRecordset(QStringLiteral("SELECT 項目名 FROM 一覧表示設定 WHERE 設定名='") +
                                              quoteLiteral(name) + QStringLiteral("' ORDER BY 表示順"));
    for (; !rs.isEOF(); rs.moveNext())
        items << rs.field(0).toText().trimmed();
    return items;
}

void deleteListSetting(store::Database& appDb, const QString& name)
{
    appDb.execute(QStringLiteral("DELETE FROM 一覧表示設定 WHERE 設定名='") + quoteLiteral(name) + QLatin1Char('\''));
}

bool subIchiranSettei(store::Database& appDb, common::ErrorLog& log, const QStringList& items, const QString& name)
{
    try {
        store::Transaction tx(appDb);
        deleteListSetting(appDb, name);
        std::unique_ptr<store::Dynaset> table = store::Dynaset::open(appDb, QStringLiteral("一覧表示設定"));
        for (int i = 0; i < items.size(); ++i) {
            table->addNew();
            table->setValue(QStringLiteral("設定名"), store::Value(name));
            table->setValue(QStringLiteral("項目名"), store::Value(items[i]));
            table->setValue(QStringLiteral("表示順"), store::Value(i));
            table->setValue(QStringLiteral("サイズ"), store::Value(kStoredListColumnWidth));
            table->update();
        }
        tx.commit();
        return true;
    } catch (const store::DbError& e) {
        log.report({0, e.describe(), name}, QStringLiteral("subIchiranSettei"));
        return false;
    }
}

} // namespace tq::conditions
