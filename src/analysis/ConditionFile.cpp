#include "analysis/ConditionFile.h"

#include "analysis/AnalysisDocument.h"
#include "analysis/AnalysisQuery.h"
#include "analysis/ResultDisplay.h"
#include "common/ErrorLog.h"
#include "common/TextFile.h"
#include "common/Tokens.h"
#include "common/VbNumber.h"
#include "conditions/Clauses.h"
#include "conditions/ConditionCatalogue.h"
#include "context/AppContext.h"
#include "context/Busy.h"

#include <algorithm>

namespace tq::analysis {

namespace {

// Target 0-10 -> the letter after "J" (none for the current run).
constexpr char16_t kTargetLetters[conditions::kTargetCount] = {u'\0', u'A', u'H', u'B', u'I', u'C',
                                                               u'J',  u'D', u'K', u'E', u'L'};

int targetOfLetter(QChar c)
{
    for (int t = 1; t < conditions::kTargetCount; ++t) {
        if (c == QChar(kTargetLetters[t]))
            return t;
    }
    return 0;
}

// A text as one line's content: line breaks become blanks.
QString oneLine(const QString& text)
{
    if (!text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\n')))
        return text;
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String(" "));
    t.replace(QLatin1Char('\r'), QLatin1Char(' '));
    t.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return t;
}

// A text as one field of a list: one line, and no "," that would split it.
QString listField(const QString& text)
{
    QString t = oneLine(text);
    t.replace(QLatin1Char(','), QChar(0xFF0C));
    return t;
}

// The K000/K002/K003/K008 lists: "," before a text only when the list built
// so far is not empty, so leading empty texts leave no field.
QString leadingEmptyList(const QStringList& texts)
{
    QString list;
    for (const QString& t : texts) {
        if (!list.isEmpty())
            list += QLatin1Char(',');
        list += listField(t);
    }
    return list;
}

QString flag(bool value)
{
    return value ? QStringLiteral("1") : QStringLiteral("0");
}

bool hasMaskedRow(const AnalysisDocument& document)
{
    return std::any_of(document.conditions.rows.begin(), document.conditions.rows.end(),
                       [](const conditions::ConditionRow& r) { return r.masked; });
}

void warnIfMasked(context::AppContext& context, const AnalysisDocument& document, bool warnMasked)
{
    if (warnMasked && hasMaskedRow(document))
        context.prompter.inform(context::Message{maskedRowsWarning(), {}, context::Icon::Exclamation, true});
}

} // namespace

QString maskedRowsWarning()
{
    return QStringLiteral("【警告】マスクされた項目はお気に入りに保存されません。");
}

QStringList conditionFileLines(const conditions::ConditionCatalogue& catalogue, const AnalysisDocument& document)
{
    const conditions::ConditionSet& set = document.conditions;
    QStringList lines;
    lines << QStringLiteral("MODE,") + common::vbStr(double(set.kind)) + QLatin1Char(',') +
                 listField(set.axisFavourite) + QLatin1Char(',') + flag(set.axisWholeGroup);

    for (const conditions::ConditionRow& row : set.rows) {
        if (row.masked)
            continue;
        if (row.isExtended()) {
            lines << QStringLiteral("JKAK,") + oneLine(row.value);
            continue;
        }
        const auto it = catalogue.nameMap.constFind(row.itemName);
        if (it == catalogue.nameMap.constEnd())
            throw ConditionFileError("condition item not in the catalogue: " + row.itemName.toStdString());
        QString tag = QStringLiteral("J");
        if (row.target > 0 && row.target < conditions::kTargetCount)
            tag += QChar(kTargetLetters[row.target]);
        tag += QStringLiteral("%1").arg(int(it.value()), 3, 10, QLatin1Char('0'));
        lines << tag + QLatin1Char(',') + oneLine(row.value);
    }

    lines << QStringLiteral("K000,") +
                 leadingEmptyList(QStringList(document.summaryLabels.begin(), document.summaryLabels.end()));
    QStringList keys;
    for (const conditions::AggregationKey& key : set.keys)
        keys << key.key;
    lines << QStringLiteral("K002,") + leadingEmptyList(keys);

    const Sheet& result = document.result;
    lines << QStringLiteral("K003,") + leadingEmptyList(result.headers());
    QStringList widths;
    for (int c = 0; c < result.columnCount(); ++c)
        widths << columnWidthText(result.columnWidth(c));
    lines << QStringLiteral("K008,") + leadingEmptyList(widths);
    // Result figures are written with the one decimal place of the analysis
    // window, also from a viewer that shows them without places.
    for (int r = 0; r < result.rowCount(); ++r) {
        QString line = QStringLiteral("K004");
        for (int c = 0; c < result.columnCount(); ++c)
            line += QLatin1Char(',') + listField(result.displayText(r, c, 1));
        lines << line;
    }

    lines << QStringLiteral("K005,") + oneLine(document.comment);
    const conditions::FavouriteFilter& fav = set.favourite;
    lines << QStringLiteral("K006,") + listField(fav.name) + QLatin1Char(',') + flag(fav.isFavourite) +
                 QLatin1Char(',') + flag(fav.wholeGroup) + QLatin1Char(',') + listField(fav.havingOperator) +
                 QLatin1Char(',') + listField(fav.havingNumber);
    lines << QStringLiteral("K007,") + oneLine(document.author);
    return lines;
}

void saveConditionFile(context::AppContext& context, AnalysisDocument& document, const QString& path, bool warnMasked)
{
    warnIfMasked(context, document, warnMasked);
    common::writeTextLinesAtomic(path, conditionFileLines(context.catalogue, document));
    document.modified = false;
}

QString conditionText(context::AppContext& context, const AnalysisDocument& document, bool warnMasked)
{
    warnIfMasked(context, document, warnMasked);
    QString text;
    for (const QString& line : conditionFileLines(context.catalogue, document))
        text += line + QStringLiteral("\r\n");
    return text;
}

void writeConditionLines(context::AppContext& context, const AnalysisDocument& document, common::Cp932LineWriter& out,
                         bool warnMasked)
{
    warnIfMasked(context, document, warnMasked);
    for (const QString& line : conditionFileLines(context.catalogue, document))
        out.writeLine(line);
}

namespace {

// Sizes far beyond any document the editor makes (a few hundred values, a
// result of some thousand rows): a longer input is refused before its SQL
// could take the analysis minutes to translate.
constexpr qsizetype kMaxConditionFileBytes = 32 * 1024 * 1024;
constexpr qsizetype kMaxConditionValue = 64 * 1024;
constexpr qsizetype kCancelCheckLines = 4096;

// Lines of a condition text: cut at each CR, a following LF skipped; the
// text after the last CR is not a line.
QStringList textLines(const QString& text)
{
    QStringList lines;
    qsizetype start = 0;
    for (;;) {
        const qsizetype cr = text.indexOf(QLatin1Char('\r'), start);
        if (cr < 0)
            break;
        lines << text.mid(start, cr - start);
        start = cr + 1;
        if (start < text.size() && text[start] == QLatin1Char('\n'))
            ++start;
    }
    return lines;
}

class Loader {
public:
    Loader(context::AppContext& context, AnalysisDocument& document, const QString& source,
           const ConditionLoadOptions& options)
        : m_ctx(context), m_doc(document), m_source(source), m_opt(options)
    {
    }

    ConditionLoadResult run()
    {
        m_doc.conditions.rows.clear();
        m_doc.conditions.kind = conditions::AnalysisKind::WinPlace;

        QStringList lines;
        std::vector<int> badLines; // file line numbers of the lines that did not decode
        if (m_opt.input == ConditionInput::File) {
            try {
                // A line that does not decode is skipped like any other bad
                // line; the rest of the file still loads.
                bool utf8WithoutBom = false;
                lines = common::readTextLinesSkippingBad(
                    m_source,
                    [&](const common::TextFileError& e) {
                        badLines.push_back(e.line());
                        report(e.message());
                    },
                    kMaxConditionFileBytes, &utf8WithoutBom);
                if (utf8WithoutBom)
                    report(QStringLiteral("read as UTF-8: the file has no byte-order mark and is not CP932"));
            } catch (const common::TextFileError& e) {
                report(e.message());
            }
        } else if (m_source.size() > kMaxConditionFileBytes) {
            report(QStringLiteral("the condition text is longer than %1 characters").arg(kMaxConditionFileBytes));
        } else {
            lines = textLines(m_source);
        }

        std::size_t bad = 0;
        for (qsizetype i = 0; i < lines.size(); ++i) {
            m_lineNumber = int(i) + 1 + int(bad);
            while (bad < badLines.size() && badLines[bad] <= m_lineNumber)
                m_lineNumber = int(i) + 1 + int(++bad);
            if (i % kCancelCheckLines == 0 && m_ctx.busy.cancelled()) {
                reportLine(QStringLiteral("reading cancelled"));
                break;
            }
            bool stop = false;
            try {
                stop = !applyLine(lines.at(i));
            } catch (const conditions::ClauseError& e) {
                reportLine(e.message() + QStringLiteral(": ") + lines.at(i));
            } catch (const std::exception& e) {
                reportLine(QString::fromUtf8(e.what()) + QStringLiteral(": ") + lines.at(i));
            }
            if (stop)
                break;
        }
        m_lineNumber = 0;

        if (m_doc.author.isEmpty() || m_doc.author == QLatin1String(" "))
            m_doc.author = m_ctx.userName;
        return m_res;
    }

private:
    // Every report marks the source as only partly read.
    void report(const QString& description)
    {
        m_res.result = 1;
        m_ctx.errorLog.report(common::ErrorInfo{0, description, m_source}, QStringLiteral("funJoukenLoad"));
    }

    // A report about the line being applied, naming its number.
    void reportLine(const QString& description)
    {
        report(m_lineNumber > 0 ? QStringLiteral("line %1: %2").arg(m_lineNumber).arg(description) : description);
    }

    // Applies one line; false when reading must stop (kind 3).
    bool applyLine(const QString& line)
    {
        const qsizetype comma = line.indexOf(QLatin1Char(','));
        const QString tag = comma < 0 ? line : line.left(comma);
        const QString rest = comma < 0 ? QString() : line.mid(comma + 1);
        int pos = int(tag.size()) + 2; // just after the tag's ","

        if (tag == QLatin1String("MODE")) {
            readMode(line, pos);
            return true;
        }
        if (tag == QLatin1String("JKAK")) {
            conditions::ConditionRow row;
            row.itemName = conditions::extendedItemName();
            row.value = rest;
            row.display = rest;
            m_doc.conditions.rows.push_back(row);
            return true;
        }
        if (tag.startsWith(QLatin1Char('J'))) {
            readCondition(tag, rest);
            return true;
        }
        if (m_opt.input == ConditionInput::ConditionsOnly)
            return false;

        if (tag == QLatin1String("K000")) {
            for (QString& label : m_doc.summaryLabels)
                label = common::funGetToken(line, pos);
        } else if (tag == QLatin1String("K002")) {
            readKeys(line, pos);
        } else if (tag == QLatin1String("K003")) {
            subKekkaHeader(m_ctx.appDb.get(), line, pos, m_doc.result);
        } else if (tag == QLatin1String("K008")) {
            subKekkaWidth(line, pos, m_doc.result);
        } else if (tag == QLatin1String("K004")) {
            subKekkaRow(m_ctx.colours, line, pos, m_doc.result, !m_opt.viewer);
        } else if (tag == QLatin1String("K005")) {
            m_doc.comment = m_opt.commentOverride.isEmpty() ? rest : m_opt.commentOverride;
        } else if (tag == QLatin1String("K006")) {
            conditions::FavouriteFilter& fav = m_doc.conditions.favourite;
            fav.name = common::funGetToken(line, pos);
            fav.isFavourite = common::vbVal(common::funGetToken(line, pos)) != 0;
            fav.wholeGroup = common::vbVal(common::funGetToken(line, pos)) != 0;
            fav.havingOperator = common::funGetToken(line, pos);
            fav.havingNumber = common::funGetToken(line, pos);
        } else if (tag == QLatin1String("K007")) {
            m_doc.author = m_opt.userOverride.isEmpty() ? rest : m_opt.userOverride;
        } else if (tag == QLatin1String("K009")) {
            if (m_opt.viewer)
                m_res.splitterTwips = common::vbVal(common::funGetToken(line, pos));
        }
        return true;
    }

    void readMode(const QString& line, int pos)
    {
        const double kind = common::vbVal(common::funGetToken(line, pos));
        if (kind < 1)
            return;
        if (kind > 3 || kind != int(kind)) {
            reportLine(QStringLiteral("analysis kind out of range (0 to 3), read as 0: ") + line);
            return;
        }
        conditions::ConditionSet& set = m_doc.conditions;
        set.kind = conditions::AnalysisKind(int(kind));
        set.axisFavourite = common::funGetToken(line, pos);
        set.axisWholeGroup = common::vbVal(common::funGetToken(line, pos)) != 0;
    }

    // Key texts up to the first empty field. An unknown key is reported and
    // skipped, so the keys after it move up and the levels stay without a
    // gap; levels beyond twenty are reported and dropped.
    void readKeys(const QString& line, int pos)
    {
        int level = 0;
        int fields = 0;
        for (;;) {
            const QString key = common::funGetToken(line, pos);
            if (key.isEmpty())
                break;
            ++fields;
            if (aggregationKeyExpression(m_ctx.catalogue, key).isEmpty()) {
                reportLine(QStringLiteral("aggregation key not in the catalogue, skipped: ") + key);
            } else if (level == conditions::kAggregationLevels) {
                reportLine(QStringLiteral("more than %1 aggregation keys, skipped: ").arg(conditions::kAggregationLevels) +
                           key);
            } else if (level < conditions::kAggregationLevels) {
                m_doc.conditions.keys[size_t(level++)].key = key;
            }
        }
        // The levels a skipped key would have taken do not keep older keys.
        for (int i = level; i < std::min(fields, conditions::kAggregationLevels); ++i)
            m_doc.conditions.keys[size_t(i)] = {};
    }

    // "J" [target letter] three digits; anything else is no condition tag.
    static int itemNumberOfTag(const QString& tag, int& target)
    {
        target = tag.size() > 1 ? targetOfLetter(tag[1]) : 0;
        const QStringView digits = QStringView(tag).mid(target == 0 ? 1 : 2);
        if (digits.size() != 3 || !std::all_of(digits.begin(), digits.end(), [](QChar c) { return c.isDigit() && c.unicode() < 0x80; }))
            return -1;
        return digits.toInt();
    }

    void readCondition(const QString& tag, const QString& value)
    {
        int target = 0;
        const int number = itemNumberOfTag(tag, target);
        const auto& items = m_ctx.catalogue.items;
        if (number < 0) {
            reportLine(QStringLiteral("not a condition tag (J, a run letter, three digits), skipped: ") + tag);
            return;
        }
        if (number >= int(items.size())) {
            reportLine(QStringLiteral("condition item not in the catalogue: ") + tag);
            return;
        }
        const conditions::ConditionItem& item = items[size_t(number)];
        if (m_opt.input == ConditionInput::TextNoPreRace && item.group == u"直前情報" &&
            (target == 0 || target % 2 == 0)) {
            m_res.result = 1;
            return;
        }
        if (value.size() > kMaxConditionValue) {
            reportLine(QStringLiteral("the value of %1 is longer than %2 characters, skipped").arg(item.name).arg(kMaxConditionValue));
            return;
        }
        if (const QString problem = conditions::numberValueProblem(item, value, target); !problem.isEmpty()) {
            reportLine(QStringLiteral("%1 of %2, skipped: %3").arg(problem, item.name, tag + QLatin1Char(',') + value));
            return;
        }
        conditions::ConditionRow row;
        row.group = item.group;
        row.itemName = item.name;
        row.targetCaption = conditions::targetCaption(target);
        row.target = qint16(target);
        row.value = value;
        row.display = conditions::funJoukenHyouji(m_ctx.catalogue, item.number, value, target);
        m_doc.conditions.rows.push_back(row);
    }

    context::AppContext& m_ctx;
    AnalysisDocument& m_doc;
    const QString& m_source;
    const ConditionLoadOptions& m_opt;
    ConditionLoadResult m_res;
    int m_lineNumber = 0; // of the line being applied; 0 outside the lines
};

} // namespace

ConditionLoadResult funJoukenLoad(context::AppContext& context, AnalysisDocument& document, const QString& source,
                                  const ConditionLoadOptions& options)
{
    return Loader(context, document, source, options).run();
}

} // namespace tq::analysis
