#include "analysis/ListSettingStore.h"

#include "analysis/HorseList.h"
#include "conditions/Clauses.h"
#include "store/Database.h"
#include "store/Recordset.h"

namespace tq::analysis {

QStringList listSettingNames(store::Database& appDb)
{
    // The list chooser's entries without its first, the default list.
    return listChoices(appDb).mid(1);
}

QStringList listSettingItems(store::Database& appDb, const QString& name)
{
    QStringList items;
    store::Recordset rs = appDb.openRecordset(QStringLiteral("SELECT 項目名 FROM 一覧表示設定 WHERE 設定名='") +
                                              conditions::quoteLiteral(name) + QStringLiteral("' ORDER BY 表示順"));
    for (; !rs.isEOF(); rs.moveNext())
        items << rs.field(0).toText().trimmed();
    return items;
}

void deleteListSetting(store::Database& appDb, const QString& name)
{
    appDb.execute(QStringLiteral("DELETE FROM 一覧表示設定 WHERE 設定名='") + conditions::quoteLiteral(name) +
                  QLatin1Char('\''));
}

} // namespace tq::analysis
