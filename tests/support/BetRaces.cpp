#include "support/BetRaces.h"

#include "support/CatalogueItems.h"

#include <algorithm>

namespace tq::support {

namespace {

const char16_t* const kDigits[] = {u"１", u"２", u"３", u"４", u"５", u"６", u"７"};

QString slotColumns(const QString& code, const QString& pay, int n, int width)
{
    QString t;
    for (int i = 0; i < n; ++i)
        t += QStringLiteral(", [") + code + QString::fromUtf16(kDigits[i]) + QStringLiteral("] CHAR(") +
             QString::number(width) + QStringLiteral("), [") + pay + QString::fromUtf16(kDigits[i]) +
             QStringLiteral("] LONG");
    return t;
}

QString slotValues(const Slots& paid, int n)
{
    QString t;
    for (int i = 0; i < n; ++i) {
        if (i < int(paid.size()))
            t += QStringLiteral(",'%1',%2").arg(paid[std::size_t(i)].first).arg(paid[std::size_t(i)].second);
        else
            t += QStringLiteral(",Null,Null");
    }
    return t;
}

} // namespace

BetFixture::BetFixture()
{
    ctx.appDb = store::Database::create(dir.filePath(s("app.mdb")));
    store::Database& db = *ctx.appDb;
    db.execute(s("CREATE TABLE 分析結果表示設定 (項目名 CHAR(50),表示順 LONG,サイズ SINGLE ,PRIMARY KEY(項目名 ))"));
    db.execute(s("CREATE TABLE お気に入り (名称 CHAR(50), グループ名 CHAR(50), 条件 MEMO, ＷＨＥＲＥ文 MEMO)"));
    db.execute(s("CREATE TABLE D番組データ (レースキー CHAR(16), 年月日 CHAR(8), 距離 LONG)"));
    db.execute(s("CREATE TABLE D競走馬データ (レースキー CHAR(16), 競走成績キー CHAR(20), 馬番 CHAR(2), 枠番 CHAR(1), "
                 "馬名 CHAR(20), 印 CHAR(4))"));
    db.execute(s("CREATE TABLE D払戻情報データ (レースキー CHAR(16)") +
               slotColumns(s("単勝馬番"), s("単勝払戻"), 3, 2) + slotColumns(s("複勝馬番"), s("複勝払戻"), 5, 2) +
               slotColumns(s("枠連組合せ"), s("枠連払戻"), 3, 2) + slotColumns(s("馬連組合せ"), s("馬連払戻"), 3, 4) +
               slotColumns(s("ワイド組合せ"), s("ワイド払戻"), 7, 4) +
               slotColumns(s("馬単組合せ"), s("馬単払戻"), 6, 4) +
               slotColumns(s("３連複組合せ"), s("３連複払戻"), 3, 6) + s(")"));
    db.execute(s("CREATE TABLE D成績データ (競走成績キー CHAR(20), レースキー CHAR(16), 馬番 CHAR(2), 着順 LONG, "
                 "異常区分 CHAR(1), 騎手名 CHAR(10), 確定単勝オッズ DOUBLE, 確定複勝オッズ DOUBLE)"));
}

Payouts payoutsFor(const std::vector<Runner>& runners, int base)
{
    std::vector<Runner> placed;
    for (const Runner& r : runners)
        if (r.finish >= 1 && r.finish <= 3)
            placed.push_back(r);
    std::sort(placed.begin(), placed.end(), [](const Runner& a, const Runner& b) { return a.finish < b.finish; });
    Payouts p;
    if (placed.size() < 3)
        return p;
    auto asc = [](QString a, QString b) { return a < b ? a + b : b + a; };
    p.quinella = {{asc(placed[0].number, placed[1].number), base}};
    p.frame = {{asc(placed[0].frame, placed[1].frame), base / 2}};
    p.exacta = {{placed[0].number + placed[1].number, base * 2}};
    p.wide = {{asc(placed[0].number, placed[1].number), base / 5},
              {asc(placed[0].number, placed[2].number), base / 4},
              {asc(placed[1].number, placed[2].number), base / 3}};
    QStringList t{placed[0].number, placed[1].number, placed[2].number};
    t.sort();
    p.trio = {{t.join(QString()), base * 3}};
    return p;
}

void BetFixture::addRace(const QString& raceKey, const std::vector<Runner>& runners, const Payouts& p, int distance)
{
    store::Database& db = *ctx.appDb;
    db.execute(s("INSERT INTO D番組データ VALUES ('%1','20240105',%2)").arg(raceKey).arg(distance));
    db.execute(s("INSERT INTO D払戻情報データ VALUES ('%1'").arg(raceKey) + slotValues({}, 3) + slotValues({}, 5) +
               slotValues(p.frame, 3) + slotValues(p.quinella, 3) + slotValues(p.wide, 7) + slotValues(p.exacta, 6) +
               slotValues(p.trio, 3) + s(")"));
    for (const Runner& r : runners) {
        const QString run = raceKey + r.number;
        db.execute(s("INSERT INTO D競走馬データ VALUES ('%1','%2','%3','%4','馬%2','%5')")
                       .arg(raceKey, run, r.number, r.frame, r.mark));
        db.execute(s("INSERT INTO D成績データ VALUES ('%1','%2','%3',%4,'%5','騎手',2.0,1.5)")
                       .arg(run, raceKey, r.number, r.finish > 0 ? QString::number(r.finish) : s("Null"), r.abnormal));
    }
}

void BetFixture::addFavourite(const QString& name, const QString& group, const QString& where)
{
    QString w = where;
    w.replace(QLatin1Char('\''), s("''"));
    ctx.appDb->execute(s("INSERT INTO お気に入り (名称, グループ名, ＷＨＥＲＥ文) VALUES ('%1','%2','%3')").arg(name, group, w));
}

void BetFixture::addItem(const QString& name, const QString& key)
{
    conditions::ConditionItem& item = addCatalogueItem(ctx.catalogue, name, key);
    item.group = s("馬");
    item.range = s("0");
}

conditions::ConditionRow extendedRow(const QString& sql)
{
    conditions::ConditionRow r;
    r.itemName = conditions::extendedItemName();
    r.value = sql;
    return r;
}

} // namespace tq::support
