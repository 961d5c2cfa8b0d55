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

QStringList commaTokens(const QString& text)
{
    QStringList result;
    int position = 1;
    while (position <= text.size())
        result << common::funGetToken(text, position);
    return result;
}

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
    const QStringList t = commaTokens(value);
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

} // namespace tq::conditions
