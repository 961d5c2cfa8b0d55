#include "analysis/AnalysisQuery.h"

#include "common/ErrorLog.h"
#include "conditions/Clauses.h"
#include "conditions/Rewrites.h"
#include "conditions/Where.h"

namespace tq::analysis {

using conditions::ConditionCatalogue;
using conditions::ConditionSet;

namespace {

// The fixed column list: the first two pieces end in ", ", the others in ",",
// the last in a blank.
const QString& fixedColumns()
{
    static const QString text =
        QStringLiteral("SELECT ") + QStringLiteral("D番組データ.レースキー AS レースキー, ") +
        QStringLiteral("D番組データ.年月日 AS 開催日, ") +
        QStringLiteral("D競走馬データ.競走成績キー AS 競走成績キー,") + QStringLiteral("D競走馬データ.馬番 AS 馬番,") +
        QStringLiteral("D競走馬データ.馬名 AS 馬名,") + QStringLiteral("D払戻情報データ.単勝馬番１ AS 単勝馬番１,") +
        QStringLiteral("D払戻情報データ.単勝払戻１ AS 単勝払戻１,") +
        QStringLiteral("D払戻情報データ.単勝馬番２ AS 単勝馬番２,") +
        QStringLiteral("D払戻情報データ.単勝払戻２ AS 単勝払戻２,") +
        QStringLiteral("D払戻情報データ.単勝馬番３ AS 単勝馬番３,") +
        QStringLiteral("D払戻情報データ.単勝払戻３ AS 単勝払戻３,") +
        QStringLiteral("D払戻情報データ.複勝馬番１ AS 複勝馬番１,") +
        QStringLiteral("D払戻情報データ.複勝払戻１ AS 複勝払戻１,") +
        QStringLiteral("D払戻情報データ.複勝馬番２ AS 複勝馬番２,") +
        QStringLiteral("D払戻情報データ.複勝払戻２ AS 複勝払戻２,") +
        QStringLiteral("D払戻情報データ.複勝馬番３ AS 複勝馬番３,") +
        QStringLiteral("D払戻情報データ.複勝払戻３ AS 複勝払戻３,") +
        QStringLiteral("D払戻情報データ.複勝馬番４ AS 複勝馬番４,") +
        QStringLiteral("D払戻情報データ.複勝払戻４ AS 複勝払戻４,") +
        QStringLiteral("D払戻情報データ.複勝馬番５ AS 複勝馬番５,") +
        QStringLiteral("D払戻情報データ.複勝払戻５ AS 複勝払戻５,") + QStringLiteral("D成績データ.着順 AS 着順,") +
        QStringLiteral("D成績データ.異常区分 AS 異常区分,") + QStringLiteral("D成績データ.騎手名 AS 成績騎手,") +
        QStringLiteral("D成績データ.確定単勝オッズ AS 確定単勝オッズ,") +
        QStringLiteral("D成績データ.確定複勝オッズ AS 確定複勝オッズ ");
    return text;
}

// The statement of a column list, a WHERE text (funWhere, "$" removed) and
// a sort text (race order when empty): the past-race join with the catalogue
// joins the columns and the WHERE text need, today's names rewritten to past
// names and the jockey read from D成績データ (the one who rode).
QString analysisStatement(const ConditionCatalogue& catalogue, const QString& columns, const QString& where,
                          const QString& orderBy)
{
    const QString from =
        conditions::addCatalogueJoins(catalogue, pastRaceJoin(), columns, conditions::withPastNames(catalogue, where));
    QString sql;
    sql.reserve(columns.size() + from.size() + where.size() + orderBy.size() + 64);
    sql += columns + QStringLiteral(" FROM ") + from;
    if (!where.isEmpty())
        sql += QStringLiteral(" WHERE ") + where;
    if (!orderBy.isEmpty())
        sql += orderBy;
    else
        sql += QStringLiteral(" ORDER BY D番組データ.レースキー");

    sql = conditions::funDataHenkan(catalogue, sql);
    sql = conditions::funMojiHenkan(sql, QStringLiteral("D競走馬データ.騎手名"), QStringLiteral("D成績データ.騎手名"));
    return conditions::funMojiHenkan(sql, QStringLiteral("D競走馬データ.騎手コード"),
                                     QStringLiteral("D成績データ.騎手コード"));
}

} // namespace

const QString& pastRaceJoin()
{
    static const QString text =
        QStringLiteral("((D番組データ ") +
        QStringLiteral("INNER JOIN D競走馬データ ON D番組データ.レースキー = D競走馬データ.レースキー) ") +
        QStringLiteral("INNER JOIN D払戻情報データ ON D番組データ.レースキー = D払戻情報データ.レースキー) ") +
        QStringLiteral("INNER JOIN D成績データ ON D競走馬データ.競走成績キー = D成績データ.競走成績キー ");
    return text;
}

QString aggregationKeyExpression(const ConditionCatalogue& catalogue, const QString& keyText)
{
    const conditions::AggregationKeyParts parts = conditions::splitAggregationKey(keyText);
    const conditions::ConditionItem* item = catalogue.itemByName(parts.itemName);
    if (item == nullptr)
        return {};
    const QString& e = item->key;
    if (parts.target == 0)
        return e;
    const QString z = conditions::funZensouHenkan(catalogue, e, parts.target);
    if (conditions::isComparisonTarget(parts.target))
        return e + QStringLiteral(" & \" - \" & ") + z;
    return z;
}

bool subSyukeiKeySql(const ConditionCatalogue& catalogue,
                     const std::array<QString, conditions::kAggregationLevels>& keyTexts, QString& orderBy,
                     QString& columnList, QString* error)
{
    bool first = true;
    for (const QString& t : keyTexts) {
        if (t.isEmpty())
            continue;
        const QString x = aggregationKeyExpression(catalogue, t);
        if (x.isEmpty()) {
            if (error)
                *error = QStringLiteral("集計キー '%1' の項目がカタログにありません").arg(t);
            return false;
        }
        orderBy += (first ? QStringLiteral(" ORDER BY ") : QStringLiteral(",")) + x;
        first = false;
        const QString column = x + QStringLiteral(" AS ") + t;
        if (!columnList.contains(column))
            columnList += QLatin1Char(',') + column;
    }
    return true;
}

bool subSyukeiKeySql(const ConditionCatalogue& catalogue, const ConditionSet& conditions, QString& orderBy,
                     QString& columnList, QString* error)
{
    std::array<QString, conditions::kAggregationLevels> texts;
    for (size_t i = 0; i < texts.size(); ++i)
        texts[i] = conditions.keys[i].key;
    return subSyukeiKeySql(catalogue, texts, orderBy, columnList, error);
}

QString funSqlCreate2(const ConditionCatalogue& catalogue, const ConditionSet& conditions, store::Database* appDb,
                      common::ErrorLog& log, bool* ok)
{
    if (ok)
        *ok = false;
    QString c = fixedColumns();

    bool whereOk = false;
    const QString w = conditions::funWhere(catalogue, conditions, true, appDb, log, &whereOk);
    if (!whereOk)
        return {};

    QString o;
    QString keyError;
    if (!subSyukeiKeySql(catalogue, conditions, o, c, &keyError))
        log.report({5, keyError, QString()}, QStringLiteral("funSqlCreate2"));

    const QString sql = analysisStatement(catalogue, c, w, o);
    if (ok)
        *ok = true;
    return sql;
}

QString analysisFrom(const ConditionCatalogue& catalogue, const QString& where)
{
    return conditions::addCatalogueJoins(catalogue, pastRaceJoin(), fixedColumns(),
                                         conditions::withPastNames(catalogue, where));
}

QString flaggedAnalysisSql(const ConditionCatalogue& catalogue, const QStringList& whereTexts)
{
    QString columns = fixedColumns();
    QString anyFlag;
    for (qsizetype i = 0; i < whereTexts.size(); ++i) {
        const QString condition = QLatin1Char('(') + whereTexts[i] + QLatin1Char(')');
        const int bit = int(i % kFlagsPerWord);
        columns += (bit == 0 ? QStringLiteral(",") : QStringLiteral(" + ")) + QStringLiteral("IIf(") + condition +
                   QLatin1Char(',') + QString::number(1 << bit) + QStringLiteral(",0)");
        if (bit == kFlagsPerWord - 1 || i + 1 == whereTexts.size())
            columns += QStringLiteral(" AS フラグ") + QString::number(i / kFlagsPerWord);
        anyFlag += (i == 0 ? QString() : QStringLiteral(" OR ")) + condition;
    }
    return analysisStatement(catalogue, columns, anyFlag, QString());
}

} // namespace tq::analysis
