#include "conditions/Clauses.h"

#include "common/Tokens.h"
#include "common/VbNumber.h"
#include "conditions/Rewrites.h"
#include "store/Value.h"

#include <array>
#include <cmath>
#include <vector>

namespace tq::conditions {

namespace {

const QString kAnd = QStringLiteral(" AND ");
const QString kOr = QStringLiteral(" OR ");
const QChar kQuote = QLatin1Char('\'');

// The first `count` comma tokens of a stored value (missing ones empty).
std::vector<QString> tokens(const QString& value, int count)
{
    std::vector<QString> result;
    result.reserve(static_cast<size_t>(count));
    int position = 1;
    for (int i = 0; i < count; ++i)
        result.push_back(common::funGetToken(value, position));
    return result;
}

// Pairs each data entry with its token of the value; stops at the first empty
// token (or when either side runs out).
std::vector<std::pair<const DataEntry*, QString>> pairTicks(const std::vector<DataEntry>& entries, const QString& value)
{
    std::vector<std::pair<const DataEntry*, QString>> pairs;
    int position = 1;
    for (const DataEntry& entry : entries) {
        const QString token = common::funGetToken(value, position);
        if (token.isEmpty())
            break;
        pairs.emplace_back(&entry, token);
    }
    return pairs;
}

// Trims half-width blanks only, as the original runtime's Trim did.
QString trimBlanks(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == QLatin1Char(' '))
        ++begin;
    while (end > begin && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.mid(begin, end - begin);
}

double toDouble(const QString& text)
{
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok)
        throw ClauseError(13, QStringLiteral("型が一致しません: '%1' は数値ではありません").arg(text));
    return v;
}

int toSmallInt(const QString& text, int low, int high, const char* what)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (!ok || v < low || v > high)
        throw ClauseError(5, QStringLiteral("%1 '%2' が正しくありません").arg(QString::fromUtf8(what), text));
    return v;
}

const ConditionItem& itemAt(const ConditionCatalogue& catalogue, int itemNumber)
{
    if (itemNumber < 0 || static_cast<size_t>(itemNumber) >= catalogue.items.size())
        throw ClauseError(9, QStringLiteral("条件項目番号 %1 がカタログにありません").arg(itemNumber));
    return catalogue.items[static_cast<size_t>(itemNumber)];
}

QString type0Clause(const ConditionItem& item, const QString& value)
{
    const std::vector<DataEntry> entries = dataEntries(item.data);
    const auto ticks = pairTicks(entries, value);
    bool exclusion = false;
    for (const auto& [entry, tick] : ticks) {
        if (entry->code == QStringLiteral("99999") && tick == QStringLiteral("1"))
            exclusion = true;
    }
    const QString wanted = exclusion ? QStringLiteral("0") : QStringLiteral("1");
    const QString op = exclusion ? QStringLiteral(" <> '") : QStringLiteral(" = '");
    const QString& joiner = exclusion ? kAnd : kOr;
    QString clause;
    for (const auto& [entry, tick] : ticks) {
        if (tick != wanted)
            continue;
        if (!clause.isEmpty())
            clause += joiner;
        clause += item.key + op + quoteLiteral(entry->code) + kQuote;
    }
    return clause;
}

QString type5Clause(const ConditionItem& item, const QString& value, bool& several)
{
    const std::vector<QString> t = tokens(value, 2);
    const bool negate = t[1] == QStringLiteral("1");
    const QString op = negate ? QStringLiteral(" <> ") : QStringLiteral(" = ");
    const QString& joiner = negate ? kAnd : kOr;
    const QString values = trimBlanks(t[0]);

    QString clause;
    clause.reserve(item.key.size() * 2 + values.size() * 2 + 16);
    clause += item.key + op + kQuote;
    for (const QChar c : values) {
        if (c == QLatin1Char('+') || c == QChar(0xFF0B) || c == QLatin1Char('\r')) {
            clause += kQuote + joiner + item.key + op + kQuote;
            several = true;
        } else if (c == QLatin1Char('\n')) {
            continue;
        } else if (c == kQuote) {
            clause += QStringLiteral("''");
        } else {
            clause += c;
        }
    }
    clause += kQuote;
    return clause;
}

QString type9Clause(const ConditionItem& item, const QString& value, bool& several)
{
    const std::vector<QString> t = tokens(value, 4);
    const bool negate = t[2] == QStringLiteral("1");
    const bool all = t[3] == QStringLiteral("1");
    const QString op = negate ? QStringLiteral(" <> ") : QStringLiteral(" = ");
    const QString& within = negate ? kAnd : kOr;
    const QString& between = negate ? (all ? kOr : kAnd) : (all ? kAnd : kOr);

    QStringList keys;
    int position = 1;
    do {
        keys.append(common::funGetAndItem(item.key, position));
    } while (position <= item.key.size());

    const QStringList codes = trimBlanks(t[1]).split(QLatin1Char('+'));
    several = codes.size() > 1;
    QString clause;
    for (qsizetype i = 0; i < codes.size(); ++i) {
        if (i > 0)
            clause += between;
        clause += QLatin1Char('(');
        const QString code = quoteLiteral(codes.at(i));
        for (qsizetype k = 0; k < keys.size(); ++k) {
            if (k > 0)
                clause += within;
            clause += keys.at(k) + op + kQuote + code + kQuote;
        }
        clause += QLatin1Char(')');
    }
    return clause;
}

const std::array<QString, 6> kOperators = {QStringLiteral(" = "), QStringLiteral(" <> "), QStringLiteral(" > "),
                                           QStringLiteral(" < "), QStringLiteral(" >= "), QStringLiteral(" <= ")};
const std::array<QString, 6> kOperatorSymbols = {QStringLiteral("＝"), QStringLiteral("≠"), QStringLiteral("＞"),
                                                 QStringLiteral("＜"), QStringLiteral("≧"), QStringLiteral("≦")};
const std::array<QString, 3> kSigns = {QString(), QStringLiteral(" + "), QStringLiteral(" - ")};
const std::array<QString, 3> kSignSymbols = {QStringLiteral(" "), QStringLiteral("+"), QStringLiteral("-")};
const std::array<QString, 5> kRunLabels = {QStringLiteral("前走"), QStringLiteral("２走前"), QStringLiteral("３走前"),
                                           QStringLiteral("４走前"), QStringLiteral("５走前")};

QString comparisonClause(const ConditionCatalogue& catalogue, const ConditionItem& item, const QString& value,
                         int target)
{
    const std::vector<QString> t = tokens(value, 3);
    const int op = toSmallInt(t[0], 0, 5, "比較演算子");
    const int sign = toSmallInt(t[1], 0, 2, "符号");
    const QString& k = item.key;
    const QString z = funZensouHenkan(catalogue, k, target);
    const QString& oper = kOperators[static_cast<size_t>(op)];
    if (sign == 0)
        return k + oper + z;
    const QString& signText = kSigns[static_cast<size_t>(sign)];
    if (item.type == 3)
        return QStringLiteral("INT(") + k + QStringLiteral(")") + oper + QStringLiteral("INT(") + z +
               QStringLiteral(")") + signText + t[2];
    return k + oper + z + signText + t[2];
}

QString rangeText(const QString& key, const QString& from, const QString& to, bool quoted)
{
    if (quoted)
        return key + QStringLiteral(" >= '") + quoteLiteral(from) + QStringLiteral("' AND ") + key +
               QStringLiteral(" <= '") + quoteLiteral(to) + kQuote;
    return key + QStringLiteral(" >= ") + from + kAnd + key + QStringLiteral(" <=") + to;
}

QString eightDigitDate(const QString& date)
{
    return date.left(4) + date.mid(5, 2) + date.right(2);
}

} // namespace

std::vector<DataEntry> dataEntries(const QString& data)
{
    std::vector<DataEntry> entries;
    int position = 1;
    while (position <= data.size()) {
        const QString token = common::funGetToken(data, position);
        const qsizetype colon = token.indexOf(QLatin1Char(':'));
        if (colon < 0)
            entries.push_back({token, token});
        else
            entries.push_back({token.left(colon), token.mid(colon + 1)});
    }
    return entries;
}

ClauseError::ClauseError(int number, const QString& message)
    : std::runtime_error(message.toStdString()), m_number(number), m_message(message)
{
}

QString quoteLiteral(const QString& text)
{
    if (!text.contains(kQuote))
        return text;
    QString result = text;
    result.replace(kQuote, QStringLiteral("''"));
    return result;
}

void funJoukenSql(const ConditionCatalogue& catalogue, QString& where, int itemNumber, const QString& value, int target)
{
    const ConditionItem& item = itemAt(catalogue, itemNumber);
    const QString& k = item.key;
    QString clause;
    bool wrap = false;

    if (isComparisonTarget(target)) {
        clause = comparisonClause(catalogue, item, value, target);
    } else {
        switch (item.type) {
        case 0:
            clause = type0Clause(item, value);
            if (clause.isEmpty())
                return;
            wrap = true;
            break;
        case 1:
        case 3: {
            const auto t = tokens(value, 2);
            clause = rangeText(k, t[0], t[1], true);
            break;
        }
        case 2:
        case 4: {
            const auto t = tokens(value, 2);
            clause = rangeText(k, t[0], t[1], false);
            break;
        }
        case 5:
            clause = type5Clause(item, value, wrap);
            break;
        case 6: {
            const auto t = tokens(value, 2);
            clause = rangeText(k, eightDigitDate(t[0]), eightDigitDate(t[1]), true);
            break;
        }
        case 7: {
            int position = 1;
            const QString scaleText = common::funGetToken(item.data, position);
            bool ok = false;
            const int scale = scaleText.trimmed().toInt(&ok);
            if (!ok)
                throw ClauseError(13,
                                  QStringLiteral("型が一致しません: 倍率 '%1' は整数ではありません").arg(scaleText));
            const auto t = tokens(value, 2);
            // Fifteen significant digits, so 1.1 x 10 reads "11", not "11.000000000000002".
            clause = rangeText(k, common::vbCStr(toDouble(t[0]) * scale), common::vbCStr(toDouble(t[1]) * scale), true);
            break;
        }
        case 8: {
            const auto t = tokens(value, 3);
            // Only an explicit "1" (初出走のみ) selects first starts, as the display text says.
            if (t[2] == QStringLiteral("1"))
                clause = k + QStringLiteral(" Is Null");
            else
                clause = rangeText(k, t[0], t[1], false);
            break;
        }
        case 9:
            clause = type9Clause(item, value, wrap);
            break;
        default:
            throw ClauseError(5, QStringLiteral("条件項目 '%1' の型 %2 は扱えません").arg(item.name).arg(item.type));
        }
        if (target % 2 == 1 && target <= 9)
            clause = funZensouHenkan(catalogue, clause, target);
    }

    if (!where.isEmpty())
        where += kAnd;
    if (wrap)
        where += QLatin1Char('(') + clause + QLatin1Char(')');
    else
        where += clause;
}

QString numberValueProblem(const ConditionItem& item, const QString& value, int target)
{
    const auto notNumber = [](const QString& text) {
        bool ok = false;
        const double v = text.trimmed().toDouble(&ok);
        return !ok || !std::isfinite(v);
    };
    const auto notInteger = [](const QString& text, int low, int high) {
        bool ok = false;
        const int v = text.trimmed().toInt(&ok);
        return !ok || v < low || v > high;
    };
    if (isComparisonTarget(target)) {
        const auto t = tokens(value, 3);
        if (notInteger(t[0], 0, 5))
            return QStringLiteral("comparison operator \"%1\" is not 0 to 5").arg(t[0]);
        if (notInteger(t[1], 0, 2))
            return QStringLiteral("comparison sign \"%1\" is not 0 to 2").arg(t[1]);
        if (t[1].trimmed() != u"0" && notNumber(t[2]))
            return QStringLiteral("comparison number \"%1\" is not a number").arg(t[2]);
        return {};
    }
    const auto t = tokens(value, 3);
    const bool numeric = item.type == 2 || item.type == 4 || item.type == 7 || (item.type == 8 && t[2] != u"1");
    for (int i = 0; numeric && i < 2; ++i) {
        if (notNumber(t[static_cast<size_t>(i)]))
            return QStringLiteral("bound \"%1\" is not a number").arg(t[static_cast<size_t>(i)]);
    }
    return {};
}

QString funJoukenHyouji(const ConditionCatalogue& catalogue, int itemNumber, const QString& value, int target)
{
    if (itemNumber < 0 || static_cast<size_t>(itemNumber) >= catalogue.items.size())
        return {};
    const ConditionItem& item = catalogue.items[static_cast<size_t>(itemNumber)];
    const QString blank = QStringLiteral("　");
    const QString tilde = QStringLiteral("～");

    if (isComparisonTarget(target)) {
        const auto t = tokens(value, 3);
        bool okOp = false;
        bool okSign = false;
        const int op = t[0].trimmed().toInt(&okOp);
        const int sign = t[1].trimmed().toInt(&okSign);
        const QString opText = okOp && op >= 0 && op <= 5 ? kOperatorSymbols[static_cast<size_t>(op)] : QString();
        const QString signText = okSign && sign >= 0 && sign <= 2 ? kSignSymbols[static_cast<size_t>(sign)] : QString();
        const int run = runNumberOfTarget(target);
        const QString runText = run >= 1 && run <= 5 ? kRunLabels[static_cast<size_t>(run - 1)] : QString();
        return QStringLiteral("今走") + blank + opText + blank + runText + blank + signText + t[2];
    }

    switch (item.type) {
    case 0: {
        const std::vector<DataEntry> entries = dataEntries(item.data);
        QStringList labels;
        for (const auto& [entry, tick] : pairTicks(entries, value)) {
            if (tick == QStringLiteral("1"))
                labels.append(entry->label);
        }
        return labels.join(QLatin1Char(','));
    }
    case 5: {
        const auto t = tokens(value, 2);
        return t[1] == QStringLiteral("1") ? t[0] + QStringLiteral("[以外]") : t[0];
    }
    case 8: {
        const auto t = tokens(value, 3);
        return t[2] == QStringLiteral("1") ? QStringLiteral("初出走") : t[0] + tilde + t[1];
    }
    case 9: {
        const auto t = tokens(value, 4);
        QString text = t[0];
        if (t[3] == QStringLiteral("1"))
            text += QStringLiteral("[全て含む(AND)]");
        if (t[2] == QStringLiteral("1"))
            text += QStringLiteral("[以外]");
        return text;
    }
    default: {
        const auto t = tokens(value, 2);
        return t[0] + tilde + t[1];
    }
    }
}

QString displayTextOfRow(const ConditionCatalogue& catalogue, const ConditionRow& row)
{
    if (row.isExtended())
        return row.value;
    const auto it = catalogue.nameMap.constFind(row.itemName);
    if (it == catalogue.nameMap.constEnd())
        return {};
    return funJoukenHyouji(catalogue, it.value(), row.value, row.target);
}

QString funCodeMeisyou(const ConditionCatalogue& catalogue, const QString& code, int itemNumber)
{
    if (itemNumber < 0 || static_cast<size_t>(itemNumber) >= catalogue.items.size())
        return code;
    for (const DataEntry& entry : dataEntries(catalogue.items[static_cast<size_t>(itemNumber)].data)) {
        if (entry.code == code)
            return entry.label;
    }
    return code;
}

QString funNullKara(const store::Value& value)
{
    return value.isNull() ? QString() : value.toText();
}

AggregationKeyParts splitAggregationKey(const QString& keyText)
{
    struct Prefix {
        QString text;
        int target;
    };
    static const std::array<Prefix, 10> prefixes = {{
        {QStringLiteral("前走比較"), 2},
        {QStringLiteral("前走"), 1},
        {QStringLiteral("２走前比較"), 4},
        {QStringLiteral("２走前"), 3},
        {QStringLiteral("３走前比較"), 6},
        {QStringLiteral("３走前"), 5},
        {QStringLiteral("４走前比較"), 8},
        {QStringLiteral("４走前"), 7},
        {QStringLiteral("５走前比較"), 10},
        {QStringLiteral("５走前"), 9},
    }};
    for (const Prefix& p : prefixes) {
        if (keyText.startsWith(p.text))
            return {p.text, keyText.mid(p.text.size()), p.target};
    }
    return {QString(), keyText, 0};
}

} // namespace tq::conditions
