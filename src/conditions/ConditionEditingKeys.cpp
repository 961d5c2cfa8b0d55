// The key editor's and list-settings editor's rules: key texts with their
// run prefixes, the level a new key goes to, the range options, and the
// item list of a list-display setting.

#include "conditions/ConditionEditing.h"

#include "common/Tokens.h"

namespace tq::conditions {

QString keyTextOf(const QString& itemName, int target)
{
    if (target <= 0 || target >= kTargetCount)
        return itemName;
    // The prefixes are the target captions without "と": 前走と比較 -> 前走比較.
    return targetCaption(target).remove(QStringLiteral("と")) + itemName;
}

int lowestEmptyLevel(const ConditionSet& set, int chosen)
{
    for (int level = 0; level <= chosen && level < kAggregationLevels; ++level) {
        if (!set.keys[static_cast<size_t>(level)].inUse())
            return level;
    }
    return chosen;
}

bool comparisonKeyAllowed(int type)
{
    return type == 2 || type == 4 || type == 7;
}

bool comparisonTakesOffset(int type)
{
    return type == 2 || type == 3 || type == 4 || type == 7;
}

int keyExpressionCount(const QString& key)
{
    int count = 0;
    int position = 1;
    while (position <= key.size()) {
        if (!common::funGetAndItem(key, position).isEmpty())
            ++count;
    }
    return count;
}

bool applyDefaultRange(const QString& range, RangeChoice& choice)
{
    const QString parameter = range.mid(2);
    switch (range.isEmpty() ? QChar().unicode() : range.at(0).unicode()) {
    case u'0':
        choice.option = RangeOption::AsIs;
        choice.bounds.clear();
        return true;
    case u'2':
        choice.option = RangeOption::Interval;
        choice.interval = parameter;
        return true;
    case u'3':
        choice.option = RangeOption::Bounds;
        choice.bounds = parameter;
        return true;
    case u'9':
        choice.option = RangeOption::Count;
        choice.interval = parameter;
        return true;
    default:
        return false;
    }
}

RangeSpec rangeSpecOf(const RangeChoice& choice)
{
    switch (choice.option) {
    case RangeOption::AsIs:
        return {QStringLiteral("0")};
    case RangeOption::Interval:
        return {QStringLiteral("2,") + choice.interval};
    case RangeOption::Bounds:
        return {QStringLiteral("3,") + choice.bounds};
    case RangeOption::Count:
        return {QStringLiteral("9,") + choice.interval};
    }
    return {};
}

QString rangeOptionMessage(RangeOption option)
{
    switch (option) {
    case RangeOption::AsIs:
        return QStringLiteral("そのままの値で集計します");
    case RangeOption::Interval:
        return QStringLiteral("指定した間隔毎に集計します。下記に集計したい間隔を入力して下さい。");
    case RangeOption::Bounds:
        return QStringLiteral("指定した範囲毎に集計します。下記に集計範囲をカンマで区切って入力して下さい。");
    case RangeOption::Count:
        return QStringLiteral(
            "指定した件数毎に集計し、結果にはその間の平均値を表示します。下記に集計したい件数間隔を入力して下さい。");
    }
    return {};
}

QStringList SettingItemList::defaults()
{
    return {QStringLiteral("開催日"), QStringLiteral("開催場所"), QStringLiteral("Ｒ"),
            QStringLiteral("馬番"),   QStringLiteral("馬名"),     QStringLiteral("着順")};
}

void SettingItemList::add(const QString& text)
{
    if (!items.contains(text))
        items << text;
    selected = static_cast<int>(items.size()) - 1;
}

void SettingItemList::insert(const QString& text)
{
    if (items.contains(text))
        return;
    if (selected < 0 || selected >= items.size()) {
        items << text;
        selected = static_cast<int>(items.size()) - 1;
        return;
    }
    items.insert(selected, text);
}

void SettingItemList::removeSelected()
{
    if (selected < 0 || selected >= items.size())
        return;
    items.removeAt(selected);
    if (selected >= items.size())
        selected = static_cast<int>(items.size()) - 1;
}

void SettingItemList::moveUp()
{
    if (selected <= 0 || selected >= items.size())
        return;
    items.swapItemsAt(selected, selected - 1);
    --selected;
}

void SettingItemList::moveDown()
{
    if (selected < 0 || selected >= items.size() - 1)
        return;
    items.swapItemsAt(selected, selected + 1);
    ++selected;
}

} // namespace tq::conditions
