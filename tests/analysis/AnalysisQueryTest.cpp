// The analysis statement: exact texts for a small catalogue, and every item of
// the shipped catalogue as a condition and as a key, translated and run
// against generated race data.

#include "analysis/AnalysisQuery.h"
#include "common/ErrorLog.h"
#include "conditions/Clauses.h"
#include "conditions/Rewrites.h"
#include "conditions/Where.h"
#include "store/Database.h"
#include "store/DbError.h"
#include "support/GeneratedData.h"

#include <gtest/gtest.h>

#include <ostream>

// Readable QString values in failure messages.
static void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

#include <QCoreApplication>
#include <QTemporaryDir>

namespace tq::analysis {
namespace {

using conditions::ConditionCatalogue;
using conditions::ConditionItem;
using conditions::ConditionRow;
using conditions::ConditionSet;

// The fixed column list and FROM text, typed out independently of the code.
const QString kColumns =
    QStringLiteral("SELECT D番組データ.レースキー AS レースキー, D番組データ.年月日 AS 開催日, "
                   "D競走馬データ.競走成績キー AS 競走成績キー,D競走馬データ.馬番 AS 馬番,D競走馬データ.馬名 AS 馬名,"
                   "D払戻情報データ.単勝馬番１ AS 単勝馬番１,D払戻情報データ.単勝払戻１ AS 単勝払戻１,"
                   "D払戻情報データ.単勝馬番２ AS 単勝馬番２,D払戻情報データ.単勝払戻２ AS 単勝払戻２,"
                   "D払戻情報データ.単勝馬番３ AS 単勝馬番３,D払戻情報データ.単勝払戻３ AS 単勝払戻３,"
                   "D払戻情報データ.複勝馬番１ AS 複勝馬番１,D払戻情報データ.複勝払戻１ AS 複勝払戻１,"
                   "D払戻情報データ.複勝馬番２ AS 複勝馬番２,D払戻情報データ.複勝払戻２ AS 複勝払戻２,"
                   "D払戻情報データ.複勝馬番３ AS 複勝馬番３,D払戻情報データ.複勝払戻３ AS 複勝払戻３,"
                   "D払戻情報データ.複勝馬番４ AS 複勝馬番４,D払戻情報データ.複勝払戻４ AS 複勝払戻４,"
                   "D払戻情報データ.複勝馬番５ AS 複勝馬番５,D払戻情報データ.複勝払戻５ AS 複勝払戻５,"
                   "D成績データ.着順 AS 着順,D成績データ.異常区分 AS 異常区分,D成績データ.騎手名 AS 成績騎手,"
                   "D成績データ.確定単勝オッズ AS 確定単勝オッズ,D成績データ.確定複勝オッズ AS 確定複勝オッズ ");
const QString kFrom =
    QStringLiteral("((D番組データ INNER JOIN D競走馬データ ON D番組データ.レースキー = D競走馬データ.レースキー) "
                   "INNER JOIN D払戻情報データ ON D番組データ.レースキー = D払戻情報データ.レースキー) "
                   "INNER JOIN D成績データ ON D競走馬データ.競走成績キー = D成績データ.競走成績キー ");
const QString kRaceOrder = QStringLiteral(" ORDER BY D番組データ.レースキー");
const QString kZ1Join = QStringLiteral(
    "LEFT JOIN D番組データ AS Z番組データ_1 ON Z番組データ_1.レースキー = Left(D競走馬データ.前走成績キー１,8)");

ConditionCatalogue queryCatalogue()
{
    ConditionCatalogue cat;
    auto add = [&cat](const char* name, const char* key, qint16 type) {
        ConditionItem item;
        item.number = static_cast<qint16>(cat.items.size());
        item.name = QString::fromUtf8(name);
        item.key = QString::fromUtf8(key);
        item.type = type;
        cat.nameMap.insert(item.name, item.number);
        cat.items.push_back(item);
    };
    add("距離", "D番組データ.距離", 2);
    add("騎手", "D競走馬データ.騎手名", 5);
    add("馬名", "D競走馬データ.馬名", 5);
    add("曜日", "T番組データ.曜日", 5);
    cat.zensou = {{QStringLiteral("D競走馬データ.騎手名"), QStringLiteral("Z成績データ_1.騎手名")},
                  {QStringLiteral("D番組データ."), QStringLiteral("Z番組データ_1.")},
                  {QStringLiteral("D競走馬データ."), QStringLiteral("Z競走馬データ_1.")}};
    cat.henkan = {{QStringLiteral("T番組データ."), QStringLiteral("D番組データ.")}};
    cat.joins = {{QStringLiteral("Z番組データ_1"), kZ1Join, QString()},
                 {QStringLiteral("Z成績データ_1"),
                  QStringLiteral("LEFT JOIN D成績データ AS Z成績データ_1 ON D競走馬データ.前走成績キー１ = "
                                 "Z成績データ_1.競走成績キー"),
                  QString()}};
    return cat;
}

ConditionRow conditionRow(const char* item, const char* value, qint16 target = 0)
{
    ConditionRow r;
    r.itemName = QString::fromUtf8(item);
    r.value = QString::fromUtf8(value);
    r.target = target;
    return r;
}

class AnalysisQueryTest : public ::testing::Test {
  protected:
    AnalysisQueryTest() { log.setLogFileName(dir.filePath(QStringLiteral("TQ.log"))); }

    QStringList reported(const char* procedure) const
    {
        QStringList texts;
        for (const common::LogEntry& e : log.recentEntries())
            if (e.procedure == QString::fromUtf8(procedure))
                texts << e.description;
        return texts;
    }

    QString build(const ConditionSet& set, bool* ok = nullptr) { return funSqlCreate2(cat, set, nullptr, log, ok); }

    QTemporaryDir dir;
    common::ErrorLog log;
    ConditionCatalogue cat = queryCatalogue();
};

TEST_F(AnalysisQueryTest, EmptyDocumentGivesTheBareStatement)
{
    bool ok = false;
    const QString sql = build(ConditionSet(), &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(sql, kColumns + QStringLiteral(" FROM ") + kFrom + kRaceOrder);
    EXPECT_TRUE(sql.contains(QStringLiteral("確定複勝オッズ  FROM ((")));
    EXPECT_TRUE(sql.contains(QStringLiteral("競走成績キー  ORDER BY D番組データ.レースキー")));
}

TEST_F(AnalysisQueryTest, KeysAddColumnsSortOrderAndTheirJoins)
{
    ConditionSet set;
    set.keys[0].key = QStringLiteral("距離");
    set.keys[1].key = QStringLiteral("前走距離");
    set.keys[2].key = QStringLiteral("前走比較距離");
    set.keys[3].key = QStringLiteral("馬名"); // already a fixed column under that alias: sorted, not added
    const QString z = QStringLiteral("Z番組データ_1.距離");
    const QString diff = QStringLiteral("D番組データ.距離 & \" - \" & Z番組データ_1.距離");
    const QString expected = kColumns + QStringLiteral(",D番組データ.距離 AS 距離,") + z +
                             QStringLiteral(" AS 前走距離,") + diff + QStringLiteral(" AS 前走比較距離") +
                             QStringLiteral(" FROM (") + kFrom + QStringLiteral(") ") + kZ1Join +
                             QStringLiteral(" ORDER BY D番組データ.距離,") + z + QLatin1Char(',') + diff +
                             QStringLiteral(",D競走馬データ.馬名");
    EXPECT_EQ(build(set), expected);

    QString order;
    QString columns;
    std::array<QString, conditions::kAggregationLevels> texts;
    texts[0] = QStringLiteral("３走前距離");
    EXPECT_TRUE(subSyukeiKeySql(cat, texts, order, columns));
    EXPECT_EQ(order, QStringLiteral(" ORDER BY Z番組データ_3.距離"));
    EXPECT_EQ(columns, QStringLiteral(",Z番組データ_3.距離 AS ３走前距離"));
}

TEST_F(AnalysisQueryTest, UnknownKeyStopsTheKeysAndIsReported)
{
    ConditionSet set;
    set.keys[0].key = QStringLiteral("距離");
    set.keys[1].key = QStringLiteral("前走ない項目");
    set.keys[2].key = QStringLiteral("馬名");
    bool ok = false;
    EXPECT_EQ(build(set, &ok), kColumns + QStringLiteral(",D番組データ.距離 AS 距離 FROM ") + kFrom +
                                   QStringLiteral(" ORDER BY D番組データ.距離"));
    EXPECT_TRUE(ok);
    ASSERT_EQ(reported("funSqlCreate2").size(), 1);
    EXPECT_TRUE(reported("funSqlCreate2").first().contains(QStringLiteral("前走ない項目")));
}

TEST_F(AnalysisQueryTest, WhereTodayNamesAndJockeyRewrites)
{
    ConditionSet set;
    set.rows = {conditionRow("騎手", "武,0"), conditionRow("曜日", "土,0"), conditionRow("騎手", "岡,0", 1)};
    set.keys[0].key = QStringLiteral("騎手");
    const QString expected =
        kColumns + QStringLiteral(",D成績データ.騎手名 AS 騎手 FROM (") + kFrom + QStringLiteral(") ") +
        QStringLiteral(
            "LEFT JOIN D成績データ AS Z成績データ_1 ON D競走馬データ.前走成績キー１ = Z成績データ_1.競走成績キー") +
        QStringLiteral(" WHERE D成績データ.騎手名 = '武' AND D番組データ.曜日 = '土' AND Z成績データ_1.騎手名 = '岡'") +
        QStringLiteral(" ORDER BY D成績データ.騎手名");
    EXPECT_EQ(build(set), expected);
}

TEST_F(AnalysisQueryTest, BrokenConditionsGiveNoStatementRatherThanAnUnfilteredOne)
{
    ConditionSet set;
    set.rows = {conditionRow("距離", "1000,1200"), conditionRow("消えた項目", "1")};
    bool ok = true;
    EXPECT_EQ(build(set, &ok), QString());
    EXPECT_FALSE(ok);
    EXPECT_EQ(reported("funWhere").size(), 1);
}

// ---------------------------------------------------------------------------
// The shipped catalogue against generated race data.

// A plausible stored value for an item and target.
QString plausibleValue(const ConditionItem& item, int target)
{
    if (conditions::isComparisonTarget(target))
        return QStringLiteral("4,1,1");
    const QStringList data = item.data.split(QLatin1Char(','));
    switch (item.type) {
    case 0:
        return QStringLiteral("1");
    case 1:
    case 2:
        return data.size() >= 2 ? data[0] + QLatin1Char(',') + data[1] : QStringLiteral("1,9");
    case 3:
    case 4:
        return data.first() + QLatin1Char(',') + data.last();
    case 5:
        return QStringLiteral("A+B,0");
    case 6:
        return QStringLiteral("2025/01/01,2025/12/31");
    case 7:
        return data.value(1) + QLatin1Char(',') + data.last();
    case 8:
        return data.value(0) + QLatin1Char(',') + data.value(1) + QStringLiteral(",0");
    case 9:
        return QStringLiteral("名+名,01+02,0,1");
    default:
        return QString();
    }
}

// Generated race data (the last month of a year: every statement below is run,
// some hundreds of them) prepared as at start-up, with the shipped catalogue;
// built once for the suite.
class ShippedCatalogueTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite()
    {
        s_data = new support::GeneratedData(1, 1, 1);
        if (!s_data->ready())
            return;
        store::Database& db = *s_data->context().appDb;

        // The mark-results table is derived inside the application database
        // (built from the race data by a menu command); the catalogue's
        // 印別成績 items read it.
        QStringList columns = {QStringLiteral("レースキー CHAR(8)"), QStringLiteral("馬番 CHAR(2)"),
                               QStringLiteral("競走成績キー CHAR(16)"), QStringLiteral("馬名 CHAR(18)")};
        for (const char* family :
             {"基準", "ＩＤＭ", "情報", "展開", "パドック", "オッズ", "騎手", "総合", "直前総合"}) {
            const QString f = QString::fromUtf8(family);
            const QStringList rates =
                f == QStringLiteral("騎手")
                    ? QStringList{QStringLiteral("２着率"), QStringLiteral("３着率")}
                    : QStringList{QStringLiteral("勝率"), QStringLiteral("連対率"), QStringLiteral("複勝率"),
                                  QStringLiteral("２着率"), QStringLiteral("３着率")};
            for (const QString& rate : rates)
                columns << f + rate + QStringLiteral(" SINGLE");
            if (f != QStringLiteral("基準"))
                columns << f + QStringLiteral("勝率差 SINGLE");
        }
        for (const char* ranked : {"総合勝率", "直前総合勝率", "ＩＤＭ勝率差", "情報勝率差", "展開勝率差", "騎手勝率差",
                                   "パドック勝率差", "オッズ勝率差", "総合勝率差", "直前総合勝率差"})
            columns << QString::fromUtf8(ranked) + QStringLiteral("順位 INTEGER");
        db.execute(QStringLiteral("CREATE TABLE 過去の印別成績 (") + columns.join(QLatin1Char(',')) +
                   QStringLiteral(", CONSTRAINT PRIKEY PRIMARY KEY (レースキー,馬番))"));
    }
    static void TearDownTestSuite()
    {
        delete s_data;
        s_data = nullptr;
    }
    void SetUp() override
    {
        // Without the data these checks cannot be made: that is a failure, not a skip.
        ASSERT_TRUE(s_data->ready()) << s_data->problem();
    }

    static const ConditionCatalogue& shipped() { return s_data->context().catalogue; }
    static store::Database& database() { return *s_data->context().appDb; }
    static common::ErrorLog& log() { return s_data->context().errorLog; }

    static support::GeneratedData* s_data;
};
support::GeneratedData* ShippedCatalogueTest::s_data = nullptr;

// Every statement is run, not only prepared, so that an error raised while
// rows are computed (a function given a value it refuses) shows too.
TEST_F(ShippedCatalogueTest, EveryItemAsConditionAndKeyRuns)
{
    const ConditionCatalogue& shipped = ShippedCatalogueTest::shipped();
    store::Database& db = database();
    ASSERT_FALSE(shipped.order.empty());

    QStringList failures;
    auto tryRun = [&](const QString& what, const ConditionSet& set) {
        bool ok = false;
        const QString sql = funSqlCreate2(shipped, set, &db, log(), &ok);
        if (!ok) {
            failures << what + QStringLiteral(": no statement");
            return;
        }
        try {
            // A few rows are enough: finding them runs the condition on
            // every row scanned, and a key's sort before the first row
            // computes the key of every row.
            store::Recordset rs = db.openRecordset(sql);
            for (int row = 0; row < 3 && !rs.isEOF(); ++row)
                rs.moveNext();
        } catch (const store::DbError& e) {
            failures << what + QStringLiteral(": ") + e.engineMessage();
        }
    };
    int statements = 0;
    for (qint16 number : shipped.order) {
        const ConditionItem& item = shipped.items[static_cast<size_t>(number)];
        for (int target : {0, 1, 2}) {
            ConditionSet set;
            ConditionRow r;
            r.itemName = item.name;
            r.value = plausibleValue(item, target);
            r.target = static_cast<qint16>(target);
            set.rows.push_back(r);
            tryRun(item.name + QStringLiteral(" target ") + QString::number(target) + QStringLiteral(" value ") +
                           r.value,
                       set);
            ++statements;
        }
        for (const char* prefix : {"", "前走", "前走比較"}) {
            ConditionSet set;
            set.keys[0].key = QString::fromUtf8(prefix) + item.name;
            tryRun(QStringLiteral("key ") + set.keys[0].key, set);
            ++statements;
        }
    }
    EXPECT_TRUE(failures.isEmpty()) << failures.size() << " of " << statements << " statements failed:\n"
                                    << failures.join(QLatin1Char('\n')).toStdString();
}

qint64 countRows(store::Database& db, const QString& sql)
{
    store::Recordset rs = db.openRecordset(sql);
    qint64 n = 0;
    for (; !rs.isEOF(); rs.moveNext())
        ++n;
    return n;
}

// A favourite stored with today's names, linked as a race restriction, selects
// exactly the runners of the races in which more than `count` runners meet it.
TEST_F(ShippedCatalogueTest, FavouriteLinkAsRaceRestrictionSelectsTheRightRunners)
{
    const ConditionCatalogue& shipped = ShippedCatalogueTest::shipped();
    store::Database& db = database();

    ConditionSet favourite;
    favourite.rows = {conditionRow("距離", "1000,1400"), conditionRow("馬齢", "3,3")};
    bool ok = false;
    const QString stored =
        conditions::funThisHenkan(shipped, conditions::funWhere(shipped, favourite, false, &db, log(), &ok));
    ASSERT_TRUE(ok);
    ASSERT_TRUE(stored.contains(QStringLiteral("T番組データ.距離"))) << stored.toStdString();
    db.execute(QStringLiteral("DELETE FROM お気に入り"));
    db.execute(QStringLiteral("INSERT INTO お気に入り (名称, グループ名, ＷＨＥＲＥ文) VALUES ('短距離三歳', 'G', '") +
               QString(stored).replace(QLatin1Char('\''), QStringLiteral("''")) + QStringLiteral("')"));

    const QString joins =
        QStringLiteral(" FROM ((D番組データ b INNER JOIN D競走馬データ e ON b.レースキー = e.レースキー)"
                       " INNER JOIN D払戻情報データ p ON b.レースキー = p.レースキー)"
                       " INNER JOIN D成績データ r ON e.競走成績キー = r.競走成績キー");
    std::vector<qint64> selected;
    for (int count : {0, 2}) {
        ConditionSet set;
        set.favourite.name = QStringLiteral("短距離三歳");
        set.favourite.isFavourite = true;
        set.favourite.havingOperator = QStringLiteral(">");
        set.favourite.havingNumber = QString::number(count);
        const QString sql = funSqlCreate2(shipped, set, &db, log(), &ok);
        ASSERT_TRUE(ok);
        const QString oracle =
            QStringLiteral("SELECT e.馬番") + joins +
            QStringLiteral(" WHERE (SELECT COUNT(*) FROM D競走馬データ x INNER JOIN D番組データ y ON x.レースキー = "
                           "y.レースキー WHERE x.レースキー = b.レースキー AND y.距離 >= 1000 AND y.距離 <= 1400 AND "
                           "x.馬齢 = 3) > ") +
            QString::number(count);
        const qint64 expected = countRows(db, oracle);
        EXPECT_GT(expected, 0);
        EXPECT_EQ(countRows(db, sql), expected) << "count " << count;
        selected.push_back(expected);
    }
    EXPECT_LT(selected[1], selected[0]); // the HAVING count really narrows the races
}

// Favourites are stored with today's table names; linked into an analysis
// they must still bring the joins their tables need (pre-race data, marks).
TEST_F(ShippedCatalogueTest, FavouriteLinkWithTodayNamesGetsItsJoins)
{
    const ConditionCatalogue& shipped = ShippedCatalogueTest::shipped();
    store::Database& db = database();
    for (const char* item : {"直前オッズ指数", "基準勝率", "総合偏差値"}) {
        ConditionSet favourite;
        favourite.rows = {conditionRow(item, "1,99")};
        bool ok = false;
        const QString stored =
            conditions::funThisHenkan(shipped, conditions::funWhere(shipped, favourite, false, &db, log(), &ok));
        ASSERT_TRUE(ok);
        db.execute(QStringLiteral("DELETE FROM お気に入り"));
        db.execute(QStringLiteral("INSERT INTO お気に入り (名称, グループ名, ＷＨＥＲＥ文) VALUES ('f', 'G', '") +
                   QString(stored).replace(QLatin1Char('\''), QStringLiteral("''")) + QStringLiteral("')"));
        for (bool race : {false, true}) {
            ConditionSet set;
            set.favourite.name = QStringLiteral("f");
            set.favourite.isFavourite = race;
            const QString sql = funSqlCreate2(shipped, set, &db, log(), &ok);
            ASSERT_TRUE(ok);
            EXPECT_NO_THROW({
                store::Recordset rs = db.openRecordset(sql);
                for (int row = 0; row < 3 && !rs.isEOF(); ++row)
                    rs.moveNext();
            }) << item << " race " << race << "\n" << sql.toStdString();
        }
    }
}

} // namespace
} // namespace tq::analysis
