#include "support/RaceTables.h"

#include "store/Database.h"

namespace tq::support {

namespace {

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

} // namespace

void createRaceTables(store::Database& db)
{
    db.execute(s("CREATE TABLE 分析結果表示設定 (項目名 CHAR(50),表示順 LONG,サイズ SINGLE ,PRIMARY KEY(項目名 ))"));
    db.execute(s("CREATE TABLE D番組データ (レースキー CHAR(16), 年月日 CHAR(8), 距離 LONG)"));
    db.execute(
        s("CREATE TABLE D競走馬データ (レースキー CHAR(16), 競走成績キー CHAR(20), 馬番 CHAR(2), 馬名 CHAR(20))"));
    db.execute(s("CREATE TABLE D払戻情報データ (レースキー CHAR(16), 単勝馬番１ CHAR(2), 単勝払戻１ LONG, "
                 "単勝馬番２ CHAR(2), 単勝払戻２ LONG, 単勝馬番３ CHAR(2), 単勝払戻３ LONG, "
                 "複勝馬番１ CHAR(2), 複勝払戻１ LONG, 複勝馬番２ CHAR(2), 複勝払戻２ LONG, "
                 "複勝馬番３ CHAR(2), 複勝払戻３ LONG, 複勝馬番４ CHAR(2), 複勝払戻４ LONG, "
                 "複勝馬番５ CHAR(2), 複勝払戻５ LONG)"));
    db.execute(s("CREATE TABLE D成績データ (競走成績キー CHAR(20), 着順 LONG, 異常区分 CHAR(1), 騎手名 CHAR(10), "
                 "確定単勝オッズ DOUBLE, 確定複勝オッズ DOUBLE)"));
}

void addRace(store::Database& db, const QString& raceKey, int distance, int horses)
{
    db.execute(s("INSERT INTO D番組データ VALUES ('%1','20240105',%2)").arg(raceKey).arg(distance));
    db.execute(s("INSERT INTO D払戻情報データ VALUES ('%1','1',350,'',0,'',0,'1',150,'2',200,'3',180,'',0,'',0)")
                   .arg(raceKey));
    for (int h = 1; h <= horses; ++h) {
        const QString run = raceKey + QString::number(h);
        db.execute(s("INSERT INTO D競走馬データ VALUES ('%1','%2','%3','馬%2')").arg(raceKey, run).arg(h));
        db.execute(s("INSERT INTO D成績データ VALUES ('%1',%2,'0','騎手',%3,1.5)").arg(run).arg(h).arg(h * 2.0));
    }
}

void addDistanceItem(conditions::ConditionCatalogue& catalogue)
{
    conditions::ConditionItem item;
    item.number = 0;
    item.group = s("レース条件");
    item.name = s("距離");
    item.key = s("D番組データ.距離");
    item.type = 2;
    item.range = s("0");
    catalogue.items.push_back(item);
    catalogue.nameMap.insert(item.name, 0);
    catalogue.order.push_back(0);
}

conditions::ConditionRow distanceRow(const QString& value, const QString& display)
{
    conditions::ConditionRow r;
    r.group = s("レース条件");
    r.itemName = s("距離");
    r.targetCaption = conditions::targetCaption(0);
    r.display = display;
    r.value = value;
    return r;
}

} // namespace tq::support
