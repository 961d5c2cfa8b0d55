#include "RaceDataGenerator.h"

#include "BulkDb.h"
#include "RaceSim.h"

#include <QDir>
#include <QElapsedTimer>

#include <algorithm>
#include <numeric>

namespace tq::tools {

namespace {

struct Col {
    const char16_t* name;
    const char* type;
};

QString createSql(const QString& table, std::initializer_list<Col> cols)
{
    QString s = QStringLiteral("CREATE TABLE ") + table + QStringLiteral(" (");
    bool first = true;
    for (const Col& c : cols) {
        if (!first)
            s += QStringLiteral(", ");
        first = false;
        const QString type = QString::fromLatin1(c.type);
        const bool text = type.startsWith(QLatin1String("CHAR")) || type.startsWith(QLatin1String("TEXT"));
        s += QLatin1Char('[') + QString::fromUtf16(c.name) + QStringLiteral("] ") + type;
        if (text)
            s += QStringLiteral(" COLLATE JET");
    }
    return s + QLatin1Char(')');
}

QString two(int n) { return QString::number(n).rightJustified(2, QLatin1Char('0')); }
QString ch(char c) { return QString(QLatin1Char(c)); }

QString uniqueIndex(const QString& table, const QString& cols)
{
    return QStringLiteral("CREATE UNIQUE INDEX [") + table + QStringLiteral("_PK] ON ") + table + QStringLiteral(" (") + cols
           + QLatin1Char(')');
}

QString index(const QString& table, const QString& suffix, const QString& cols)
{
    return QStringLiteral("CREATE INDEX [") + table + QLatin1Char('_') + suffix + QStringLiteral("] ON ") + table
           + QStringLiteral(" (") + cols + QLatin1Char(')');
}

// Races in key order (the order rows are stored in), past or today's.
std::vector<int> raceOrder(const World& w, bool today)
{
    std::vector<int> order;
    for (int i = 0; i < int(w.races.size()); ++i)
        if (w.races[std::size_t(i)].today == today)
            order.push_back(i);
    std::vector<QString> keys(w.races.size());
    for (int i : order)
        keys[std::size_t(i)] = w.races[std::size_t(i)].key();
    std::sort(order.begin(), order.end(), [&](int a, int b) { return keys[std::size_t(a)] < keys[std::size_t(b)]; });
    return order;
}

void writeProgramme(BulkDb& db, const QString& table, const World& w, const std::vector<int>& races)
{
    db.exec(createSql(table, {{u"レースキー", "CHAR(8)"}, {u"年月日", "CHAR(8)"}, {u"場コード", "CHAR(2)"},
                              {u"開催回", "INTEGER BYTE"}, {u"開催日目", "INTEGER BYTE"}, {u"レース番号", "INTEGER BYTE"},
                              {u"曜日", "CHAR(1)"}, {u"芝ダ", "CHAR(1)"}, {u"距離", "INTEGER SHORT"}, {u"右左", "CHAR(1)"},
                              {u"馬場状態", "CHAR(1)"}, {u"天候", "CHAR(1)"}, {u"クラスコード", "CHAR(2)"},
                              {u"年齢条件", "CHAR(2)"}, {u"重量条件", "CHAR(1)"}, {u"レース名", "TEXT(50)"},
                              {u"登録頭数", "INTEGER BYTE"}, {u"出走頭数", "INTEGER BYTE"}, {u"発走時刻", "CHAR(4)"}}));
    BulkInsert ins(db, table, 19);
    for (int ri : races) {
        const Race& r = w.races[std::size_t(ri)];
        ins.text(r.key()).text(r.date.toString(QStringLiteral("yyyyMMdd"))).text(two(r.course));
        ins.integer(r.meeting).integer(r.day).integer(r.number);
        ins.text(r.date.dayOfWeek() == 7 ? QStringLiteral("日") : QStringLiteral("土"));
        ins.text(QString::number(r.surface)).integer(r.distance).text(QString::number(r.turn));
        ins.text(QString::number(r.going)).text(QString::number(r.weather)).text(two(r.classCode));
        ins.text(QString::number(r.ageCode)).text(QString::number(r.weightCode)).text(r.name);
        ins.integer(r.entryCount).integer(r.starters).text(r.startTime);
        ins.row();
    }
}

void writeEntries(BulkDb& db, const QString& table, const World& w, const std::vector<int>& races)
{
    db.exec(createSql(table, {{u"競走成績キー", "CHAR(16)"}, {u"レースキー", "CHAR(8)"}, {u"馬番", "CHAR(2)"},
                              {u"枠番", "CHAR(1)"}, {u"血統登録番号", "CHAR(10)"}, {u"馬名", "TEXT(18)"}, {u"性別", "CHAR(1)"},
                              {u"馬齢", "INTEGER BYTE"}, {u"騎手コード", "CHAR(5)"}, {u"騎手名", "TEXT(12)"},
                              {u"調教師コード", "CHAR(5)"}, {u"調教師名", "TEXT(12)"}, {u"負担重量", "REAL SINGLE"},
                              {u"基準オッズ", "REAL SINGLE"}, {u"基準人気", "INTEGER BYTE"}, {u"IDM", "REAL SINGLE"},
                              {u"IDM印", "CHAR(1)"}, {u"IDM最大差", "REAL SINGLE"}, {u"情報印", "CHAR(1)"},
                              {u"情報指数", "REAL SINGLE"}, {u"ゴール順位", "TEXT(2)"}, {u"ゴール差", "REAL SINGLE"},
                              {u"騎手期待単勝率", "REAL SINGLE"}, {u"騎手期待連対率", "REAL SINGLE"},
                              {u"騎手期待3着内率", "REAL SINGLE"}, {u"ローテーション", "INTEGER SHORT"},
                              {u"出走回数", "INTEGER SHORT"}, {u"前走成績キー１", "CHAR(16)"}, {u"前走成績キー２", "CHAR(16)"},
                              {u"前走成績キー３", "CHAR(16)"}, {u"前走成績キー４", "CHAR(16)"}, {u"前走成績キー５", "CHAR(16)"}}));
    BulkInsert ins(db, table, 32);
    auto opt = [&](const OptF& v) -> BulkInsert& { return v.has ? ins.real(v.v) : ins.null(); };
    for (int ri : races) {
        const Race& r = w.races[std::size_t(ri)];
        const QString rk = r.key();
        for (int i = 0; i < r.entryCount; ++i) {
            const int ei = r.firstEntry + i;
            const Entry& e = w.entries[std::size_t(ei)];
            const Horse& h = w.horses[std::size_t(e.horse)];
            const Person& j = w.jockeys[std::size_t(e.jockey)];
            const Person& t = w.trainers[std::size_t(e.trainer)];
            ins.text(w.runnerKey(ei)).text(rk).text(two(e.umaban)).text(QString::number(e.waku)).text(h.regNo).text(h.name);
            ins.text(QString::number(h.sex)).integer(e.age).text(j.code).text(j.name).text(t.code).text(t.name);
            ins.real(e.carried);
            opt(e.baseOdds);
            if (e.baseOdds.has)
                ins.integer(e.basePop);
            else
                ins.null();
            ins.real(e.idm).text(ch(e.idmMark)).real(e.idmGap).text(ch(e.infoMark));
            opt(e.infoIndex);
            ins.text(QString::number(e.goalRank)).real(e.goalGap);
            opt(e.jockeyWin);
            opt(e.jockeyTop2);
            opt(e.jockeyTop3);
            if (e.rotationWeeks >= 0)
                ins.integer(e.rotationWeeks);
            else
                ins.null();
            ins.integer(e.priorRuns);
            for (int p : e.prev) {
                if (p >= 0)
                    ins.text(w.runnerKey(p));
                else
                    ins.null();
            }
            ins.row();
        }
    }
}

void writePreRace(BulkDb& db, const QString& table, const World& w, const std::vector<int>& races)
{
    db.exec(createSql(table, {{u"競走成績キー", "CHAR(16)"}, {u"レースキー", "CHAR(8)"}, {u"馬番", "CHAR(2)"},
                              {u"直前オッズ印", "CHAR(1)"}, {u"直前オッズ指数", "REAL SINGLE"}, {u"直前パドック印", "CHAR(1)"},
                              {u"直前パドック指数", "REAL SINGLE"}}));
    BulkInsert ins(db, table, 7);
    for (int ri : races) {
        const Race& r = w.races[std::size_t(ri)];
        if (!r.preRace)
            continue;
        for (int i = 0; i < r.entryCount; ++i) {
            const int ei = r.firstEntry + i;
            const Entry& e = w.entries[std::size_t(ei)];
            ins.text(w.runnerKey(ei)).text(r.key()).text(two(e.umaban)).text(ch(e.oddsMark)).real(e.oddsIndex);
            ins.text(ch(e.paddockMark)).real(e.paddockIndex).row();
        }
    }
}

void writeResults(BulkDb& db, const World& w, const std::vector<int>& races)
{
    const QString table = QStringLiteral("D成績データ");
    db.exec(createSql(table, {{u"競走成績キー", "CHAR(16)"}, {u"レースキー", "CHAR(8)"}, {u"馬番", "CHAR(2)"},
                              {u"着順", "INTEGER BYTE"}, {u"異常区分", "CHAR(1)"}, {u"騎手コード", "CHAR(5)"},
                              {u"騎手名", "TEXT(12)"}, {u"確定単勝オッズ", "REAL SINGLE"}, {u"確定複勝オッズ", "REAL SINGLE"},
                              {u"単勝人気", "INTEGER BYTE"}, {u"走破タイム", "REAL SINGLE"}, {u"着差", "REAL SINGLE"},
                              {u"上がり3F", "REAL SINGLE"}, {u"コーナー4通過順", "INTEGER BYTE"}, {u"馬体重", "INTEGER SHORT"},
                              {u"馬体重増減", "INTEGER SHORT"}}));
    BulkInsert ins(db, table, 16);
    auto opt = [&](const OptF& v) -> BulkInsert& { return v.has ? ins.real(v.v) : ins.null(); };
    auto optInt = [&](int v, bool has) -> BulkInsert& { return has ? ins.integer(v) : ins.null(); };
    for (int ri : races) {
        const Race& r = w.races[std::size_t(ri)];
        for (int i = 0; i < r.entryCount; ++i) {
            const int ei = r.firstEntry + i;
            const Entry& e = w.entries[std::size_t(ei)];
            const Person& rider = w.jockeys[std::size_t(e.rider)];
            const bool started = e.abnormal == '0' || e.abnormal == '3';
            ins.text(w.runnerKey(ei)).text(r.key()).text(two(e.umaban));
            optInt(e.finish, e.finish > 0).text(ch(e.abnormal)).text(rider.code).text(rider.name);
            opt(e.winOdds);
            opt(e.placeOdds);
            optInt(e.popularity, e.popularity > 0);
            opt(e.time);
            opt(e.margin);
            opt(e.last3f);
            optInt(e.corner4, started && e.corner4 > 0);
            optInt(e.bodyWeight, started);
            optInt(e.bodyDiff, started && e.hasBodyDiff);
            ins.row();
        }
    }
}

template <std::size_t N>
void bindSlots(BulkInsert& ins, const std::array<PaySlot, N>& out, bool sold)
{
    for (const PaySlot& s : out) {
        if (sold && !s.combo.isEmpty())
            ins.text(s.combo).integer(s.pay);
        else
            ins.null().null();
    }
}

void writePayouts(BulkDb& db, const World& w, const std::vector<int>& races)
{
    const QString table = QStringLiteral("D払戻情報データ");
    QString sql = QStringLiteral("CREATE TABLE D払戻情報データ ([レースキー] CHAR(8) COLLATE JET");
    int columns = 1;
    auto add = [&](const QString& combo, const QString& pay, int n, int width) {
        static const char16_t* const digits[] = {u"１", u"２", u"３", u"４", u"５", u"６", u"７"};
        for (int i = 0; i < n; ++i) {
            sql += QStringLiteral(", [") + combo + QString::fromUtf16(digits[i]) + QStringLiteral("] CHAR(")
                   + QString::number(width) + QStringLiteral(") COLLATE JET");
            sql += QStringLiteral(", [") + pay + QString::fromUtf16(digits[i]) + QStringLiteral("] INTEGER LONG");
            columns += 2;
        }
    };
    add(QStringLiteral("単勝馬番"), QStringLiteral("単勝払戻"), 3, 2);
    add(QStringLiteral("複勝馬番"), QStringLiteral("複勝払戻"), 5, 2);
    add(QStringLiteral("枠連組合せ"), QStringLiteral("枠連払戻"), 3, 2);
    add(QStringLiteral("馬連組合せ"), QStringLiteral("馬連払戻"), 3, 4);
    add(QStringLiteral("ワイド組合せ"), QStringLiteral("ワイド払戻"), 7, 4);
    add(QStringLiteral("馬単組合せ"), QStringLiteral("馬単払戻"), 6, 4);
    add(QStringLiteral("３連複組合せ"), QStringLiteral("３連複払戻"), 3, 6);
    db.exec(sql + QLatin1Char(')'));
    BulkInsert ins(db, table, columns);
    for (int ri : races) {
        const Race& r = w.races[std::size_t(ri)];
        const Payouts& p = r.pay;
        ins.text(r.key());
        bindSlots(ins, p.win, true);
        bindSlots(ins, p.place, true);
        bindSlots(ins, p.frame, true);
        bindSlots(ins, p.quinella, true);
        bindSlots(ins, p.wide, true);
        bindSlots(ins, p.exacta, p.exactaSold);
        bindSlots(ins, p.trio, p.trioSold);
        ins.row();
    }
}

QStringList raceIndexes(const QString& prefix, bool results)
{
    const QString prog = prefix + QStringLiteral("番組データ");
    const QString ent = prefix + QStringLiteral("競走馬データ");
    const QString pre = prefix + QStringLiteral("直前情報データ");
    QStringList idx = {uniqueIndex(prog, QStringLiteral("レースキー")),
                       index(prog, QStringLiteral("年月日"), QStringLiteral("年月日")),
                       uniqueIndex(ent, QStringLiteral("競走成績キー")),
                       index(ent, QStringLiteral("レース"), QStringLiteral("レースキー, 馬番")),
                       index(ent, QStringLiteral("血統"), QStringLiteral("血統登録番号")),
                       index(ent, QStringLiteral("騎手"), QStringLiteral("騎手コード")),
                       index(ent, QStringLiteral("調教師"), QStringLiteral("調教師コード")),
                       uniqueIndex(pre, QStringLiteral("競走成績キー")),
                       index(pre, QStringLiteral("レース"), QStringLiteral("レースキー"))};
    if (results) {
        const QString res = QStringLiteral("D成績データ");
        idx << uniqueIndex(res, QStringLiteral("競走成績キー")) << index(res, QStringLiteral("レース"), QStringLiteral("レースキー, 馬番"))
            << index(res, QStringLiteral("騎手"), QStringLiteral("騎手コード"))
            << uniqueIndex(QStringLiteral("D払戻情報データ"), QStringLiteral("レースキー"));
    }
    return idx;
}

void writeCodeTable(BulkDb& db, QStringList& idx, const QString& table, const QString& codeCol, const QString& nameCol,
                    const char* codeType, const char* nameType, const std::vector<std::pair<QString, QString>>& rows)
{
    db.exec(QStringLiteral("CREATE TABLE ") + table + QStringLiteral(" ([") + codeCol + QStringLiteral("] ")
            + QString::fromLatin1(codeType) + QStringLiteral(" COLLATE JET, [") + nameCol + QStringLiteral("] ")
            + QString::fromLatin1(nameType) + QStringLiteral(" COLLATE JET)"));
    BulkInsert ins(db, table, 2);
    for (const auto& [code, name] : rows)
        ins.text(code).text(name).row();
    idx << uniqueIndex(table, codeCol);
}

void writeCode(const QString& path, const World& w)
{
    BulkDb db(path);
    QStringList idx;
    std::vector<std::pair<QString, QString>> courses;
    for (int c = 1; c <= 10; ++c)
        courses.emplace_back(two(c), courseName(c));
    writeCodeTable(db, idx, QStringLiteral("M競馬場"), QStringLiteral("場コード"), QStringLiteral("場名"), "CHAR(2)", "TEXT(4)", courses);
    db.exec(QStringLiteral("ALTER TABLE M競馬場 ADD COLUMN 場略称 TEXT(1) COLLATE JET"));
    db.exec(QStringLiteral("UPDATE M競馬場 SET 場略称 = substr(場名, 1, 1)"));
    for (int kind = 0; kind < 2; ++kind) {
        const bool jockey = kind == 0;
        const QString table = jockey ? QStringLiteral("M騎手") : QStringLiteral("M調教師");
        const QString who = jockey ? QStringLiteral("騎手") : QStringLiteral("調教師");
        QString sql = QStringLiteral("CREATE TABLE %1 (%2コード CHAR(5) COLLATE JET, %2名 TEXT(12) COLLATE JET, ").arg(table, who);
        if (jockey)
            sql += QStringLiteral("騎手名カナ TEXT(20) COLLATE JET, ");
        sql += QStringLiteral("所属 TEXT(2) COLLATE JET, 登録 TEXT(4) COLLATE JET");
        if (jockey)
            sql += QStringLiteral(", 生年月日 CHAR(8) COLLATE JET, 初免許年 INTEGER SHORT");
        db.exec(sql + QLatin1Char(')'));
        const auto& people = jockey ? w.jockeys : w.trainers;
        std::vector<int> order(people.size());
        std::iota(order.begin(), order.end(), 0);
        std::sort(order.begin(), order.end(), [&](int a, int b) { return people[std::size_t(a)].code < people[std::size_t(b)].code; });
        BulkInsert ins(db, table, jockey ? 7 : 4);
        for (int i : order) {
            const Person& p = people[std::size_t(i)];
            ins.text(p.code).text(p.name);
            if (jockey)
                ins.text(p.kana);
            ins.text(p.stable).text(p.retired ? QStringLiteral("抹消") : QStringLiteral("現役"));
            if (jockey)
                ins.text(p.birth).integer(p.licenceYear);
            ins.row();
        }
        idx << uniqueIndex(table, who + QStringLiteral("コード"));
    }
    auto list = [](std::initializer_list<std::pair<const char*, const char16_t*>> items) {
        std::vector<std::pair<QString, QString>> v;
        for (const auto& [c, n] : items)
            v.emplace_back(QString::fromLatin1(c), QString::fromUtf16(n));
        return v;
    };
    writeCodeTable(db, idx, QStringLiteral("Mクラス"), QStringLiteral("クラスコード"), QStringLiteral("クラス名"), "CHAR(2)", "TEXT(10)",
                   list({{"01", u"新馬"}, {"02", u"未勝利"}, {"03", u"１勝クラス"}, {"04", u"２勝クラス"}, {"05", u"３勝クラス"},
                         {"06", u"オープン"}, {"07", u"Ｇ３"}, {"08", u"Ｇ２"}, {"09", u"Ｇ１"}, {"10", u"障害未勝利"},
                         {"11", u"障害オープン"}}));
    writeCodeTable(db, idx, QStringLiteral("M年齢条件"), QStringLiteral("年齢条件"), QStringLiteral("年齢条件名"), "CHAR(2)", "TEXT(10)",
                   list({{"11", u"２歳"}, {"12", u"３歳"}, {"13", u"３歳以上"}, {"14", u"４歳以上"}}));
    writeCodeTable(db, idx, QStringLiteral("M重量条件"), QStringLiteral("重量条件"), QStringLiteral("重量条件名"), "CHAR(1)", "TEXT(4)",
                   list({{"1", u"ハンデ"}, {"2", u"別定"}, {"3", u"馬齢"}, {"4", u"定量"}}));
    writeCodeTable(db, idx, QStringLiteral("M芝ダ"), QStringLiteral("芝ダ"), QStringLiteral("芝ダ名"), "CHAR(1)", "TEXT(4)",
                   list({{"1", u"芝"}, {"2", u"ダート"}, {"3", u"障害"}}));
    writeCodeTable(db, idx, QStringLiteral("M右左"), QStringLiteral("右左"), QStringLiteral("右左名"), "CHAR(1)", "TEXT(2)",
                   list({{"1", u"右"}, {"2", u"左"}, {"3", u"直線"}}));
    writeCodeTable(db, idx, QStringLiteral("M馬場状態"), QStringLiteral("馬場状態"), QStringLiteral("馬場状態名"), "CHAR(1)", "TEXT(2)",
                   list({{"1", u"良"}, {"2", u"稍重"}, {"3", u"重"}, {"4", u"不良"}}));
    writeCodeTable(db, idx, QStringLiteral("M天候"), QStringLiteral("天候"), QStringLiteral("天候名"), "CHAR(1)", "TEXT(2)",
                   list({{"1", u"晴"}, {"2", u"曇"}, {"3", u"小雨"}, {"4", u"雨"}, {"5", u"小雪"}, {"6", u"雪"}}));
    writeCodeTable(db, idx, QStringLiteral("M性別"), QStringLiteral("性別"), QStringLiteral("性別名"), "CHAR(1)", "TEXT(2)",
                   list({{"1", u"牡"}, {"2", u"牝"}, {"3", u"セン"}}));
    writeCodeTable(db, idx, QStringLiteral("M異常区分"), QStringLiteral("異常区分"), QStringLiteral("異常区分名"), "CHAR(1)", "TEXT(4)",
                   list({{"0", u"正常"}, {"1", u"出走取消"}, {"2", u"競走除外"}, {"3", u"競走中止"}}));
    writeCodeTable(db, idx, QStringLiteral("M印"), QStringLiteral("印"), QStringLiteral("印名"), "CHAR(1)", "TEXT(2)",
                   list({{" ", u"無印"}, {"1", u"◎"}, {"2", u"○"}, {"3", u"▲"}, {"4", u"△"}, {"5", u"×"}}));
    db.finish(idx);
}

void writeKeto(const QString& path, const World& w)
{
    BulkDb db(path);
    db.exec(createSql(QStringLiteral("K血統データ"),
                      {{u"血統登録番号", "CHAR(10)"}, {u"馬名", "TEXT(18)"}, {u"性別", "CHAR(1)"}, {u"生年", "INTEGER SHORT"},
                       {u"毛色", "TEXT(4)"}, {u"父繁殖登録番号", "CHAR(10)"}, {u"父馬名", "TEXT(18)"}, {u"父系統", "TEXT(20)"},
                       {u"母馬名", "TEXT(18)"}, {u"母父繁殖登録番号", "CHAR(10)"}, {u"母父馬名", "TEXT(18)"},
                       {u"母父系統", "TEXT(20)"}, {u"産地", "TEXT(10)"}, {u"生産者名", "TEXT(20)"}}));
    std::vector<int> order(w.horses.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](int a, int b) { return w.horses[std::size_t(a)].regNo < w.horses[std::size_t(b)].regNo; });
    {
        BulkInsert ins(db, QStringLiteral("K血統データ"), 14);
        for (int i : order) {
            const Horse& h = w.horses[std::size_t(i)];
            const Sire& s = w.sires[std::size_t(h.sire)];
            const Sire& ds = w.sires[std::size_t(h.damSire)];
            ins.text(h.regNo).text(h.name).text(QString::number(h.sex)).integer(h.birthYear).text(h.colour);
            ins.text(s.regNo).text(s.name).text(s.line).text(h.damName).text(ds.regNo).text(ds.name).text(ds.line);
            ins.text(h.birthplace).text(h.breeder).row();
        }
    }
    db.exec(createSql(QStringLiteral("K種牡馬データ"),
                      {{u"繁殖登録番号", "CHAR(10)"}, {u"種牡馬名", "TEXT(18)"}, {u"系統", "TEXT(20)"}, {u"登録", "TEXT(4)"}}));
    {
        BulkInsert ins(db, QStringLiteral("K種牡馬データ"), 4);
        for (const Sire& s : w.sires)
            ins.text(s.regNo).text(s.name).text(s.line).text(s.active ? QStringLiteral("供用") : QStringLiteral("抹消")).row();
    }
    db.finish({uniqueIndex(QStringLiteral("K血統データ"), QStringLiteral("血統登録番号")),
               index(QStringLiteral("K血統データ"), QStringLiteral("父"), QStringLiteral("父繁殖登録番号")),
               index(QStringLiteral("K血統データ"), QStringLiteral("母父"), QStringLiteral("母父繁殖登録番号")),
               uniqueIndex(QStringLiteral("K種牡馬データ"), QStringLiteral("繁殖登録番号"))});
}

void writeDeviation(const QString& path, const World& w, const std::vector<int>& past, const std::vector<int>& today)
{
    BulkDb db(path);
    const QString table = QStringLiteral("H偏差値データ");
    db.exec(createSql(table, {{u"競走成績キー", "CHAR(16)"}, {u"レースキー", "CHAR(8)"}, {u"馬番", "CHAR(2)"},
                              {u"総合偏差値", "REAL SINGLE"}, {u"スピード偏差値", "REAL SINGLE"}, {u"上がり偏差値", "REAL SINGLE"}}));
    {
        BulkInsert ins(db, table, 6);
        for (const auto* list : {&past, &today})
            for (int ri : *list) {
                const Race& r = w.races[std::size_t(ri)];
                for (int i = 0; i < r.entryCount; ++i) {
                    const int ei = r.firstEntry + i;
                    const Entry& e = w.entries[std::size_t(ei)];
                    ins.text(w.runnerKey(ei)).text(r.key()).text(two(e.umaban)).real(e.devTotal).real(e.devSpeed).real(e.devLast).row();
                }
            }
    }
    db.finish({uniqueIndex(table, QStringLiteral("競走成績キー")), index(table, QStringLiteral("レース"), QStringLiteral("レースキー"))});
}

} // namespace

bool generateRaceData(const GenOptions& options, GenReport* report, QString* error)
{
    QElapsedTimer timer;
    timer.start();
    GenReport rep;
    try {
        if (options.outDir.isEmpty() || !QDir().mkpath(options.outDir))
            throw BulkError(QString(QStringLiteral("cannot create the directory ") + options.outDir).toStdString());
        const QDir dir(options.outDir);
        SimOptions so;
        so.years = std::clamp(options.years, 1, 50);
        so.months = std::max(0, options.months);
        so.seed = options.seed;
        const World w = simulate(so);
        const std::vector<int> past = raceOrder(w, false);
        const std::vector<int> today = raceOrder(w, true);

        {
            const QString path = dir.filePath(QStringLiteral("korven_data.mdb"));
            BulkDb db(path);
            writeProgramme(db, QStringLiteral("D番組データ"), w, past);
            writeEntries(db, QStringLiteral("D競走馬データ"), w, past);
            writePreRace(db, QStringLiteral("D直前情報データ"), w, past);
            writeResults(db, w, past);
            writePayouts(db, w, past);
            db.finish(raceIndexes(QStringLiteral("D"), true));
            rep.files << path;
        }
        {
            const QString path = dir.filePath(QStringLiteral("korven_this.mdb"));
            BulkDb db(path);
            writeProgramme(db, QStringLiteral("T番組データ"), w, today);
            writeEntries(db, QStringLiteral("T競走馬データ"), w, today);
            writePreRace(db, QStringLiteral("T直前情報データ"), w, today);
            db.finish(raceIndexes(QStringLiteral("T"), false));
            rep.files << path;
        }
        rep.files << dir.filePath(QStringLiteral("korven_code.mdb"));
        writeCode(rep.files.back(), w);
        rep.files << dir.filePath(QStringLiteral("korven_keto.mdb"));
        writeKeto(rep.files.back(), w);
        rep.files << dir.filePath(QStringLiteral("VUDevuzI.mdb"));
        writeDeviation(rep.files.back(), w, past, today);

        rep.pastRaces = int(past.size());
        rep.todayRaces = int(today.size());
        for (int ri : past)
            rep.pastRunners += w.races[std::size_t(ri)].entryCount;
        for (int ri : today)
            rep.todayRunners += w.races[std::size_t(ri)].entryCount;
        rep.horses = int(w.horses.size());
        rep.jockeys = int(w.jockeys.size());
        rep.trainers = int(w.trainers.size());
        rep.sires = int(w.sires.size());
    } catch (const std::exception& e) {
        if (error)
            *error = QString::fromUtf8(e.what());
        return false;
    }
    rep.seconds = double(timer.nsecsElapsed()) / 1e9;
    if (report)
        *report = rep;
    return true;
}

} // namespace tq::tools
