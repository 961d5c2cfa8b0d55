// Properties of the generated race data, measured by SQL on the generator's
// own output, and the payout rules on small hand-made races.

#include "tools/BulkDb.h"
#include "tools/RaceDataGenerator.h"
#include "tools/RacePools.h"

#include <QCryptographicHash>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <vector>

namespace {

using tq::tools::GenOptions;
using tq::tools::GenReport;

struct Db {
    sqlite3* h = nullptr;
    explicit Db(const QString& path)
    {
        EXPECT_EQ(sqlite3_open_v2(path.toUtf8().constData(), &h, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK) << qPrintable(path);
        tq::tools::prepareConnection(h);
    }
    ~Db() { sqlite3_close(h); }

    // Rows of a query as texts (NULL as "<null>").
    std::vector<std::vector<QString>> rows(const char* sql) const
    {
        sqlite3_stmt* st = nullptr;
        std::vector<std::vector<QString>> out;
        if (sqlite3_prepare_v2(h, sql, -1, &st, nullptr) != SQLITE_OK) {
            ADD_FAILURE() << sqlite3_errmsg(h) << " in " << sql;
            return out;
        }
        while (sqlite3_step(st) == SQLITE_ROW) {
            std::vector<QString> r;
            for (int i = 0; i < sqlite3_column_count(st); ++i)
                r.push_back(sqlite3_column_type(st, i) == SQLITE_NULL
                                ? QStringLiteral("<null>")
                                : QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, i))));
            out.push_back(r);
        }
        sqlite3_finalize(st);
        return out;
    }
    double number(const char* sql) const
    {
        const auto r = rows(sql);
        return r.empty() || r[0].empty() ? -1 : r[0][0].toDouble();
    }
};

class GeneratedData : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_dir = std::make_unique<QTemporaryDir>();
        GenOptions o;
        o.outDir = s_dir->path();
        o.months = 4;
        o.seed = 7;
        QString error;
        ASSERT_TRUE(tq::tools::generateRaceData(o, &s_report, &error)) << qPrintable(error);
    }
    static void TearDownTestSuite() { s_dir.reset(); }

    static QString file(const char* name) { return QDir(s_dir->path()).filePath(QString::fromUtf8(name)); }

    static std::unique_ptr<QTemporaryDir> s_dir;
    static GenReport s_report;
};

std::unique_ptr<QTemporaryDir> GeneratedData::s_dir;
GenReport GeneratedData::s_report;

TEST_F(GeneratedData, WritesAllFiveDatabasesWithoutLeftovers)
{
    const QStringList names = QDir(s_dir->path()).entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(names, (QStringList{QStringLiteral("VUDevuzI.mdb"), QStringLiteral("korven_code.mdb"), QStringLiteral("korven_data.mdb"),
                                  QStringLiteral("korven_keto.mdb"), QStringLiteral("korven_this.mdb")}));
    EXPECT_GT(s_report.pastRunners, 10000);
    EXPECT_GT(s_report.todayRunners, 150);
}

TEST_F(GeneratedData, KeysHaveTheirFormats)
{
    Db d(file("korven_data.mdb"));
    Db t(file("korven_this.mdb"));
    for (const Db* db : {&d, &t}) {
        const bool past = db == &d;
        const char* bad = past ? "select count(*) from D競走馬データ where length(レースキー) <> 8 or length(競走成績キー) <> 16"
                                 " or substr(競走成績キー, 1, 10) <> レースキー || 馬番 or 馬番 not glob '[01][0-9]'"
                                 " or 枠番 not glob '[1-8]' or レースキー not glob '[01][0-9][0-9][0-9][1-9][1-8][01][0-9]'"
                               : "select count(*) from T競走馬データ where length(レースキー) <> 8 or length(競走成績キー) <> 16"
                                 " or substr(競走成績キー, 1, 10) <> レースキー || 馬番 or 馬番 not glob '[01][0-9]'";
        EXPECT_EQ(db->number(bad), 0) << (past ? "past" : "today");
    }
    // The race key's positions: course, year, race number.
    EXPECT_EQ(d.number("select count(*) from D番組データ where substr(レースキー, 1, 2) <> 場コード"
                       " or substr(レースキー, 3, 2) <> substr(年月日, 3, 2) or cast(substr(レースキー, 7, 2) as integer) <> レース番号"),
              0);
    // Horse numbers run 01..n within each race.
    EXPECT_EQ(d.number("select count(*) from (select レースキー, max(cast(馬番 as integer)) m, count(*) c from D競走馬データ"
                       " group by レースキー) x join D番組データ b using (レースキー) where m <> c or c <> b.登録頭数 or c < 5 or c > 18"),
              0);
}

TEST_F(GeneratedData, ColumnsHoldHonestTypes)
{
    Db d(file("korven_data.mdb"));
    struct Case {
        const char* sql;
        const char* type;
    };
    const Case cases[] = {
        {"select distinct typeof(着順) from D成績データ where 着順 is not null", "integer"},
        {"select distinct typeof(馬番) from D成績データ", "text"},
        {"select distinct typeof(異常区分) from D成績データ", "text"},
        {"select distinct typeof(確定単勝オッズ) from D成績データ where 確定単勝オッズ is not null", "real"},
        {"select distinct typeof(単勝払戻１) from D払戻情報データ", "integer"},
        {"select distinct typeof(年月日) from D番組データ", "text"},
        {"select distinct typeof(距離) from D番組データ", "integer"},
        {"select distinct typeof(基準オッズ) from D競走馬データ where 基準オッズ is not null", "real"},
    };
    for (const Case& c : cases) {
        const auto r = d.rows(c.sql);
        ASSERT_EQ(r.size(), 1u) << c.sql;
        EXPECT_EQ(r[0][0], QString::fromLatin1(c.type)) << c.sql;
    }
}

TEST_F(GeneratedData, FavouritesWinAboutAThird)
{
    Db d(file("korven_data.mdb"));
    const double rate = d.number("select avg(着順 = 1) from D成績データ where 単勝人気 = 1");
    EXPECT_GT(rate, 0.25);
    EXPECT_LT(rate, 0.45);
}

TEST_F(GeneratedData, WinnersArePaidTheirOddsTimesHundred)
{
    Db d(file("korven_data.mdb"));
    EXPECT_EQ(d.number("select count(*) from D払戻情報データ p join D成績データ r on r.レースキー = p.レースキー and r.着順 = 1"
                       " where p.単勝馬番２ is null and r.確定単勝オッズ > 0"
                       " and (p.単勝馬番１ <> r.馬番 or p.単勝払戻１ <> cast(round(r.確定単勝オッズ * 100) as integer))"),
              0);
    EXPECT_GT(d.number("select count(*) from D払戻情報データ where 単勝馬番２ is null"), 1000);
}

// Buying every ticket of a bet type in every race returns the pool after the
// takeout: about 70-80 % (the combination bets vary more on a few months).
TEST_F(GeneratedData, EachBetTypeReturnsAboutItsTakeout)
{
    Db d(file("korven_data.mdb"));
    const auto races = d.rows("select b.出走頭数, p.* from D番組データ b join D払戻情報データ p using (レースキー)");
    std::vector<QString> cols;
    {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(d.h, "select b.出走頭数, p.* from D番組データ b join D払戻情報データ p using (レースキー)", -1, &st, nullptr);
        for (int i = 0; i < sqlite3_column_count(st); ++i)
            cols.push_back(QString::fromUtf8(sqlite3_column_name(st, i)));
        sqlite3_finalize(st);
    }
    auto col = [&](const QString& name) { return int(std::find(cols.begin(), cols.end(), name) - cols.begin()); };
    static const char16_t* const digits[] = {u"１", u"２", u"３", u"４", u"５", u"６", u"７"};
    struct Bet {
        const char16_t* combo;
        const char16_t* pay;
        int count;
        double lo, hi;
    };
    const Bet bets[] = {{u"単勝馬番", u"単勝払戻", 3, 0.70, 0.82}, {u"複勝馬番", u"複勝払戻", 5, 0.66, 0.82},
                        {u"馬連組合せ", u"馬連払戻", 3, 0.60, 0.95}, {u"ワイド組合せ", u"ワイド払戻", 7, 0.60, 0.95},
                        {u"馬単組合せ", u"馬単払戻", 6, 0.60, 0.95}, {u"３連複組合せ", u"３連複払戻", 3, 0.50, 1.00}};
    for (const Bet& b : bets) {
        const QString combo = QString::fromUtf16(b.combo), pay = QString::fromUtf16(b.pay);
        double paid = 0, tickets = 0;
        for (const auto& r : races) {
            const double n = r[0].toDouble();
            const QString first = r[std::size_t(col(combo + QString::fromUtf16(digits[0])))];
            if (first == QLatin1String("<null>") && combo.startsWith(QStringLiteral("複勝")))
                continue; // place not sold with four or fewer starters
            if (first == QLatin1String("<null>") || first == QLatin1String("0000"))
                continue; // not sold in this race
            for (int i = 0; i < b.count; ++i) {
                const QString v = r[std::size_t(col(pay + QString::fromUtf16(digits[i])))];
                if (v != QLatin1String("<null>"))
                    paid += v.toDouble();
            }
            if (combo.startsWith(QStringLiteral("単勝")) || combo.startsWith(QStringLiteral("複勝")))
                tickets += n;
            else if (combo.startsWith(QStringLiteral("馬単")))
                tickets += n * (n - 1);
            else if (combo.startsWith(QStringLiteral("３連複")))
                tickets += n * (n - 1) * (n - 2) / 6;
            else
                tickets += n * (n - 1) / 2;
        }
        ASSERT_GT(tickets, 0) << qPrintable(combo);
        const double ret = paid / (tickets * 100);
        EXPECT_GT(ret, b.lo) << qPrintable(combo);
        EXPECT_LT(ret, b.hi) << qPrintable(combo);
    }
}

// Every paid combination is the one the finishing order produced.
TEST_F(GeneratedData, PayoutSlotsFollowTheFinishingOrder)
{
    Db d(file("korven_data.mdb"));
    std::map<QString, std::vector<std::pair<int, QString>>> order; // race -> (着順, 馬番)
    std::map<QString, QString> frameOf;
    for (const auto& r : d.rows("select r.レースキー, r.着順, r.馬番, e.枠番 from D成績データ r join D競走馬データ e using (競走成績キー)"
                                " where r.着順 is not null")) {
        order[r[0]].emplace_back(r[1].toInt(), r[2]);
        frameOf[r[0] + r[2]] = r[3];
    }
    int checked = 0;
    for (const auto& p : d.rows("select レースキー, 単勝馬番２, 馬連組合せ１, 馬単組合せ１, [３連複組合せ１], 枠連組合せ１, 複勝馬番１, 複勝馬番２,"
                                " 複勝馬番３, 複勝馬番４ from D払戻情報データ")) {
        auto o = order[p[0]];
        std::sort(o.begin(), o.end());
        if (p[1] != QLatin1String("<null>") || o.size() < 3 || o[1].first == o[2].first
            || (o.size() > 3 && o[2].first == o[3].first))
            continue; // dead heats are covered by the pool tests below
        QString top3[3] = {o[0].second, o[1].second, o[2].second};
        const QString first = top3[0], second = top3[1];
        std::sort(top3, top3 + 3);
        const QString q = std::min(first, second) + std::max(first, second);
        if (p[2] != QLatin1String("0000")) {
            EXPECT_EQ(p[2], q) << qPrintable(p[0]);
        }
        if (p[3] != QLatin1String("<null>")) {
            EXPECT_EQ(p[3], first + second) << qPrintable(p[0]);
        }
        if (p[4] != QLatin1String("<null>")) {
            EXPECT_EQ(p[4], top3[0] + top3[1] + top3[2]) << qPrintable(p[0]);
        }
        const QString f1 = frameOf[p[0] + first], f2 = frameOf[p[0] + second];
        EXPECT_EQ(p[5], std::min(f1, f2) + std::max(f1, f2)) << qPrintable(p[0]);
        if (p[6] != QLatin1String("<null>")) { // no place betting with four or fewer starters
            EXPECT_EQ(p[6], first) << qPrintable(p[0]);
            EXPECT_EQ(p[9], QStringLiteral("<null>")) << qPrintable(p[0]);
        }
        ++checked;
    }
    EXPECT_GT(checked, 1000);
}

TEST_F(GeneratedData, DeadHeatsAndScratchesAreRare)
{
    Db d(file("korven_data.mdb"));
    const double runners = d.number("select count(*) from D成績データ");
    const double scratched = d.number("select count(*) from D成績データ where 異常区分 in ('1', '2')");
    EXPECT_GT(scratched / runners, 0.002);
    EXPECT_LT(scratched / runners, 0.010);
    // Scratched runners have no place, no odds and no time.
    EXPECT_EQ(d.number("select count(*) from D成績データ where 異常区分 in ('1', '2') and (着順 is not null or 確定単勝オッズ <> 0"
                       " or 走破タイム is not null)"),
              0);
    const double races = d.number("select count(*) from D番組データ");
    const double tied = d.number("select count(*) from (select レースキー from D成績データ where 着順 <= 3 group by レースキー, 着順"
                                 " having count(*) > 1)");
    EXPECT_LT(tied / races, 0.01);
}

TEST_F(GeneratedData, PreviousRunsAreReachable)
{
    Db d(file("korven_data.mdb"));
    const char* const checks[] = {
        // Every previous-run key resolves to an earlier run of the same horse.
        "select count(*) from D競走馬データ e join D競走馬データ z on z.競走成績キー = e.前走成績キー１"
        " join D番組データ b on b.レースキー = e.レースキー join D番組データ zb on zb.レースキー = substr(e.前走成績キー１, 1, 8)"
        " where z.血統登録番号 <> e.血統登録番号 or zb.年月日 >= b.年月日",
        "select count(*) from D競走馬データ e left join D成績データ z on z.競走成績キー = e.前走成績キー５"
        " where e.前走成績キー５ is not null and z.競走成績キー is null",
        // The n-th previous run is the previous run of the (n-1)-th.
        "select count(*) from D競走馬データ e join D競走馬データ z on z.競走成績キー = e.前走成績キー１"
        " where coalesce(z.前走成績キー１, '') <> coalesce(e.前走成績キー２, '') and z.前走成績キー１ is not null",
        // The rotation is the distance to the previous run in weeks.
        "select count(*) from D競走馬データ e join D番組データ b on b.レースキー = e.レースキー"
        " join D番組データ zb on zb.レースキー = substr(e.前走成績キー１, 1, 8)"
        " where e.ローテーション <> cast((julianday(substr(b.年月日,1,4)||'-'||substr(b.年月日,5,2)||'-'||substr(b.年月日,7,2))"
        " - julianday(substr(zb.年月日,1,4)||'-'||substr(zb.年月日,5,2)||'-'||substr(zb.年月日,7,2))) / 7 as integer)",
    };
    for (const char* sql : checks)
        EXPECT_EQ(d.number(sql), 0) << sql;
    // Runs before the first day of the data are not in it: on four months
    // many horses have no previous run yet, a few already have five.
    EXPECT_GT(d.number("select count(*) from D競走馬データ where 前走成績キー５ is not null"), 0);
    EXPECT_GT(d.number("select avg(前走成績キー１ is not null) from D競走馬データ"), 0.35);

    // Today's runners reach their past runs in the past data.
    Db t(file("korven_this.mdb"));
    const QString attach = QStringLiteral("attach '%1' as past").arg(file("korven_data.mdb"));
    sqlite3_exec(t.h, attach.toUtf8().constData(), nullptr, nullptr, nullptr);
    EXPECT_EQ(t.number("select count(*) from T競走馬データ e left join past.D成績データ z on z.競走成績キー = e.前走成績キー１"
                       " where e.前走成績キー１ is not null and z.競走成績キー is null"),
              0);
    EXPECT_GT(t.number("select avg(前走成績キー１ is not null) from T競走馬データ"), 0.5);
}

TEST_F(GeneratedData, BetTypesFollowTheEra)
{
    Db d(file("korven_data.mdb"));
    // Per month: races without ワイド, without 馬単 / ３連複, without 馬連.
    const auto months = d.rows("select substr(年月日, 1, 6), count(*), sum(ワイド組合せ１ = '0000'), sum(馬単組合せ１ is null),"
                               " sum([３連複組合せ１] is null), sum(馬連組合せ１ = '0000'), sum(馬連組合せ１ = '0000' and 枠連組合せ１ is null)"
                               " from D番組データ join D払戻情報データ using (レースキー) group by 1 order by 1");
    ASSERT_GE(months.size(), 4u);
    const auto& first = months.front();
    EXPECT_GT(first[2].toInt(), 0);
    EXPECT_EQ(first[3], first[4]);
    EXPECT_GT(first[5].toInt(), 0);
    EXPECT_EQ(first[6].toInt(), 0) << "a race without 馬連 is paid from 枠連";
    const auto& last = months.back();
    EXPECT_EQ(last[2].toInt() + last[3].toInt() + last[5].toInt(), 0);
    // An unsold ワイド or 馬連 keeps only its first slot ("0000", 0).
    EXPECT_EQ(d.number("select count(*) from D払戻情報データ where ワイド組合せ１ = '0000' and (ワイド払戻１ <> 0 or ワイド組合せ２ is not null)"), 0);
}

TEST_F(GeneratedData, PreliminaryDaysLackTheFinalOdds)
{
    Db d(file("korven_data.mdb"));
    const auto days = d.rows("select b.年月日, sum(r.確定単勝オッズ is null), sum(r.確定単勝オッズ = 0 and r.異常区分 in ('0', '3')),"
                             " sum(r.異常区分 in ('0', '3'))"
                             " from D成績データ r join D番組データ b using (レースキー) group by 1 order by 1");
    int nullDays = 0, zeroDays = 0;
    for (const auto& day : days) {
        nullDays += day[1] == day[3];
        zeroDays += day[2].toInt() > 0;
    }
    EXPECT_EQ(days.back()[1], days.back()[3]) << "the last day is preliminary";
    EXPECT_EQ(nullDays, 1);
    EXPECT_EQ(zeroDays, 1);
}

TEST_F(GeneratedData, TodayHasRacesAndPreRaceDataButNoResults)
{
    Db t(file("korven_this.mdb"));
    const auto courses = t.rows("select substr(レースキー, 1, 2), count(*), min(年月日), max(年月日) from T番組データ group by 1");
    EXPECT_GE(courses.size(), 2u);
    EXPECT_LE(courses.size(), 3u);
    for (const auto& c : courses) {
        EXPECT_EQ(c[1], QStringLiteral("12"));
        EXPECT_EQ(c[2], QStringLiteral("20260103"));
        EXPECT_EQ(c[3], QStringLiteral("20260103"));
    }
    EXPECT_EQ(t.number("select count(*) from sqlite_master where name like '%成績%' or name like '%払戻%'"), 0);
    const double withPreRace = t.number("select count(distinct レースキー) from T直前情報データ");
    EXPECT_GT(withPreRace, 0);
    EXPECT_LT(withPreRace, t.number("select count(*) from T番組データ"));
    // Every one of the fourteen pre-race items has values.
    EXPECT_EQ(t.number("select count(*) from T競走馬データ where 基準オッズ is null and IDM is null"), 0);
}

TEST_F(GeneratedData, CodeTablesCoverTheCodesUsed)
{
    Db d(file("korven_data.mdb"));
    const QString attach = QStringLiteral("attach '%1' as code").arg(file("korven_code.mdb"));
    ASSERT_EQ(sqlite3_exec(d.h, attach.toUtf8().constData(), nullptr, nullptr, nullptr), SQLITE_OK);
    const char* const checks[] = {
        "select count(*) from D番組データ b left join code.M競馬場 m on m.場コード = b.場コード where m.場名 is null",
        "select count(*) from D番組データ b left join code.Mクラス m on m.クラスコード = b.クラスコード where m.クラス名 is null",
        "select count(*) from D番組データ b left join code.M馬場状態 m on m.馬場状態 = b.馬場状態 where m.馬場状態名 is null",
        "select count(*) from D成績データ r left join code.M騎手 m on m.騎手コード = r.騎手コード where m.騎手名 is null",
        "select count(*) from D競走馬データ e left join code.M調教師 m on m.調教師コード = e.調教師コード where m.調教師名 is null",
        "select count(*) from D成績データ r left join code.M異常区分 m on m.異常区分 = r.異常区分 where m.異常区分名 is null",
    };
    for (const char* sql : checks)
        EXPECT_EQ(d.number(sql), 0) << sql;
    EXPECT_GT(d.number("select count(*) from code.M騎手 where 登録 = '抹消'"), 0);
}

QByteArray digest(const QString& path)
{
    Db db(path);
    QCryptographicHash h(QCryptographicHash::Sha256);
    for (const auto& t : db.rows("select name from sqlite_master where type = 'table' and name not like 'sqlite_%' order by name")) {
        const QByteArray sql = (QStringLiteral("select * from [") + t[0] + QStringLiteral("] order by rowid")).toUtf8();
        h.addData(t[0].toUtf8());
        for (const auto& r : db.rows(sql.constData()))
            for (const QString& v : r)
                h.addData((v + QLatin1Char('\x1f')).toUtf8());
    }
    return h.result();
}

TEST(Generator, SameSeedGivesTheSameData)
{
    QTemporaryDir a, b, c;
    GenOptions o;
    o.months = 1;
    o.seed = 42;
    QString error;
    o.outDir = a.path();
    ASSERT_TRUE(tq::tools::generateRaceData(o, nullptr, &error)) << qPrintable(error);
    o.outDir = b.path();
    ASSERT_TRUE(tq::tools::generateRaceData(o, nullptr, &error)) << qPrintable(error);
    o.outDir = c.path();
    o.seed = 43;
    ASSERT_TRUE(tq::tools::generateRaceData(o, nullptr, &error)) << qPrintable(error);
    for (const char* name : {"korven_data.mdb", "korven_this.mdb", "korven_code.mdb", "korven_keto.mdb", "VUDevuzI.mdb"}) {
        const QString n = QString::fromLatin1(name);
        EXPECT_EQ(digest(QDir(a.path()).filePath(n)), digest(QDir(b.path()).filePath(n))) << name;
    }
    EXPECT_NE(digest(QDir(a.path()).filePath(QStringLiteral("korven_data.mdb"))),
              digest(QDir(c.path()).filePath(QStringLiteral("korven_data.mdb"))));
}

TEST(Generator, FailsCleanlyWhenTheDirectoryCannotBeMade)
{
    QTemporaryDir dir;
    const QString blocker = QDir(dir.path()).filePath(QStringLiteral("file"));
    QFile f(blocker);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    GenOptions o;
    o.outDir = QDir(blocker).filePath(QStringLiteral("sub"));
    o.months = 1;
    QString error;
    EXPECT_FALSE(tq::tools::generateRaceData(o, nullptr, &error));
    EXPECT_FALSE(error.isEmpty());
}

// Pools on hand-made races: the public's probabilities are given directly.
std::vector<tq::tools::Starter> field(std::vector<int> ranks, std::vector<double> q)
{
    std::vector<tq::tools::Starter> s;
    for (std::size_t i = 0; i < ranks.size(); ++i) {
        const double odds = tq::tools::floorTenth(tq::tools::kWinNet / q[i]);
        s.push_back({int(i) + 1, int(i) + 1, q[i], q[i], ranks[i], odds});
    }
    return s;
}

TEST(Pools, DeadHeatForFirstPaysEachWinnerAndBothExactaOrders)
{
    // Horses 1 and 2 dead-heat for first, 3 is third; eight starters.
    const auto s = field({1, 1, 3, 4, 5, 6, 7, 8}, {0.3, 0.2, 0.15, 0.1, 0.1, 0.05, 0.05, 0.05});
    const tq::tools::Payouts p = tq::tools::computePayouts(s, {});
    EXPECT_EQ(p.win[0].combo, QStringLiteral("01"));
    EXPECT_EQ(p.win[1].combo, QStringLiteral("02"));
    EXPECT_TRUE(p.win[2].combo.isEmpty());
    // The profit is split: each pays less than its own odds would.
    EXPECT_LT(p.win[0].pay, int(s[0].winOdds * 100));
    EXPECT_LT(p.win[1].pay, int(s[1].winOdds * 100));
    EXPECT_GE(p.win[0].pay, 100);
    EXPECT_EQ(p.quinella[0].combo, QStringLiteral("0102"));
    EXPECT_TRUE(p.quinella[1].combo.isEmpty());
    EXPECT_EQ(p.exacta[0].combo, QStringLiteral("0102"));
    EXPECT_EQ(p.exacta[1].combo, QStringLiteral("0201"));
    EXPECT_EQ(p.trio[0].combo, QStringLiteral("010203"));
    EXPECT_EQ(p.place[2].combo, QStringLiteral("03"));
}

TEST(Pools, DeadHeatForThirdPaysFourPlacesAndTwoTrios)
{
    const auto s = field({1, 2, 3, 3, 5, 6, 7, 8, 9}, {0.25, 0.2, 0.15, 0.1, 0.1, 0.08, 0.06, 0.04, 0.02});
    const tq::tools::Payouts p = tq::tools::computePayouts(s, {});
    EXPECT_EQ(p.place[3].combo, QStringLiteral("04"));
    EXPECT_TRUE(p.place[4].combo.isEmpty());
    EXPECT_EQ(p.trio[0].combo, QStringLiteral("010203"));
    EXPECT_EQ(p.trio[1].combo, QStringLiteral("010204"));
    // ワイド: 01-02, 01-03, 01-04, 02-03, 02-04.
    int wide = 0;
    for (const auto& w : p.wide)
        wide += !w.combo.isEmpty();
    EXPECT_EQ(wide, 5);
    EXPECT_EQ(p.quinella[0].combo, QStringLiteral("0102"));
    EXPECT_EQ(p.win[0].pay, int(std::lround(s[0].winOdds * 100)));
}

TEST(Pools, UnsoldBetsAndSmallFields)
{
    tq::tools::BetsSold sold;
    sold.quinella = sold.wide = sold.exacta = sold.trio = false;
    const auto s = field({2, 1, 3, 4, 5, 6}, {0.3, 0.25, 0.2, 0.1, 0.1, 0.05});
    const tq::tools::Payouts p = tq::tools::computePayouts(s, sold);
    EXPECT_EQ(p.quinella[0].combo, QStringLiteral("0000"));
    EXPECT_EQ(p.quinella[0].pay, 0);
    EXPECT_EQ(p.wide[0].combo, QStringLiteral("0000"));
    EXPECT_FALSE(p.exactaSold);
    EXPECT_FALSE(p.trioSold);
    EXPECT_EQ(p.frame[0].combo, QStringLiteral("12")) << "枠連 still pays";
    // Six starters: two places paid.
    EXPECT_EQ(p.place[0].combo, QStringLiteral("02"));
    EXPECT_EQ(p.place[1].combo, QStringLiteral("01"));
    EXPECT_TRUE(p.place[2].combo.isEmpty());
    // Four starters: no place betting.
    const auto four = field({1, 2, 3, 4}, {0.4, 0.3, 0.2, 0.1});
    EXPECT_TRUE(tq::tools::computePayouts(four, {}).place[0].combo.isEmpty());
}

} // namespace
