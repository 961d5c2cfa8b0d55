// The value search list: splitting the starting selection, marking, header
// sorting, prefix search, the returned names and codes, and reading a table
// or a SELECT through the database layer.

#include "conditions/ValueSearchList.h"
#include "store/Database.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <ostream>

static void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace tq::conditions {
namespace {

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

// A list of (name, code) rows, or names only when `codes` is empty.
ValueSearchList places(const QStringList& names, const QList<int>& codes = {})
{
    QStringList headers{s("場名")};
    if (!codes.isEmpty())
        headers << s("コード");
    std::vector<std::vector<store::Value>> rows;
    for (int i = 0; i < names.size(); ++i) {
        std::vector<store::Value> cells{store::Value(names[i])};
        if (!codes.isEmpty())
            cells.emplace_back(codes[i]);
        rows.push_back(std::move(cells));
    }
    return ValueSearchList(headers, std::move(rows));
}

QStringList markedNames(const ValueSearchList& list)
{
    QStringList names;
    for (int r = 0; r < list.rowCount(); ++r)
        if (list.isMarked(r))
            names << list.text(r, 0);
    return names;
}

TEST(ValueSearchNames, SplitAtPlusSignsAndCarriageReturnsDroppingLineFeeds)
{
    const struct {
        const char* text;
        QStringList names;
    } cases[] = {
        {"東京+中山＋京都", {s("東京"), s("中山"), s("京都")}},
        {"東京\r\n中山\r\n京都", {s("東京"), s("中山"), s("京都")}},
        {"東京\r中山", {s("東京"), s("中山")}},
        // A bare line feed is dropped, not a separator.
        {"東京\n中山", {s("東京中山")}},
        // Empty names never match an entry.
        {"", {}},
        {"東京+\r\n", {s("東京")}},
        {"++＋", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(splitSearchNames(s(c.text)), c.names) << c.text;
}

TEST(ValueSearchList, StartingSelectionMarksTheNamedRowsOnly)
{
    const struct {
        QStringList entries;
        const char* start;
        QStringList marked;
    } cases[] = {
        {{s("東京"), s("京都"), s("阪神")}, "東京+中山＋京都", {s("東京"), s("京都")}},
        {{s("東京"), s("京都"), s("阪神")}, "東京\r\n中山\r\n京都", {s("東京"), s("京都")}},
        {{s("東京"), s("京都"), s("阪神")}, "京都+東京+札幌", {s("東京"), s("京都")}},
        // An empty selection does not mark an entry with an empty name.
        {{s(""), s("東京")}, "", {}},
    };
    for (const auto& c : cases) {
        ValueSearchList list = places(c.entries);
        list.markNames(s(c.start));
        EXPECT_EQ(markedNames(list), c.marked) << c.start;
    }
}

TEST(ValueSearchList, ChoiceFollowsTheCurrentRowOrderAndHeaderClicksFlipTheOrder)
{
    ValueSearchList list = places({s("札幌"), s("函館"), s("福島"), s("新潟")}, {1, 2, 3, 4});
    list.setMarked(2, true);
    list.setMarked(0, true);
    EXPECT_EQ(list.choice().names, s("札幌+福島"));
    EXPECT_EQ(list.choice().codes, s("1+3"));

    list.sortByHeaderClick(1); // ascending by code: unchanged
    EXPECT_FALSE(list.sortDescending());
    EXPECT_EQ(list.choice().names, s("札幌+福島"));
    list.sortByHeaderClick(1); // same column again: descending
    EXPECT_TRUE(list.sortDescending());
    EXPECT_EQ(list.choice().names, s("福島+札幌"));
    EXPECT_EQ(list.choice().codes, s("3+1"));
    list.sortByHeaderClick(0); // another column: ascending again
    EXPECT_FALSE(list.sortDescending());
    EXPECT_EQ(list.sortColumn(), 0);
}

TEST(ValueSearchList, NumbersSortByValueBeforeTextsAndEmptyCells)
{
    std::vector<std::vector<store::Value>> rows = {
        {store::Value(s("a")), store::Value(10)}, {store::Value(s("b")), store::Value(s("x"))},
        {store::Value(s("c")), store::Value()},   {store::Value(s("d")), store::Value(9.5)},
        {store::Value(s("e")), store::Value(2)},
    };
    ValueSearchList list({s("名"), s("値")}, std::move(rows));
    list.sortByHeaderClick(1);
    QStringList order;
    for (int r = 0; r < list.rowCount(); ++r)
        order << list.text(r, 0);
    EXPECT_EQ(order, QStringList({s("e"), s("d"), s("a"), s("b"), s("c")}));
}

TEST(ValueSearchList, OneColumnListReturnsEmptyCodes)
{
    ValueSearchList list = places({s("東京"), s("京都")});
    list.setMarked(0, true);
    list.setMarked(1, true);
    EXPECT_EQ(list.choice().names, s("東京+京都"));
    EXPECT_EQ(list.choice().codes, QString());
}

TEST(ValueSearchList, PrefixSearchFindsTheFirstMatchFromTheTop)
{
    const ValueSearchList list = places({s("東京"), s("中山"), s("中京")});
    EXPECT_EQ(list.findPrefix(s("中")), 1);
    EXPECT_EQ(list.findPrefix(s("中京")), 2);
    EXPECT_EQ(list.findPrefix(QString()), 0);
    EXPECT_EQ(list.findPrefix(s("東京競馬場")), -1);
}

TEST(ValueSearchList, ReadsATableOrASelectWithFieldNamesAndStatus)
{
    QTemporaryDir dir;
    auto db = store::Database::create(dir.filePath(s("app.mdb")));
    db->execute(s("CREATE TABLE 騎手 (騎手名 CHAR(10), 騎手コード CHAR(5), 登録 CHAR(4))"));
    db->execute(s("INSERT INTO 騎手 VALUES ('山田', '00001', '')"));
    db->execute(s("INSERT INTO 騎手 VALUES ('佐藤', '00002', '抹消')"));

    const ValueSearchList table = ValueSearchList::read(*db, s("騎手"));
    ASSERT_EQ(table.columnCount(), 3);
    EXPECT_EQ(table.header(2), s("登録"));
    ASSERT_EQ(table.rowCount(), 2);
    EXPECT_FALSE(table.isStruckOff(0));
    EXPECT_TRUE(table.isStruckOff(1));

    // Jet SQL: "&" concatenation and a double-quoted literal.
    const ValueSearchList select = ValueSearchList::read(
        *db, s("SELECT 騎手名 & \"騎手\" AS 名前, 騎手コード FROM 騎手 WHERE 登録 <> \"抹消\" ORDER BY 騎手コード"));
    ASSERT_EQ(select.rowCount(), 1);
    EXPECT_EQ(select.header(0), s("名前"));
    EXPECT_EQ(select.text(0, 0), s("山田騎手"));
    EXPECT_FALSE(select.isStruckOff(0));

    EXPECT_THROW(ValueSearchList::read(*db, s("存在しない表")), store::DbError);
}

} // namespace
} // namespace tq::conditions
