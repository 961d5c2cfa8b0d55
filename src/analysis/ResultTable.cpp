#include "analysis/ResultTable.h"

#include "common/VbNumber.h"
#include "context/AppContext.h"
#include "store/Database.h"

#include <cmath>

namespace tq::analysis {

namespace {

const QStringList& groupHeaders()
{
    static const QStringList headers = {
        QStringLiteral("総件数"), QStringLiteral("１着件数"), QStringLiteral("２着件数"),
        QStringLiteral("３着件数"), QStringLiteral("着外件数"), QStringLiteral("勝率"),
        QStringLiteral("連対率"), QStringLiteral("複勝率"), QStringLiteral("単回収率"),
        QStringLiteral("複回収率"), QStringLiteral("単平均配当"), QStringLiteral("単最高配当"),
        QStringLiteral("複平均配当"), QStringLiteral("複最高配当"), QStringLiteral("最高配当抜き単回収率"),
        QStringLiteral("最高配当抜き複回収率"),
    };
    return headers;
}

const QStringList& raceHeaders()
{
    static const QStringList headers = {QStringLiteral("レース件数"), QStringLiteral("レース勝率"),
                                        QStringLiteral("レース連対率"), QStringLiteral("レース複勝率"),
                                        QStringLiteral("平均頭数")};
    return headers;
}

const QStringList& tailHeaders()
{
    static const QStringList headers = {
        QStringLiteral("最低勝率"), QStringLiteral("最低連対率"), QStringLiteral("最低複勝率"),
        QStringLiteral("戻り均等単回収率"), QStringLiteral("戻り均等最低単回収率"), QStringLiteral("単配当合計"),
        QStringLiteral("複配当合計"), QStringLiteral("均等購入額"),
    };
    return headers;
}

constexpr int kGroupColumns = 16;
constexpr int kRaceColumns = 5;
constexpr int kHiddenColumns = 3;

// First column after the group statistics.
int tailStart(int k) { return k == 0 ? kGroupColumns + kRaceColumns : k + kGroupColumns; }

bool isBlank(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); }

} // namespace

const QStringList& resultStatisticHeaders(bool withRaceColumns)
{
    static const QStringList with = groupHeaders() + raceHeaders() + tailHeaders();
    static const QStringList without = groupHeaders() + tailHeaders();
    return withRaceColumns ? with : without;
}

int resultColumn(int k, QStringView header)
{
    const qsizetype i = resultStatisticHeaders(k == 0).indexOf(header);
    return i < 0 ? -1 : k + int(i);
}

void setupResultColumns(Sheet& sheet, const QStringList& keyTexts)
{
    const int k = int(keyTexts.size());
    const QStringList& stats = resultStatisticHeaders(k == 0);
    sheet.clear();
    sheet.setColumnCount(k + int(stats.size()));
    for (int i = 0; i < k; ++i)
        sheet.setHeader(i, keyTexts[i]);
    for (int i = 0; i < stats.size(); ++i)
        sheet.setHeader(k + i, stats[i]);
    for (int i = sheet.columnCount() - kHiddenColumns; i < sheet.columnCount(); ++i)
        sheet.setColumnWidth(i, 0);
}

bool labelAsNumber(QStringView label, double* value)
{
    qsizetype i = 0;
    const qsizetype n = label.size();
    while (i < n && isBlank(label[i]))
        ++i;
    const qsizetype start = i;
    if (i < n && (label[i] == QLatin1Char('+') || label[i] == QLatin1Char('-')))
        ++i;
    bool digits = false;
    bool point = false;
    for (; i < n; ++i) {
        const QChar c = label[i];
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            digits = true;
        else if (c == QLatin1Char('.') && !point)
            point = true;
        else
            break;
    }
    if (!digits)
        return false;
    if (i < n && (label[i] == QLatin1Char('E') || label[i] == QLatin1Char('e'))) {
        qsizetype j = i + 1;
        if (j < n && (label[j] == QLatin1Char('+') || label[j] == QLatin1Char('-')))
            ++j;
        const qsizetype expStart = j;
        while (j < n && label[j] >= QLatin1Char('0') && label[j] <= QLatin1Char('9'))
            ++j;
        if (j == expStart)
            return false;
        i = j;
    }
    const qsizetype end = i;
    while (i < n && isBlank(label[i]))
        ++i;
    if (i != n)
        return false;
    bool ok = false;
    const double v = label.sliced(start, end - start).toString().toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return false;
    if (value)
        *value = v;
    return true;
}

namespace {

enum class LabelKind { Text, Integer, Decimal };

LabelKind classifyLabel(const QString& label, double& v)
{
    if (!labelAsNumber(label, &v))
        return LabelKind::Text;
    if (!label.contains(QLatin1Char('.')) && v == std::trunc(v) && std::fabs(v) < 9.2e18)
        return LabelKind::Integer;
    return LabelKind::Decimal;
}

} // namespace

void writeLabelCell(Sheet& sheet, int row, int column, const QString& label)
{
    double v = 0;
    switch (classifyLabel(label, v)) {
    case LabelKind::Text: sheet.setText(row, column, label); break;
    case LabelKind::Integer: sheet.setInteger(row, column, qint64(v)); break;
    case LabelKind::Decimal: sheet.setDecimal(row, column, v, 1); break;
    }
}

QString labelDisplayText(const QString& label)
{
    double v = 0;
    switch (classifyLabel(label, v)) {
    case LabelKind::Text: return label;
    case LabelKind::Integer: return QString::number(qint64(v));
    case LabelKind::Decimal: break;
    }
    return common::vbFormat(v, QStringLiteral("0.0"));
}

void writeStatistics(Sheet& sheet, int row, int k, const StatRow& st)
{
    int c = k;
    sheet.setInteger(row, c++, st.n);
    sheet.setInteger(row, c++, st.w1);
    sheet.setInteger(row, c++, st.w2);
    sheet.setInteger(row, c++, st.w3);
    sheet.setInteger(row, c++, st.unplaced());
    sheet.setDecimal(row, c++, st.winRate());
    sheet.setDecimal(row, c++, st.topTwoRate());
    sheet.setDecimal(row, c++, st.topThreeRate());
    sheet.setDecimal(row, c++, st.winReturn());
    sheet.setDecimal(row, c++, st.placeReturn());
    sheet.setDecimal(row, c++, st.winAverage());
    sheet.setInteger(row, c++, st.mw);
    sheet.setDecimal(row, c++, st.placeAverage());
    sheet.setInteger(row, c++, st.mp);
    sheet.setDecimal(row, c++, st.winReturnWithoutMax());
    sheet.setDecimal(row, c++, st.placeReturnWithoutMax());
    if (k == 0) {
        sheet.setInteger(row, c++, st.r);
        sheet.setDecimal(row, c++, st.raceWinRate());
        sheet.setDecimal(row, c++, st.raceTopTwoRate());
        sheet.setDecimal(row, c++, st.raceTopThreeRate());
        sheet.setDecimal(row, c++, st.averageRunners());
    }
    sheet.setDecimal(row, c++, double(st.lowerWinRate()));
    sheet.setDecimal(row, c++, double(st.lowerTopTwoRate()));
    sheet.setDecimal(row, c++, double(st.lowerTopThreeRate()));
    sheet.setDecimal(row, c++, st.equalStakeReturn());
    sheet.setDecimal(row, c++, st.lowerEqualStakeReturn());
    sheet.setDecimal(row, c++, double(st.p));
    sheet.setDecimal(row, c++, double(st.q));
    sheet.setDecimal(row, c++, double(st.s));
}

StatRow readStatistics(const Sheet& sheet, int row, int k)
{
    StatRow st;
    st.n = qint32(sheet.integer(row, k));
    st.w1 = qint32(sheet.integer(row, k + 1));
    st.w2 = qint32(sheet.integer(row, k + 2));
    st.w3 = qint32(sheet.integer(row, k + 3));
    st.mw = qint32(sheet.integer(row, k + 11));
    st.mp = qint32(sheet.integer(row, k + 13));
    const int tail = tailStart(k);
    st.p = qint64(std::llround(sheet.number(row, tail + 5)));
    st.q = qint64(std::llround(sheet.number(row, tail + 6)));
    st.s = float(sheet.number(row, tail + 7));
    return st;
}

void applyStoredColumnWidths(store::Database* appDb, Sheet& sheet)
{
    if (!appDb)
        return;
    for (int c = 0; c < sheet.columnCount(); ++c) {
        if (sheet.isColumnHidden(c))
            continue;
        try {
            store::Recordset rs = appDb->openRecordset(QStringLiteral("select サイズ from 分析結果表示設定 WHERE 項目名='")
                                                       + QString(sheet.header(c)).replace(QLatin1Char('\''), QLatin1String("''"))
                                                       + QStringLiteral("'"));
            if (!rs.isEOF() && !rs.field(0).isNull())
                sheet.setColumnWidth(c, rs.field(0).toDouble());
        } catch (const std::exception&) {
            // A width that cannot be read leaves the column as it is.
        }
    }
}

std::optional<Threshold> thresholdOfHeader(const context::ColourSettings& colours, QStringView header)
{
    enum Kind { Win, TopTwo, TopThree, Return };
    struct Rule {
        const char16_t* header;
        Kind kind;
    };
    static constexpr Rule rules[] = {
        {u"勝率", Win},
        {u"最低勝率", Win},
        {u"連対率", TopTwo},
        {u"最低連対率", TopTwo},
        {u"複勝率", TopThree},
        {u"最低複勝率", TopThree},
        {u"単回収率", Return},
        {u"複回収率", Return},
        {u"最高配当抜き単回収率", Return},
        {u"最高配当抜き複回収率", Return},
        {u"戻り均等単回収率", Return},
        {u"戻り均等最低単回収率", Return},
        {u"回収率", Return},
        {u"最高配当抜き回収率", Return},
    };
    for (const Rule& rule : rules) {
        if (header != QStringView(rule.header))
            continue;
        switch (rule.kind) {
        case Win: return Threshold{colours.winRateValue(), colours.winRateColour()};
        case TopTwo: return Threshold{colours.topTwoRateValue(), colours.topTwoRateColour()};
        case TopThree: return Threshold{colours.topThreeRateValue(), colours.topThreeRateColour()};
        case Return: return Threshold{colours.returnRateValue(), colours.returnRateColour()};
        }
    }
    return std::nullopt;
}

std::vector<ThresholdColumn> thresholdColumns(const context::ColourSettings& colours, const Sheet& sheet, int k)
{
    std::vector<ThresholdColumn> out;
    for (int c = k; c < sheet.columnCount(); ++c)
        if (const std::optional<Threshold> threshold = thresholdOfHeader(colours, sheet.header(c)))
            out.push_back({c, *threshold});
    return out;
}

void applyThresholdColours(const std::vector<ThresholdColumn>& columns, Sheet& sheet, int row)
{
    for (const auto& [c, threshold] : columns) {
        const bool above = sheet.isNumber(row, c) && sheet.number(row, c) > double(threshold.value);
        sheet.setBackColour(row, c, above ? threshold.colour : Sheet::kDefaultColour);
    }
}

void applyThresholdColours(const context::ColourSettings& colours, Sheet& sheet, int row, int k)
{
    applyThresholdColours(thresholdColumns(colours, sheet, k), sheet, row);
}

} // namespace tq::analysis
