// Which conditions and keys read a value that exists only after the race.

#include "conditions/LookAhead.h"

#include <gtest/gtest.h>

namespace tq::conditions {
namespace {

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

ConditionCatalogue catalogue()
{
    ConditionCatalogue cat;
    const char* const names[] = {"距離", "確定単勝オッズ", "着順"};
    for (qint16 i = 0; i < 3; ++i) {
        ConditionItem item;
        item.number = i;
        item.name = s(names[i]);
        item.knownAfterRace = i > 0;
        cat.items.push_back(item);
        cat.nameMap.insert(item.name, i);
    }
    return cat;
}

ConditionRow row(const char* item, int target, bool masked = false)
{
    ConditionRow r;
    r.itemName = s(item);
    r.target = qint16(target);
    r.masked = masked;
    return r;
}

TEST(LookAhead, ConditionsOnTheRaceItselfOnly)
{
    const ConditionCatalogue cat = catalogue();
    struct Case {
        std::vector<ConditionRow> rows;
        QStringList expected;
    };
    ConditionRow extended = row("【拡張】", 0);
    extended.value = s("D成績データ.着順 = 1");
    const Case cases[] = {
        {{row("距離", 0)}, {}},
        {{row("距離", 0), row("確定単勝オッズ", 0)}, {s("確定単勝オッズ")}},
        // A previous run's result is known before today's race ...
        {{row("着順", 1), row("確定単勝オッズ", 9)}, {}},
        // ... a comparison with it needs today's value.
        {{row("着順", 2)}, {s("着順")}},
        {{row("着順", 0, true)}, {}},
        {{row("着順", 0), row("着順", 4), row("確定単勝オッズ", 0)}, {s("着順"), s("確定単勝オッズ")}},
        {{row("不明な項目", 0), extended}, {}},
    };
    for (const Case& c : cases) {
        ConditionSet set;
        set.rows = c.rows;
        EXPECT_EQ(lookAheadConditions(cat, set), c.expected) << c.expected.join(u',').toStdString();
    }
}

TEST(LookAhead, KeysAndWarningText)
{
    const ConditionCatalogue cat = catalogue();
    ConditionSet set;
    set.keys[0].key = s("距離");
    set.keys[1].key = s("前走着順");
    set.keys[2].key = s("前走比較着順");
    set.keys[3].key = s("確定単勝オッズ");
    EXPECT_EQ(lookAheadKeys(cat, set), QStringList({s("前走比較着順"), s("確定単勝オッズ")}));

    EXPECT_TRUE(lookAheadWarning({}).isEmpty());
    EXPECT_TRUE(lookAheadWarning({s("着順"), s("確定単勝オッズ")}).contains(s("（着順、確定単勝オッズ）")));
}

} // namespace
} // namespace tq::conditions
