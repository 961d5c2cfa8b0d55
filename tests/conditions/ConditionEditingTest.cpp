// The condition editor's rules without widgets: stored values and display
// texts made from control values and read back, where OK and 確定 write, the
// key text and level of a new aggregation key, range choices and the item
// list of a list setting.

#include "conditions/ConditionEditing.h"
#include "conditions/Clauses.h"

#include <gtest/gtest.h>

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

ConditionItem makeItem(qint16 number, const char* name, const char* key, qint16 type, const char* data)
{
    ConditionItem item;
    item.number = number;
    item.group = s("G");
    item.name = s(name);
    item.key = s(key);
    item.type = type;
    item.data = s(data);
    return item;
}

ConditionCatalogue catalogue()
{
    ConditionCatalogue cat;
    cat.items = {makeItem(0, "t0", "J", 0, "c1:一,c2:二,c3:三"),
                 makeItem(1, "t2", "K", 2, "1,9"),
                 makeItem(2, "t5", "K5", 5, ""),
                 makeItem(3, "t6", "D", 6, ""),
                 makeItem(4, "t7", "K7", 7, "10,1.0,1.5,2.0"),
                 makeItem(5, "t8", "K8", 8, "1,9"),
                 makeItem(6, "t9", "k1 & k2", 9, "")};
    for (const ConditionItem& item : cat.items) {
        cat.nameMap.insert(item.name, item.number);
        cat.order.push_back(item.number);
    }
    return cat;
}

struct MakeCase {
    int item;
    int target;
    EditorValues values;
    const char* value;
    const char* display;
};

TEST(ConditionEditing, ControlValuesGiveStoredValueAndDisplayAndReadBackTheSame)
{
    const ConditionCatalogue cat = catalogue();
    EditorValues ticks;
    ticks.ticks = {false, true, true};
    EditorValues range;
    range.from = s("1");
    range.to = s("3");
    EditorValues firstRun = range;
    firstRun.firstRunOnly = true;
    EditorValues direct;
    direct.names = s("A+B");
    direct.exclude = true;
    EditorValues picked;
    picked.names = s("東京+中山");
    picked.codes = s("05+06");
    picked.allOf = true;
    EditorValues dates;
    dates.fromDate = QDate(2024, 1, 5);
    dates.toDate = QDate(2024, 12, 28);
    EditorValues scaled;
    scaled.from = s("1.5");
    scaled.to = s("2.0");
    EditorValues compare;
    compare.comparison = 4;
    compare.sign = 1;
    compare.number = s("10");
    const MakeCase cases[] = {
        {0, 0, ticks, "0,1,1", "二,三"},
        {1, 0, range, "1,3", "1～3"},
        {1, 3, range, "1,3", "1～3"}, // a previous run keeps the type's format
        {5, 0, firstRun, "1,3,1", "初出走"},
        {2, 0, direct, "A+B,1", "A+B[以外]"},
        {6, 0, picked, "東京+中山,05+06,0,1", "東京+中山[全て含む(AND)]"},
        {3, 0, dates, "2024/01/05,2024/12/28", "2024/01/05～2024/12/28"},
        {4, 0, scaled, "1.5,2.0", "1.5～2.0"},
        {1, 4, compare, "4,1,10", "今走　≧　２走前　+10"},
        {1, 0, EditorValues{}, ",", "～"}, // empty bounds are stored as they are
    };
    for (const MakeCase& c : cases) {
        const ConditionItem& item = cat.items[static_cast<size_t>(c.item)];
        const MadeCondition made = subJoukenMake(cat, item, c.target, c.values);
        EXPECT_EQ(made.value, s(c.value)) << c.item << "/" << c.target;
        EXPECT_EQ(made.display, s(c.display)) << c.item << "/" << c.target;
        const EditorValues back = valuesFromStored(item.type, c.target, made.value);
        EXPECT_EQ(storedValueOf(item.type, c.target, back), made.value) << c.item << "/" << c.target;
    }
}

TEST(ConditionEditing, RowsFindNewAndExistingAndTheEmptyLineMovesAlong)
{
    const ConditionCatalogue cat = catalogue();
    ConditionSet set;
    EditorRows rows{0, 0}; // both on the empty line of an empty set
    const ConditionItem& t2 = cat.items[1];
    writeCondition(set, rows, t2, 1, {s("1～3"), s("1,3")});
    ASSERT_EQ(set.rows.size(), 1u);
    EXPECT_EQ(set.rows[0].group, s("G"));
    EXPECT_EQ(set.rows[0].itemName, s("t2"));
    EXPECT_EQ(set.rows[0].targetCaption, s("前走"));
    EXPECT_EQ(set.rows[0].target, 1);
    EXPECT_EQ(rows.extended, 1); // followed the empty line

    EXPECT_EQ(funJoukenGyou(set, s("t2"), 1), 0);
    EXPECT_EQ(funJoukenGyou(set, s("t2"), -1), 0);
    EXPECT_EQ(funJoukenGyou(set, s("t2"), 0), 1);

    // An existing row is overwritten and unmasked; nothing is added.
    set.rows[0].masked = true;
    rows.edited = funJoukenGyou(set, s("t2"), 1);
    writeCondition(set, rows, t2, 1, {s("2～4"), s("2,4")});
    ASSERT_EQ(set.rows.size(), 1u);
    EXPECT_FALSE(set.rows[0].masked);
    EXPECT_EQ(set.rows[0].value, s("2,4"));

    // 確定 on the empty line: a one-line extended row, R follows, E back on the empty line.
    rows = {1, 1};
    writeExtended(set, rows, s("A = 1\r\nOR\nB = 2\rX"));
    ASSERT_EQ(set.rows.size(), 2u);
    EXPECT_TRUE(set.rows[1].isExtended());
    EXPECT_EQ(set.rows[1].value, s("A = 1 OR B = 2 X"));
    EXPECT_EQ(set.rows[1].display, set.rows[1].value);
    EXPECT_TRUE(set.rows[1].group.isEmpty());
    EXPECT_EQ(rows.edited, 2);
    EXPECT_EQ(rows.extended, 2);

    // 確定 on an existing extended row rewrites it.
    rows.extended = 1;
    writeExtended(set, rows, s("C = 3"));
    EXPECT_EQ(set.rows.size(), 2u);
    EXPECT_EQ(set.rows[1].value, s("C = 3"));
}

TEST(ConditionEditing, ExtendedOkAppendsTheClauseWithABlank)
{
    const ConditionCatalogue cat = catalogue();
    EditorValues range;
    range.from = s("1");
    range.to = s("3");
    EXPECT_EQ(appendClause(cat, s("X = 1 AND "), cat.items[1], 0, range), s("X = 1 AND K >= 1 AND K <=3 "));
    EditorValues scaled;
    scaled.from = s("x");
    EXPECT_THROW(appendClause(cat, QString(), cat.items[4], 0, scaled), ClauseError);
}

TEST(ConditionEditing, KeyTextsSplitBackIntoItemAndTarget)
{
    EXPECT_EQ(keyTextOf(s("距離"), 0), s("距離"));
    EXPECT_EQ(keyTextOf(s("距離"), 1), s("前走距離"));
    EXPECT_EQ(keyTextOf(s("距離"), 2), s("前走比較距離"));
    EXPECT_EQ(keyTextOf(s("距離"), 10), s("５走前比較距離"));
    for (int target = 0; target < kTargetCount; ++target) {
        const AggregationKeyParts parts = splitAggregationKey(keyTextOf(s("距離"), target));
        EXPECT_EQ(parts.itemName, s("距離")) << target;
        EXPECT_EQ(parts.target, target);
    }
}

TEST(ConditionEditing, NewKeyGoesToTheLowestEmptyLevelAtOrBelowTheChosenOne)
{
    ConditionSet set;
    set.keys[0].key = s("a");
    set.keys[1].key = s("b");
    set.keys[3].key = s("c");
    EXPECT_EQ(lowestEmptyLevel(set, 5), 2);
    EXPECT_EQ(lowestEmptyLevel(set, 1), 1); // none empty at or below: the chosen level
    EXPECT_EQ(lowestEmptyLevel(set, 0), 0);
}

TEST(ConditionEditing, DefaultRangesChooseTheOptionAndSpecsFollowTheChoice)
{
    struct Case {
        const char* range;
        bool shown;
        RangeOption option;
        const char* expected;
    };
    const Case cases[] = {
        {"2,200", true, RangeOption::Interval, "2,200"},
        {"3,1,5,10", true, RangeOption::Bounds, "3,1,5,10"},
        {"0", true, RangeOption::AsIs, "0"},
        {"9,50", true, RangeOption::Count, "9,50"},
        {"", false, RangeOption::AsIs, "0"},
        {"7,1", false, RangeOption::AsIs, "0"},
    };
    for (const Case& c : cases) {
        RangeChoice choice;
        EXPECT_EQ(applyDefaultRange(s(c.range), choice), c.shown) << c.range;
        EXPECT_EQ(choice.option, c.option) << c.range;
        EXPECT_EQ(rangeSpecOf(choice).text, s(c.expected)) << c.range;
    }
    // "0" empties the bounds box; the step box keeps its text.
    RangeChoice asIs;
    applyDefaultRange(s("0"), asIs);
    EXPECT_TRUE(asIs.bounds.isEmpty());
    EXPECT_EQ(asIs.interval, s("5"));
}

TEST(ConditionEditing, KeyExpressionsAreCountedAtAmpersands)
{
    EXPECT_EQ(keyExpressionCount(s("k1")), 1);
    EXPECT_EQ(keyExpressionCount(s("k1 & k2")), 2);
    EXPECT_EQ(keyExpressionCount(s("a&b&c")), 3);
}

TEST(ConditionEditing, SettingItemsAreAddedOnceAndMovedWithinBounds)
{
    SettingItemList list;
    list.items = {s("A"), s("B")};
    list.selected = 0;
    list.add(s("A")); // present: only selects the last
    EXPECT_EQ(list.items, (QStringList{s("A"), s("B")}));
    EXPECT_EQ(list.selected, 1);
    list.insert(s("C")); // before the selected entry, then selected
    EXPECT_EQ(list.items, (QStringList{s("A"), s("C"), s("B")}));
    EXPECT_EQ(list.selected, 1);
    list.insert(s("B")); // present: nothing
    EXPECT_EQ(list.items.size(), 3);
    list.moveUp();
    list.moveUp(); // already at the top
    EXPECT_EQ(list.items, (QStringList{s("C"), s("A"), s("B")}));
    EXPECT_EQ(list.selected, 0);
    list.selected = 2;
    list.moveDown(); // already at the bottom
    EXPECT_EQ(list.items.last(), s("B"));
    list.removeSelected();
    EXPECT_EQ(list.items, (QStringList{s("C"), s("A")}));
    EXPECT_EQ(list.selected, 1);
    list.selected = -1;
    list.insert(s("D")); // nothing selected: appended
    EXPECT_EQ(list.items.last(), s("D"));
}

} // namespace
} // namespace tq::conditions
