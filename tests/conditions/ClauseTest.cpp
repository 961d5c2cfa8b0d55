// Clause and display texts of single condition rows, compared as strings.

#include "conditions/Clauses.h"
#include "store/Value.h"
#include "support/CatalogueItems.h"

#include <gtest/gtest.h>

#include <ostream>

// Readable QString values in failure messages.
static void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace tq::conditions {
namespace {

ConditionCatalogue smallCatalogue()
{
    ConditionCatalogue cat;
    auto add = [&cat](const QString& name, const QString& key, qint16 type, const QString& data) {
        support::addCatalogueItem(cat, name, key, type, data);
    };
    add(QStringLiteral("t0"), QStringLiteral("J"), 0, QStringLiteral("c1:一,c2:二,c3:三"));
    add(QStringLiteral("t0x"), QStringLiteral("J"), 0, QStringLiteral("A:甲,B:乙,C:丙,99999:その他"));
    add(QStringLiteral("t1"), QStringLiteral("K1"), 1, QStringLiteral("a,z"));
    add(QStringLiteral("t2"), QStringLiteral("K"), 2, QStringLiteral("1,9"));
    add(QStringLiteral("t3"), QStringLiteral("K3"), 3, QStringLiteral("A,B,C"));
    add(QStringLiteral("t4"), QStringLiteral("K4"), 4, QStringLiteral("1,2,3"));
    add(QStringLiteral("t5"), QStringLiteral("K"), 5, QString());
    add(QStringLiteral("t6"), QStringLiteral("D.年月日"), 6, QString());
    add(QStringLiteral("t7"), QStringLiteral("K7"), 7, QStringLiteral("10,1.0,1.5,2.0"));
    add(QStringLiteral("t8"), QStringLiteral("K"), 8, QStringLiteral("1,9"));
    add(QStringLiteral("t9"), QStringLiteral("k1 & k2"), 9, QString());
    add(QStringLiteral("run"), QStringLiteral("D番組データ.距離"), 2, QString());
    add(QStringLiteral("t7b"), QStringLiteral("K7"), 7, QStringLiteral("10,1.1,2.2"));
    cat.zensou = {{QStringLiteral("D番組データ."), QStringLiteral("Z番組データ_1.")},
                  {QStringLiteral("D競走馬データ."), QStringLiteral("Z競走馬データ_1.")}};
    return cat;
}

int itemNo(const ConditionCatalogue& cat, const char* name)
{
    return cat.nameMap.value(QString::fromUtf8(name), -1);
}

struct ClauseCase {
    const char* item;
    const char* value;
    int target;
    const char* expected; // the WHERE text after appending to an empty one
};

TEST(Clause, ClauseTextPerTypeAndTarget)
{
    const ConditionCatalogue cat = smallCatalogue();
    const ClauseCase cases[] = {
        // Type 0: selection, exclusion through 99999, stop at the first empty token.
        {"t0", "0,1,0", 0, "(J = 'c2')"},
        {"t0", "1,0,1", 0, "(J = 'c1' OR J = 'c3')"},
        {"t0x", "1,0,0,1", 0, "(J <> 'B' AND J <> 'C')"},
        {"t0", "1,,1", 0, "(J = 'c1')"},
        // Text ranges quote, numeric ranges use " <=" without a blank.
        {"t1", "a,m", 0, "K1 >= 'a' AND K1 <= 'm'"},
        {"t3", "A,C", 0, "K3 >= 'A' AND K3 <= 'C'"},
        {"t2", "1,3", 0, "K >= 1 AND K <=3"},
        {"t4", "2,3", 0, "K4 >= 2 AND K4 <=3"},
        {"t2", ",", 0, "K >=  AND K <="},
        // Type 5: "+", full-width "＋" and negation.
        {"t5", "1+2,0", 0, "(K = '1' OR K = '2')"},
        {"t5", "A＋B,1", 0, "(K <> 'A' AND K <> 'B')"},
        {"t5", "A,1", 0, "K <> 'A'"},
        {"t5", "  A  ,0", 0, "K = 'A'"},
        // Type 6: dates become eight digits.
        {"t6", "2003/01/05,2004/12/31", 0, "D.年月日 >= '20030105' AND D.年月日 <= '20041231'"},
        // Type 7: scaled by the first data token; fifteen significant digits.
        {"t7", "1.5,2.0", 0, "K7 >= '15' AND K7 <= '20'"},
        {"t7b", "1.1,2.25", 0, "K7 >= '11' AND K7 <= '22.5'"},
        // Type 8: first starts only with an explicit "1".
        {"t8", "1,5,1", 0, "K Is Null"},
        {"t8", "1,5,0", 0, "K >= 1 AND K <=5"},
        {"t8", "1,5", 0, "K >= 1 AND K <=5"},
        // Type 9: several keys, several codes, AND/OR and negation.
        {"t9", "x名+y名,x+y,0,1", 0, "((k1 = 'x' OR k2 = 'x') AND (k1 = 'y' OR k2 = 'y'))"},
        {"t9", "x名+y名,x+y,0,0", 0, "((k1 = 'x' OR k2 = 'x') OR (k1 = 'y' OR k2 = 'y'))"},
        {"t9", "x名+y名,x+y,1,0", 0, "((k1 <> 'x' AND k2 <> 'x') AND (k1 <> 'y' AND k2 <> 'y'))"},
        {"t9", "x名+y名,x+y,1,1", 0, "((k1 <> 'x' AND k2 <> 'x') OR (k1 <> 'y' AND k2 <> 'y'))"},
        {"t9", "x名, x ,0,0", 0, "(k1 = 'x' OR k2 = 'x')"},
        {"t9", ",,0,0", 0, "(k1 = '' OR k2 = '')"},
        // Previous runs: the [ZENSOU1] pairs, then "_1" -> run suffix.
        {"run", "1000,1200", 1, "Z番組データ_1.距離 >= 1000 AND Z番組データ_1.距離 <=1200"},
        {"run", "1000,1200", 5, "Z番組データ_3.距離 >= 1000 AND Z番組データ_3.距離 <=1200"},
        {"run", "1000,1200", 9, "Z番組データ_5.距離 >= 1000 AND Z番組データ_5.距離 <=1200"},
        // Comparisons, whatever the type; type 3 compares integer parts.
        {"run", "4,1,10", 2, "D番組データ.距離 >= Z番組データ_1.距離 + 10"},
        {"run", "0,0,99", 4, "D番組データ.距離 = Z番組データ_2.距離"},
        {"run", "3,2,200", 10, "D番組データ.距離 < Z番組データ_5.距離 - 200"},
        {"t3", "1,1,2", 2, "INT(K3) <> INT(K3) + 2"},
        {"t0", "5,0,", 6, "J <= J"},
    };
    for (const ClauseCase& c : cases) {
        QString where;
        funJoukenSql(cat, where, itemNo(cat, c.item), QString::fromUtf8(c.value), c.target);
        EXPECT_EQ(where, QString::fromUtf8(c.expected)) << c.item << " value " << c.value << " target " << c.target;
    }
}

TEST(Clause, AppendsWithAndAndSkipsEmptyTypeZero)
{
    const ConditionCatalogue cat = smallCatalogue();
    QString where;
    funJoukenSql(cat, where, itemNo(cat, "t2"), QStringLiteral("1,3"), 0);
    funJoukenSql(cat, where, itemNo(cat, "t0"), QStringLiteral("0,0,0"), 0);
    funJoukenSql(cat, where, itemNo(cat, "t0"), QStringLiteral("0,1,0"), 0);
    EXPECT_EQ(where, QStringLiteral("K >= 1 AND K <=3 AND (J = 'c2')"));

    QString untouched = QStringLiteral("X");
    funJoukenSql(cat, untouched, itemNo(cat, "t0"), QStringLiteral("0,0,0"), 0);
    EXPECT_EQ(untouched, QStringLiteral("X"));
}

TEST(Clause, QuoteInValueIsDoubledInsideLiterals)
{
    const ConditionCatalogue cat = smallCatalogue();
    const ClauseCase cases[] = {
        {"t5", "O'Brien+D'Arcy,0", 0, "(K = 'O''Brien' OR K = 'D''Arcy')"},
        {"t1", "a',b'", 0, "K1 >= 'a''' AND K1 <= 'b'''"},
        {"t9", "名,x' OR '1'='1,0,0", 0, "(k1 = 'x'' OR ''1''=''1' OR k2 = 'x'' OR ''1''=''1')"},
    };
    for (const ClauseCase& c : cases) {
        QString where;
        funJoukenSql(cat, where, itemNo(cat, c.item), QString::fromUtf8(c.value), c.target);
        EXPECT_EQ(where, QString::fromUtf8(c.expected)) << c.value;
    }
}

TEST(Clause, UnreadableRowsThrowAndLeaveTheTextAlone)
{
    const ConditionCatalogue cat = smallCatalogue();
    struct Bad {
        int item;
        const char* value;
        int target;
    } cases[] = {
        {99, "1,2", 0}, // item outside the catalogue
        {-1, "1,2", 0},
        {itemNo(cat, "t7"), "abc,2.0", 0}, // scaled bound not a number
        {itemNo(cat, "run"), "9,0,1", 2},  // comparison operator outside 0-5
        {itemNo(cat, "run"), "x,0,1", 2},
        {itemNo(cat, "run"), "1,3,1", 2}, // sign outside 0-2
    };
    for (const Bad& c : cases) {
        QString where = QStringLiteral("A");
        EXPECT_THROW(funJoukenSql(cat, where, c.item, QString::fromUtf8(c.value), c.target), ClauseError)
            << c.item << " " << c.value;
        EXPECT_EQ(where, QStringLiteral("A"));
    }
    // The message is Japanese text, not its UTF-8 bytes read as Latin-1, and
    // a NUL in the value does not cut it.
    try {
        QString where;
        funJoukenSql(cat, where, itemNo(cat, "run"), QStringLiteral("9") + QChar(0) + QStringLiteral("x,0,1"), 2);
        ADD_FAILURE() << "no error";
    } catch (const ClauseError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("比較演算子 '9") + QChar(0) + QStringLiteral("x' が正しくありません"));
    }
}

TEST(Clause, DisplayTexts)
{
    const ConditionCatalogue cat = smallCatalogue();
    const ClauseCase cases[] = {
        {"t0", "1,0,1", 0, "一,三"},
        {"t0x", "1,0,0,1", 0, "甲,その他"},
        {"t0", "0,0,0", 0, ""},
        {"t1", "a,m", 0, "a～m"},
        {"t2", "1,3", 3, "1～3"},
        {"t6", "2003/01/05,2004/12/31", 0, "2003/01/05～2004/12/31"},
        {"t7", "1.5,2.0", 0, "1.5～2.0"},
        {"t5", "A+B,0", 0, "A+B"},
        {"t5", "A+B,1", 0, "A+B[以外]"},
        {"t8", "1,5,1", 0, "初出走"},
        {"t8", "1,5,0", 0, "1～5"},
        {"t9", "甲+乙,x+y,1,1", 0, "甲+乙[全て含む(AND)][以外]"},
        {"t9", "甲,x,0,0", 0, "甲"},
        {"run", "4,1,10", 2, "今走　≧　前走　+10"},
        {"run", "0,0,5", 4, "今走　＝　２走前　 5"},
        {"run", "5,2,3", 10, "今走　≦　５走前　-3"},
        {"run", "1,2,3", 6, "今走　≠　３走前　-3"},
    };
    for (const ClauseCase& c : cases)
        EXPECT_EQ(funJoukenHyouji(cat, itemNo(cat, c.item), QString::fromUtf8(c.value), c.target),
                  QString::fromUtf8(c.expected))
            << c.item << " " << c.value;

    ConditionRow extended;
    extended.itemName = extendedItemName();
    extended.value = QStringLiteral("D番組データ.距離 > 1000");
    EXPECT_EQ(displayTextOfRow(cat, extended), extended.value);
    ConditionRow unknown;
    unknown.itemName = QStringLiteral("消えた項目");
    EXPECT_EQ(displayTextOfRow(cat, unknown), QString());
}

TEST(Clause, CodeNamesAndNullText)
{
    const ConditionCatalogue cat = smallCatalogue();
    EXPECT_EQ(funCodeMeisyou(cat, QStringLiteral("c2"), itemNo(cat, "t0")), QStringLiteral("二"));
    EXPECT_EQ(funCodeMeisyou(cat, QStringLiteral("99999"), itemNo(cat, "t0x")), QStringLiteral("その他"));
    EXPECT_EQ(funCodeMeisyou(cat, QStringLiteral("zz"), itemNo(cat, "t0")), QStringLiteral("zz"));
    EXPECT_EQ(funCodeMeisyou(cat, QStringLiteral("c2"), 999), QStringLiteral("c2"));

    EXPECT_EQ(funNullKara(store::Value()), QString());
    EXPECT_EQ(funNullKara(store::Value(QStringLiteral("abc"))), QStringLiteral("abc"));
    EXPECT_EQ(funNullKara(store::Value(qint64(1400))), QStringLiteral("1400"));
    EXPECT_EQ(funNullKara(store::Value(15.5)), QStringLiteral("15.5"));
}

TEST(Clause, AggregationKeyPrefixes)
{
    struct {
        const char* key;
        const char* prefix;
        const char* item;
        int target;
    } cases[] = {
        {"距離", "", "距離", 0},
        {"前走距離", "前走", "距離", 1},
        {"前走比較距離", "前走比較", "距離", 2},
        {"２走前距離", "２走前", "距離", 3},
        {"３走前比較距離", "３走前比較", "距離", 6},
        {"５走前距離", "５走前", "距離", 9},
        {"５走前比較距離", "５走前比較", "距離", 10},
        {"前走", "前走", "", 1},
    };
    for (const auto& c : cases) {
        const AggregationKeyParts parts = splitAggregationKey(QString::fromUtf8(c.key));
        EXPECT_EQ(parts.prefix, QString::fromUtf8(c.prefix)) << c.key;
        EXPECT_EQ(parts.itemName, QString::fromUtf8(c.item)) << c.key;
        EXPECT_EQ(parts.target, c.target) << c.key;
    }
}

} // namespace
} // namespace tq::conditions
