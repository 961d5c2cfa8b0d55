#include "conditions/Where.h"

#include "common/ErrorLog.h"
#include "conditions/Clauses.h"
#include "conditions/FavouriteRestriction.h"

namespace tq::conditions {

namespace {

struct WhereFailure {
    int number;
    QString message;
};

QString buildWhere(const ConditionCatalogue& catalogue, const ConditionSet& conditions, bool removeDollar,
                   store::Database* appDb, common::ErrorLog& log)
{
    QString w;
    const FavouriteFilter& favourite = conditions.favourite;
    if (!favourite.name.isEmpty()) {
        const FavouriteRestrictionResult r =
            favouriteRestriction(catalogue, appDb, log, favourite.wholeGroup, favourite.name, favourite.isFavourite,
                                 favourite.havingOperator, favourite.havingNumber);
        if (!r.ok)
            throw WhereFailure{3021, QStringLiteral("お気に入り '%1' を読めません").arg(favourite.name)};
        // An unmatched link would otherwise drop the restriction silently
        // and analyse every race.
        if (r.matched == 0)
            throw WhereFailure{3021, QStringLiteral("リンクしたお気に入り '%1' がありません").arg(favourite.name)};
        w = r.text;
    }

    for (const ConditionRow& row : conditions.rows) {
        if (row.masked || row.itemName.isEmpty())
            continue;
        if (row.isExtended()) {
            QString text = row.value;
            if (removeDollar)
                text.remove(QLatin1Char('$'));
            if (!w.isEmpty())
                w += QStringLiteral(" AND ");
            w += QLatin1Char('(') + text + QLatin1Char(')');
            continue;
        }
        const auto it = catalogue.nameMap.constFind(row.itemName);
        if (it == catalogue.nameMap.constEnd())
            throw WhereFailure{5, QStringLiteral("条件項目 '%1' がカタログにありません").arg(row.itemName)};
        funJoukenSql(catalogue, w, it.value(), row.value, row.target);
    }
    return w;
}

} // namespace

QString funWhere(const ConditionCatalogue& catalogue, const ConditionSet& conditions, bool removeDollar,
                 store::Database* appDb, common::ErrorLog& log, bool* ok)
{
    if (ok)
        *ok = false;
    common::ErrorInfo error;
    try {
        QString w = buildWhere(catalogue, conditions, removeDollar, appDb, log);
        if (ok)
            *ok = true;
        return w;
    } catch (const WhereFailure& f) {
        error = {f.number, f.message, QString()};
    } catch (const ClauseError& e) {
        error = {e.number(), QString::fromUtf8(e.what()), QString()};
    } catch (const std::exception& e) {
        error = {5, QString::fromUtf8(e.what()), QString()};
    }
    log.report(error, QStringLiteral("funWhere"));
    return {};
}

} // namespace tq::conditions
