#include "conditions/FavouriteRestriction.h"

#include "common/ErrorLog.h"
#include "conditions/Clauses.h"
#include "conditions/Rewrites.h"
#include "store/DbError.h"
#include "store/Operations.h"

namespace tq::conditions {

FavouriteRestrictionResult favouriteRestriction(const ConditionCatalogue& catalogue, store::Database* appDb,
                                                common::ErrorLog& log, bool wholeGroup, const QString& name,
                                                bool raceFlag, const QString& havingOperator,
                                                const QString& havingCount)
{
    FavouriteRestrictionResult result;
    if (appDb == nullptr) {
        log.report({91, QStringLiteral("アプリケーションデータベースが開かれていません"), QString()},
                   QStringLiteral("funFavoWhere"));
        return result;
    }
    const QString sql = (wholeGroup ? QStringLiteral("select * from お気に入り where グループ名 = '")
                                    : QStringLiteral("select * from お気に入り where 名称 = '")) +
                        quoteLiteral(name) + QLatin1Char('\'');
    bool ok = false;
    std::unique_ptr<store::Recordset> rs = store::TBOpr(log, *appDb, sql, ok);
    if (!ok || !rs)
        return result;

    QString w;
    bool several = false;
    try {
        const int column = rs->fieldIndex(QStringLiteral("ＷＨＥＲＥ文"));
        if (column < 0)
            throw store::DbError(0, QStringLiteral("Item not found in this collection: ＷＨＥＲＥ文"), sql);
        for (; !rs->isEOF(); rs->moveNext()) {
            if (!w.isEmpty()) {
                w += QStringLiteral(" OR ");
                several = true;
            }
            w += QLatin1Char('(') + funNullKara(rs->value(column)) + QLatin1Char(')');
            ++result.matched;
        }
    } catch (const store::DbError& e) {
        log.report({3021, e.describe(), QString()}, QStringLiteral("funFavoWhere"));
        return result;
    }

    if (raceFlag) {
        const QString s = QStringLiteral("T番組データ.レースキー in (select D番組データ.レースキー");
        QString f =
            QStringLiteral("((D番組データ ") +
            QStringLiteral("INNER JOIN D競走馬データ ON D番組データ.レースキー = D競走馬データ.レースキー) ") +
            QStringLiteral("LEFT JOIN D払戻情報データ ON D番組データ.レースキー = D払戻情報データ.レースキー) ") +
            QStringLiteral("LEFT JOIN D成績データ ON D競走馬データ.競走成績キー = D成績データ.競走成績キー ");
        f = addCatalogueJoins(catalogue, f, s, withPastNames(catalogue, w));
        w = s + QStringLiteral(" FROM ") + f + QStringLiteral(" WHERE ") + w +
            QStringLiteral(" group by D番組データ.レースキー");
        if (!havingOperator.isEmpty())
            w += QStringLiteral(" HAVING COUNT(D競走馬データ.馬番) ") + havingOperator + havingCount;
        w += QLatin1Char(')');
    }
    result.text = several ? QString(QLatin1Char('(') + w + QLatin1Char(')')) : w;
    result.ok = true;
    return result;
}

QString funFavoWhere(const ConditionCatalogue& catalogue, store::Database* appDb, common::ErrorLog& log,
                     bool wholeGroup, const QString& name, bool raceFlag, const QString& havingOperator,
                     const QString& havingCount)
{
    return favouriteRestriction(catalogue, appDb, log, wholeGroup, name, raceFlag, havingOperator, havingCount).text;
}

} // namespace tq::conditions
