#include "analysis/TextReport.h"

#include "analysis/AnalysisDocument.h"
#include "common/TextCodec.h"
#include "common/VbNumber.h"

#include <array>
#include <optional>

namespace tq::analysis {

namespace {

const QString kCrLf = QStringLiteral("\r\n");
constexpr int kKeyBytes = 10;

// How a statistic cell is written: its text as shown, or formatted.
enum class CellFormat { Text, Rate, Whole };

struct StatisticColumn {
    int width;
    CellFormat format;
};

// The fourteen statistic columns after the key columns, in result order:
// the five counts, three rates, two return rates, then the payouts.
constexpr std::array<StatisticColumn, 14> kColumns{{
    {4, CellFormat::Text},  {4, CellFormat::Text},  {4, CellFormat::Text},  {4, CellFormat::Text},
    {4, CellFormat::Text},  {6, CellFormat::Rate},  {6, CellFormat::Rate},  {6, CellFormat::Rate},
    {8, CellFormat::Rate},  {8, CellFormat::Rate},  {6, CellFormat::Whole}, {6, CellFormat::Text},
    {6, CellFormat::Whole}, {6, CellFormat::Text},
}};

struct Variant {
    int rule;
    const char* heading;
    int statistics;
};

Variant variantOf(TextReportKind kind)
{
    if (kind == TextReportKind::Full)
        return {91,
                "件数 １着 ２着 ３着 着外  勝率  連対率 複勝率 単回収率 複回収率 単平均 単最高 複平均 複最高",
                14};
    return {45, "件数 １着 ２着 ３着 着外  勝率  連対率 複勝率", 8};
}

// Pads on the right with blanks to `bytes` bytes of CP932.
QString padBytes(const QString& text, common::Cp932Codec& codec)
{
    const qsizetype used = codec.encodeLossy(text).size();
    return used >= kKeyBytes ? text : text + QString(kKeyBytes - used, QLatin1Char(' '));
}

// The cell's value as a number: a numeric cell's own value, a text cell read
// as a number; nothing for an empty cell or a text that is no number.
std::optional<double> cellValue(const Sheet& sheet, int row, int column)
{
    if (sheet.isNumber(row, column))
        return sheet.number(row, column);
    const QString text = sheet.displayText(row, column).trimmed();
    if (text.isEmpty())
        return std::nullopt;
    bool ok = false;
    const double v = text.toDouble(&ok);
    return ok ? std::optional<double>(v) : std::nullopt;
}

QString statisticText(const Sheet& sheet, int row, int column, CellFormat format)
{
    if (column >= sheet.columnCount())
        return {};
    if (format == CellFormat::Text)
        return sheet.displayText(row, column);
    const std::optional<double> v = cellValue(sheet, row, column);
    if (format == CellFormat::Rate)
        return (v ? common::vbFormat(*v, QStringLiteral("##0.0")) : QString()) + QLatin1Char('%');
    return v ? common::vbFormat(*v, QStringLiteral("##0")) : sheet.displayText(row, column);
}

} // namespace

QString textReport(const AnalysisDocument& document, TextReportKind kind)
{
    const Variant variant = variantOf(kind);
    common::Cp932Codec codec;
    QString out;
    out += QStringLiteral("お気に入り名称：") + document.caption + kCrLf;
    out += QStringLiteral("作者名：") + document.author + kCrLf;
    out += QStringLiteral("[条件]") + kCrLf;
    for (const conditions::ConditionRow& row : document.conditions.rows) {
        if (row.masked)
            continue;
        const QString target = row.isExtended() ? QString() : row.targetCaption;
        const QString display = row.isExtended() ? row.value : row.display;
        out += row.itemName + QLatin1Char('(') + target + QStringLiteral(") = ") + display + kCrLf;
    }

    QString headings;
    int keys = 0;
    for (const conditions::AggregationKey& key : document.conditions.keys) {
        if (key.key.isEmpty())
            continue;
        headings += padBytes(key.key, codec);
        ++keys;
    }
    const QString rule = QString(kKeyBytes * keys, QLatin1Char('-')) + QString(variant.rule, QLatin1Char('-'));
    out += rule + kCrLf;
    out += headings + QString::fromUtf8(variant.heading) + kCrLf;
    out += rule + kCrLf;

    const Sheet& result = document.result;
    for (int r = 0; r < result.rowCount(); ++r) {
        QString line;
        for (int k = 0; k < keys && k < result.columnCount(); ++k)
            line += padBytes(result.displayText(r, k), codec);
        for (int s = 0; s < variant.statistics; ++s) {
            const StatisticColumn& column = kColumns[std::size_t(s)];
            line += statisticText(result, r, keys + s, column.format).rightJustified(column.width, QLatin1Char(' '));
            line += QLatin1Char(' ');
        }
        out += line + kCrLf;
    }
    return out;
}

} // namespace tq::analysis
