// WHERE texts of whole condition sets, and the favourite-race restriction read
// from a small お気に入り table.

#include "conditions/Where.h"
#include "common/ErrorLog.h"
#include "conditions/FavouriteRestriction.h"
#include "store/Database.h"
#include "support/CatalogueItems.h"

#include <gtest/gtest.h>

#include <ostream>

// Readable QString values in failure messages.
static void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

#include <QTemporaryDir>

namespace tq::conditions {
namespace {

ConditionCatalogue whereCatalogue()
{
    ConditionCatalogue cat;
    auto add = [&cat](const QString& name, const QString& key, qint16 type, const QString& data) {
        support::addCatalogueItem(cat, name, key, type, data);
    };
    add(QStringLiteral("距離"), QStringLiteral("K"), 2, QString());
    add(QStringLiteral("場所"), QStringLiteral("J"), 0, QStringLiteral("c1:一,c2:二,c3:三"));
    add(QStringLiteral("馬場"), QStringLiteral("D直前情報データ.馬場"), 5, QString());
    cat.joins = {JoinRule{
        QStringLiteral("T直前情報データ"),
        QStringLiteral("LEFT JOIN T直前情報データ ON D競走馬データ.競走成績キー = T直前情報データ.競走成績キー"),
        QString()}};
    return cat;
}

ConditionRow row(const char* item, const char* value, qint16 target = 0, bool masked = false)
{
    ConditionRow r;
    r.itemName = QString::fromUtf8(item);
    r.value = QString::fromUtf8(value);
    r.target = target;
    r.masked = masked;
    return r;
}

class WhereTest : public ::testing::Test {
  protected:
    WhereTest()
    {
        log.setLogFileName(dir.filePath(QStringLiteral("TQ.log")));
        db = store::Database::create(dir.filePath(QStringLiteral("app.mdb")));
        db->execute(QStringLiteral("CREATE TABLE お気に入り (名称 CHAR(50), グループ名 CHAR(50), ＷＨＥＲＥ文 MEMO)"));
        const char* rows[][3] = {
            {"f1", "G", "T番組データ.距離 >= 1000"},
            {"f2", "G", "T番組データ.場コード = '05'"},
            {"f3", "G", "T直前情報データ.馬場 = '良'"},
            {"O'Brien", "H", "X = 1"},
        };
        for (const auto& r : rows)
            db->execute(QStringLiteral("INSERT INTO お気に入り VALUES ('%1', '%2', '%3')")
                            .arg(QString::fromUtf8(r[0]).replace(QLatin1Char('\''), QStringLiteral("''")),
                                 QString::fromUtf8(r[1]),
                                 QString::fromUtf8(r[2]).replace(QLatin1Char('\''), QStringLiteral("''"))));
    }

    int reports(const char* procedure) const
    {
        int n = 0;
        for (const common::LogEntry& e : log.recentEntries())
            n += e.procedure == QString::fromUtf8(procedure) ? 1 : 0;
        return n;
    }

    QTemporaryDir dir;
    common::ErrorLog log;
    std::unique_ptr<store::Database> db;
    ConditionCatalogue cat = whereCatalogue();
};

TEST_F(WhereTest, RowsInOrderMaskedSkippedExtendedWrapped)
{
    ConditionSet set;
    set.rows = {row("距離", "1,3"), row("場所", "0,1,0")};
    bool ok = false;
    EXPECT_EQ(funWhere(cat, set, true, nullptr, log, &ok), QStringLiteral("K >= 1 AND K <=3 AND (J = 'c2')"));
    EXPECT_TRUE(ok);

    ConditionRow extended = row("", "A$B");
    extended.itemName = extendedItemName();
    set.rows = {row("距離", "1,3", 0, true), extended};
    EXPECT_EQ(funWhere(cat, set, true, nullptr, log), QStringLiteral("(AB)"));
    EXPECT_EQ(funWhere(cat, set, false, nullptr, log), QStringLiteral("(A$B)"));

    set.rows = {row("場所", "0,0,0"), row("距離", "1,3")};
    EXPECT_EQ(funWhere(cat, set, true, nullptr, log), QStringLiteral("K >= 1 AND K <=3"));
    set.rows.clear();
    EXPECT_EQ(funWhere(cat, set, true, nullptr, log, &ok), QString());
    EXPECT_TRUE(ok);
    EXPECT_EQ(reports("funWhere"), 0);
}

TEST_F(WhereTest, FailuresGiveEmptyTextNotOkAndOneReport)
{
    ConditionSet unknownItem;
    unknownItem.rows = {row("距離", "1,3"), row("消えた項目", "1,2")};
    ConditionSet badComparison;
    badComparison.rows = {row("距離", "7,0,1", 2)};
    ConditionSet missingFavourite;
    missingFavourite.favourite.name = QStringLiteral("ない");
    missingFavourite.rows = {row("距離", "1,3")};
    ConditionSet noDatabase;
    noDatabase.favourite.name = QStringLiteral("f1");

    int expectedReports = 0;
    for (const ConditionSet* set : {&unknownItem, &badComparison, &missingFavourite, &noDatabase}) {
        bool ok = true;
        EXPECT_EQ(funWhere(cat, *set, true, set == &noDatabase ? nullptr : db.get(), log, &ok), QString());
        EXPECT_FALSE(ok);
        EXPECT_EQ(reports("funWhere"), ++expectedReports);
    }
}

TEST_F(WhereTest, FavouriteRestrictionComesFirst)
{
    ConditionSet set;
    set.favourite.name = QStringLiteral("f1");
    set.rows = {row("距離", "1,3")};
    EXPECT_EQ(funWhere(cat, set, true, db.get(), log),
              QStringLiteral("(T番組データ.距離 >= 1000) AND K >= 1 AND K <=3"));

    set.favourite.name = QStringLiteral("O'Brien");
    EXPECT_EQ(funWhere(cat, set, true, db.get(), log), QStringLiteral("(X = 1) AND K >= 1 AND K <=3"));
}

TEST_F(WhereTest, FavoWhereShapes)
{
    const QString raceHead = QStringLiteral(
        "T番組データ.レースキー in (select D番組データ.レースキー FROM ((D番組データ INNER JOIN D競走馬データ ON "
        "D番組データ.レースキー = D競走馬データ.レースキー) LEFT JOIN D払戻情報データ ON D番組データ.レースキー = "
        "D払戻情報データ.レースキー) LEFT JOIN D成績データ ON D競走馬データ.競走成績キー = D成績データ.競走成績キー ");
    const QString group3 =
        QStringLiteral("(T番組データ.距離 >= 1000) OR (T番組データ.場コード = '05') OR (T直前情報データ.馬場 = '良')");
    const QString join =
        QStringLiteral("LEFT JOIN T直前情報データ ON D競走馬データ.競走成績キー = T直前情報データ.競走成績キー");
    const struct {
        bool group;
        const char* name;
        bool race;
        const char* op;
        const char* count;
        QString expected;
    } cases[] = {
        {false, "f1", false, "", "", QStringLiteral("(T番組データ.距離 >= 1000)")},
        {true, "G", false, "", "", QLatin1Char('(') + group3 + QLatin1Char(')')},
        {false, "f1", true, ">", "1",
         raceHead + QStringLiteral(" WHERE (T番組データ.距離 >= 1000) group by D番組データ.レースキー HAVING "
                                   "COUNT(D競走馬データ.馬番) >1)")},
        {false, "f1", true, "", "3",
         raceHead + QStringLiteral(" WHERE (T番組データ.距離 >= 1000) group by D番組データ.レースキー)")},
        {true, "G", true, "=", "2",
         QStringLiteral("(") + raceHead.left(raceHead.indexOf(QStringLiteral("((D番組"))) + QStringLiteral("(") +
             raceHead.mid(raceHead.indexOf(QStringLiteral("((D番組"))) + QStringLiteral(") ") + join +
             QStringLiteral(" WHERE ") + group3 +
             QStringLiteral(" group by D番組データ.レースキー HAVING COUNT(D競走馬データ.馬番) =2))")},
        {false, "ない", false, "", "", QString()},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(funFavoWhere(cat, db.get(), log, c.group, QString::fromUtf8(c.name), c.race, QString::fromUtf8(c.op),
                               QString::fromUtf8(c.count)),
                  c.expected)
            << c.name << " race " << c.race;
    }
    const FavouriteRestrictionResult none =
        favouriteRestriction(cat, db.get(), log, false, QStringLiteral("ない"), true, QString(), QString());
    EXPECT_TRUE(none.ok);
    EXPECT_EQ(none.matched, 0);
}

} // namespace
} // namespace tq::conditions
