#include "conditions/ConditionEditing.h"

#include "common/Tokens.h"
#include "conditions/Clauses.h"

namespace tq::conditions {

namespace {

const QString kDateFormat = QStringLiteral("yyyy/MM/dd");
const QChar kComma = QLatin1Char(',');

QString flag(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

// The comma tokens of a stored value, as many as it has.
QStringList tokensOf(const QString& value)
{
    QStringList result;
    int position = 1;
    while (position <= value.size())
        result << common::funGetToken(value, position);
    return result;
}

QString tokenAt(const QStringList& tokens, int index)
{
    return index < tokens.size() ? tokens.at(index) : QString();
}

int indexAt(const QStringList& tokens, int index, int count)
{
    bool ok = false;
    const int n = tokenAt(tokens, index).trimmed().toInt(&ok);
    return ok && n >= 0 && n < count ? n : 0;
}

} // namespace

EditorFrame frameOf(int type, int target)
{
    if (isComparisonTarget(target))
        return EditorFrame::Comparison;
    switch (type) {
    case 0:
        return EditorFrame::Choices;
    case 1:
    case 2:
    case 8:
        return EditorFrame::Range;
    case 3:
    case 4:
    case 7:
        return EditorFrame::RangeChoice;
    case 5:
    case 9:
        return EditorFrame::Direct;
    case 6:
        return EditorFrame::Dates;
    default:
        return EditorFrame::None;
    }
}

QString storedValueOf(int type, int target, const EditorValues& v)
{
    switch (frameOf(type, target)) {
    case EditorFrame::Comparison:
        return QString::number(v.comparison) + kComma + QString::number(v.sign) + kComma + v.number;
    case EditorFrame::Choices: {
        QStringList ticks;
        for (bool tick : v.ticks)
            ticks << flag(tick);
        return ticks.join(kComma);
    }
    case EditorFrame::Range:
        return v.from + kComma + v.to + (type == 8 ? kComma + flag(v.firstRunOnly) : QString());
    case EditorFrame::RangeChoice:
        return v.from + kComma + v.to;
    case EditorFrame::Direct:
        if (type == 9)
            return v.names + kComma + v.codes + kComma + flag(v.exclude) + kComma + flag(v.allOf);
        return v.names + kComma + flag(v.exclude);
    case EditorFrame::Dates:
        return v.fromDate.toString(kDateFormat) + kComma + v.toDate.toString(kDateFormat);
    default:
        return {};
    }
}

EditorValues valuesFromStored(int type, int target, const QString& value)
{
    const QStringList t = tokensOf(value);
    EditorValues v;
    switch (frameOf(type, target)) {
    case EditorFrame::Comparison:
        v.comparison = indexAt(t, 0, 6);
        v.sign = indexAt(t, 1, 3);
        v.number = tokenAt(t, 2);
        break;
    case EditorFrame::Choices:
        for (const QString& token : t)
            v.ticks.push_back(token == QStringLiteral("1"));
        break;
    case EditorFrame::Range:
    case EditorFrame::RangeChoice:
        v.from = tokenAt(t, 0);
        v.to = tokenAt(t, 1);
        v.firstRunOnly = type == 8 && tokenAt(t, 2) == QStringLiteral("1");
        break;
    case EditorFrame::Direct:
        v.names = tokenAt(t, 0);
        if (type == 9) {
            v.codes = tokenAt(t, 1);
            v.exclude = tokenAt(t, 2) == QStringLiteral("1");
            v.allOf = tokenAt(t, 3) == QStringLiteral("1");
        } else {
            v.exclude = tokenAt(t, 1) == QStringLiteral("1");
        }
        break;
    case EditorFrame::Dates:
        v.fromDate = QDate::fromString(tokenAt(t, 0), kDateFormat);
        v.toDate = QDate::fromString(tokenAt(t, 1), kDateFormat);
        break;
    default:
        break;
    }
    return v;
}

MadeCondition subJoukenMake(const ConditionCatalogue& catalogue, const ConditionItem& item, int target,
                            const EditorValues& values)
{
    const QString value = storedValueOf(item.type, target, values);
    return {funJoukenHyouji(catalogue, item.number, value, target), value};
}

int funJoukenGyou(const ConditionSet& set, const QString& itemName, int target)
{
    const int count = static_cast<int>(set.rows.size());
    for (int i = 0; i < count; ++i) {
        const ConditionRow& row = set.rows[static_cast<size_t>(i)];
        if (row.itemName == itemName && (target < 0 || row.target == target))
            return i;
    }
    return count;
}

bool groupInUse(const ConditionSet& set, const QString& group)
{
    for (const ConditionRow& row : set.rows) {
        if (row.group == group)
            return true;
    }
    return false;
}

std::array<bool, kTargetCount> targetsInUse(const ConditionSet& set, const QString& itemName)
{
    std::array<bool, kTargetCount> used{};
    for (const ConditionRow& row : set.rows) {
        if (row.itemName == itemName && row.target >= 0 && row.target < kTargetCount)
            used[static_cast<size_t>(row.target)] = true;
    }
    return used;
}

void writeCondition(ConditionSet& set, EditorRows& rows, const ConditionItem& item, int target,
                    const MadeCondition& made)
{
    const int count = static_cast<int>(set.rows.size());
    if (rows.edited < 0 || rows.edited > count)
        rows.edited = count;
    if (rows.edited == count) {
        ConditionRow row;
        row.group = item.group;
        row.itemName = item.name;
        row.targetCaption = targetCaption(target);
        row.target = static_cast<qint16>(target);
        set.rows.push_back(row);
        if (rows.extended == count)
            rows.extended = count + 1;
    }
    ConditionRow& row = set.rows[static_cast<size_t>(rows.edited)];
    row.masked = false;
    row.display = made.display;
    row.value = made.value;
}

void writeExtended(ConditionSet& set, EditorRows& rows, const QString& text)
{
    const int count = static_cast<int>(set.rows.size());
    if (rows.extended < 0 || rows.extended > count)
        rows.extended = count;
    if (rows.extended == count) {
        ConditionRow row;
        row.itemName = extendedItemName();
        set.rows.push_back(row);
        if (rows.edited == count)
            rows.edited = count + 1;
    }
    ConditionRow& row = set.rows[static_cast<size_t>(rows.extended)];
    row.masked = false;
    row.display = joinLines(text);
    row.value = row.display;
    rows.extended = static_cast<int>(set.rows.size());
}

QString joinLines(const QString& text)
{
    QString result = text;
    result.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    result.replace(QLatin1Char('\r'), QLatin1Char(' '));
    result.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return result;
}

QString appendClause(const ConditionCatalogue& catalogue, const QString& boxText, const ConditionItem& item, int target,
                     const EditorValues& values)
{
    QString where;
    funJoukenSql(catalogue, where, item.number, storedValueOf(item.type, target, values), target);
    return boxText + where + QLatin1Char(' ');
}

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
