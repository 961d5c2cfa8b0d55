#include "bettypes/BetTypeQuery.h"

#include "analysis/AnalysisQuery.h"
#include "common/ErrorLog.h"
#include "conditions/FavouriteRestriction.h"
#include "conditions/Rewrites.h"
#include "conditions/Where.h"

namespace tq::bettypes {

namespace {

const QString kProcedure = QStringLiteral("funSqlCreateUma");

QString column(const QString& table, const QString& name, const QString& end)
{
    return table + QLatin1Char('.') + name + QStringLiteral(" AS ") + name + end;
}

// "D払戻情報データ.<c> AS <c>," for a family of numbered slots.
void addSlots(QString& l, const QString& code, const QString& pay, int count)
{
    static const char16_t* const digits[] = {u"１", u"２", u"３", u"４", u"５", u"６", u"７"};
    for (int i = 0; i < count; ++i) {
        for (const QString& base : {code, pay}) {
            const QString name = base + QString::fromUtf16(digits[i]);
            l += QStringLiteral("D払戻情報データ.") + name + QStringLiteral(" AS ") + name + QLatin1Char(',');
        }
    }
}

QString winPlaceColumns()
{
    QString l;
    addSlots(l, QStringLiteral("単勝馬番"), QStringLiteral("単勝払戻"), 3);
    addSlots(l, QStringLiteral("複勝馬番"), QStringLiteral("複勝払戻"), 5);
    return l;
}

QString selectionColumns()
{
    const QString horses = QStringLiteral("D競走馬データ");
    QString l = QStringLiteral("SELECT ") + column(QStringLiteral("D番組データ"), QStringLiteral("レースキー"), {}) +
                QStringLiteral(", ") + QStringLiteral("D番組データ.年月日 AS 開催日, ") +
                column(horses, QStringLiteral("競走成績キー"), QStringLiteral(",")) +
                column(horses, QStringLiteral("馬番"), QStringLiteral(",")) +
                column(horses, QStringLiteral("枠番"), QStringLiteral(",")) +
                column(horses, QStringLiteral("馬名"), QStringLiteral(","));
    l += winPlaceColumns();
    l += QStringLiteral("D成績データ.異常区分 AS 異常区分,") + QStringLiteral("D成績データ.騎手名 AS 成績騎手,") +
         QStringLiteral("D成績データ.着順 AS 着順 ");
    return l;
}

QString partnerColumns()
{
    const QString horses = QStringLiteral("D競走馬データ");
    QString l = QStringLiteral("SELECT ") + column(QStringLiteral("D番組データ"), QStringLiteral("レースキー"), {}) +
                QStringLiteral(", ") + QStringLiteral("D番組データ.年月日 AS 開催日, ") +
                column(horses, QStringLiteral("競走成績キー"), QStringLiteral(",")) +
                column(horses, QStringLiteral("馬番"), QStringLiteral(", ")) +
                column(horses, QStringLiteral("枠番"), QStringLiteral(",")) +
                column(horses, QStringLiteral("馬名"), QStringLiteral(",")) +
                QStringLiteral("D成績データ.異常区分 AS 異常区分,") + QStringLiteral("D成績データ.騎手名 AS 成績騎手,") +
                QStringLiteral("D成績データ.着順 AS 着順,");
    l += winPlaceColumns();
    l.chop(1);
    l += QLatin1Char(' ');
    return l;
}

QString quoted(const QString& text)
{
    QString t = text;
    return t.replace(QLatin1Char('\''), QStringLiteral("''"));
}

// The condition of a favourite pick; false when it cannot be read (reported).
bool favouriteCondition(const QueryEnv& env, const FavouritePick& pick, QString& out)
{
    out.clear();
    if (pick.name.isEmpty())
        return true;
    const conditions::FavouriteRestrictionResult r = conditions::favouriteRestriction(
        env.catalogue, env.appDb, env.log, pick.wholeGroup, pick.name, false, QString(), QString());
    if (!r.ok)
        return false;
    // A favourite that is not (or no longer) stored selects no horse: running
    // without its condition would count every horse of the past data.
    out = r.matched == 0 ? QStringLiteral("False") : r.text;
    return true;
}

// The condition of `kind` for the selection (partner = false) or partners.
bool condition(const QueryEnv& env, const BetQuerySource& source, int kind, bool partner, QString& out)
{
    out.clear();
    const bool conditionsKind = partner ? kind == 2 : (kind == 1 || kind == 3);
    const bool axisKind = partner ? kind == 3 : kind == 2;
    if (kind == 0)
        return favouriteCondition(env, source.favourites[partner ? 1 : 0], out);
    if (!source.conditions)
        return !conditionsKind && !axisKind;
    if (conditionsKind) {
        bool ok = false;
        out = conditions::funWhere(env.catalogue, *source.conditions, true, env.appDb, env.log, &ok);
        return ok;
    }
    if (axisKind)
        return favouriteCondition(
            env, FavouritePick{source.conditions->axisFavourite, source.conditions->axisWholeGroup}, out);
    return true;
}

QString finish(const QueryEnv& env, QString sql)
{
    sql = conditions::funDataHenkan(env.catalogue, sql);
    sql = conditions::funMojiHenkan(sql, QStringLiteral("D競走馬データ.騎手名"), QStringLiteral("D成績データ.騎手名"));
    return conditions::funMojiHenkan(sql, QStringLiteral("D競走馬データ.騎手コード"),
                                     QStringLiteral("D成績データ.騎手コード"));
}

bool addKeyColumns(const QueryEnv& env, const BetQuerySource& source, QString& order, QString& columns)
{
    if (!source.conditions)
        return true;
    QString error;
    if (analysis::subSyukeiKeySql(env.catalogue, *source.conditions, order, columns, &error))
        return true;
    env.log.report({5, error, QString()}, kProcedure);
    return false;
}

} // namespace

QString funSqlCreateUma(const QueryEnv& env, const BetQuerySource& source, int kind)
{
    QString l = selectionColumns();
    QString w;
    if (!condition(env, source, kind, false, w)) {
        env.log.report({5, QStringLiteral("抽出条件を作成できません"), QString()}, kProcedure);
        return {};
    }
    QString unusedOrder;
    if (!addKeyColumns(env, source, unusedOrder, l))
        return {};
    const QString f = conditions::addCatalogueJoins(env.catalogue, analysis::pastRaceJoin(), l, conditions::withPastNames(env.catalogue, w));
    QString sql = l + QStringLiteral(" FROM ") + f;
    if (!w.isEmpty())
        sql += QStringLiteral(" WHERE ") + w;
    sql += QStringLiteral(" ORDER BY D番組データ.レースキー,D競走馬データ.馬番");
    return finish(env, sql);
}

QString racePayoutSql(const conditions::ConditionCatalogue& catalogue, const QString& raceKey)
{
    static const QString columns = [] {
        QString l;
        const auto add = [&l](const char16_t* code, const char16_t* pay, int count) {
            static const char16_t* const digits[] = {u"１", u"２", u"３", u"４", u"５", u"６", u"７"};
            for (int i = 0; i < count; ++i)
                for (const char16_t* base : {code, pay})
                    l += QLatin1Char('[') + QString::fromUtf16(base) + QString::fromUtf16(digits[i]) +
                         QStringLiteral("],");
        };
        add(u"枠連組合せ", u"枠連払戻", 3);
        add(u"馬連組合せ", u"馬連払戻", 3);
        add(u"ワイド組合せ", u"ワイド払戻", 7);
        add(u"馬単組合せ", u"馬単払戻", 6);
        add(u"３連複組合せ", u"３連複払戻", 3);
        l.chop(1);
        return l;
    }();
    return conditions::funDataHenkan(catalogue, QStringLiteral("SELECT レースキー,") + columns +
                                                    QStringLiteral(" FROM D払戻情報データ WHERE "
                                                                   "D払戻情報データ.レースキー >= '") +
                                                    quoted(raceKey) +
                                                    QStringLiteral("' ORDER BY D払戻情報データ.レースキー"));
}

QString funSqlCreateUmaRace(const QueryEnv& env, const BetQuerySource& source, const QString& raceKey,
                            const QString& horseNo, int kind)
{
    QString l = partnerColumns();
    QString c;
    if (!condition(env, source, kind, true, c)) {
        env.log.report({5, QStringLiteral("相手馬の条件を作成できません"), QString()}, kProcedure);
        return {};
    }
    QString o;
    if (!addKeyColumns(env, source, o, l))
        return {};
    const QString rk = quoted(raceKey);
    const QString no = quoted(horseNo);
    QString r = QStringLiteral("D番組データ.レースキー ='") + rk + QLatin1Char('\'') +
                QStringLiteral(" AND D競走馬データ.レースキー = '") + rk + QStringLiteral("' AND D競走馬データ.馬番<>'") +
                no + QLatin1Char('\'') + QStringLiteral(" AND D成績データ.レースキー = '") + rk +
                QStringLiteral("' AND D成績データ.馬番<>'") + no + QLatin1Char('\'') +
                QStringLiteral(" AND D払戻情報データ.レースキー = '") + rk + QLatin1Char('\'');
    // Joined tables keyed by race get the race restriction too, so their
    // lookups stay within the race.
    const QString pastC = conditions::withPastNames(env.catalogue, c);
    for (const conditions::JoinRule& rule : env.catalogue.joins) {
        if (!pastC.contains(rule.table) && !l.contains(rule.table))
            continue;
        const qsizetype p = rule.key.indexOf(QStringLiteral("@RKEY"));
        if (p >= 0)
            r += QStringLiteral(" AND ") + rule.key.left(p) + rk + QLatin1Char('\'');
    }
    const QString w = c.isEmpty() ? QString(r + QLatin1Char(' ')) : QString(r + QStringLiteral(" AND ") + c);
    const QString f = conditions::addCatalogueJoins(env.catalogue, analysis::pastRaceJoin(), l, conditions::withPastNames(env.catalogue, w));
    return finish(env, l + QStringLiteral(" FROM ") + f + QStringLiteral(" WHERE ") + w + o);
}

} // namespace tq::bettypes
