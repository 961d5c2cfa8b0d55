#include "analysis/TextReport.h"

#include "analysis/AnalysisDocument.h"
#include "common/VbNumber.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

namespace tq::analysis {

namespace {

const QString kCrLf = QStringLiteral("\r\n");
constexpr int kKeyColumns = 10;

// How a statistic cell is written: its text as shown, or formatted.
enum class CellFormat { Text, Rate, Whole };

// A statistic column after the key columns: its width in character cells
// when no cell is wider, its heading as it stands in the heading line at that
// width (with the blank after it), and its format.
struct StatisticColumn {
    int width;
    const char* heading;
    CellFormat format;
};

// The fourteen statistic columns, in result order: the five counts, three
// rates, two return rates, then the payouts.
constexpr std::array<StatisticColumn, 14> kColumns{{
    {4, "件数 ", CellFormat::Text},
    {4, "１着 ", CellFormat::Text},
    {4, "２着 ", CellFormat::Text},
    {4, "３着 ", CellFormat::Text},
    {4, "着外 ", CellFormat::Text},
    {6, " 勝率  ", CellFormat::Rate},
    {6, "連対率 ", CellFormat::Rate},
    {6, "複勝率 ", CellFormat::Rate},
    {8, "単回収率 ", CellFormat::Rate},
    {8, "複回収率 ", CellFormat::Rate},
    {6, "単平均 ", CellFormat::Whole},
    {6, "単最高 ", CellFormat::Text},
    {6, "複平均 ", CellFormat::Whole},
    {6, "複最高 ", CellFormat::Text},
}};

int statisticCount(TextReportKind kind)
{
    return kind == TextReportKind::Full ? 14 : 8;
}

// Whether a character takes two cells of a fixed-pitch font: the wide and
// full-width forms of East Asian text.
bool isWide(char32_t c)
{
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) || (c >= 0x3041 && c <= 0x33FF) ||
           (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
           (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

// The character cells the text takes in a fixed-pitch font.
int cellsOf(const QString& text)
{
    int cells = 0;
    for (const char32_t c : text.toUcs4())
        cells += isWide(c) ? 2 : 1;
    return cells;
}

QString padRight(const QString& text, int cells)
{
    return text + QString(std::max(0, cells - cellsOf(text)), QLatin1Char(' '));
}

QString padLeft(const QString& text, int cells)
{
    return QString(std::max(0, cells - cellsOf(text)), QLatin1Char(' ')) + text;
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

    QStringList keyHeadings;
    for (const conditions::AggregationKey& key : document.conditions.keys)
        if (!key.key.isEmpty())
            keyHeadings << key.key;
    const Sheet& result = document.result;
    const int keys = int(std::min<qsizetype>(keyHeadings.size(), result.columnCount()));
    const int statistics = statisticCount(kind);

    // A key column is ten cells wide, wider (with a blank) when a text is
    // longer; a statistic column widens to its longest figure, so that every
    // line keeps the headings' columns.
    std::vector<int> keyWidths(std::size_t(keyHeadings.size()), kKeyColumns);
    std::vector<QStringList> statisticTexts(std::size_t(result.rowCount()));
    std::array<int, 14> widths{};
    for (int c = 0; c < statistics; ++c)
        widths[std::size_t(c)] = kColumns[std::size_t(c)].width;
    for (int k = 0; k < keyHeadings.size(); ++k)
        if (cellsOf(keyHeadings[k]) >= kKeyColumns)
            keyWidths[std::size_t(k)] = cellsOf(keyHeadings[k]) + 1;
    for (int r = 0; r < result.rowCount(); ++r) {
        for (int k = 0; k < keys; ++k)
            if (const int cells = cellsOf(result.displayText(r, k)); cells >= keyWidths[std::size_t(k)])
                keyWidths[std::size_t(k)] = cells + 1;
        for (int c = 0; c < statistics; ++c) {
            const QString text = statisticText(result, r, keys + c, kColumns[std::size_t(c)].format);
            widths[std::size_t(c)] = std::max(widths[std::size_t(c)], cellsOf(text));
            statisticTexts[std::size_t(r)] << text;
        }
    }

    QString headings;
    int ruleLength = -1; // the last blank is not ruled
    for (int k = 0; k < keyHeadings.size(); ++k) {
        headings += padRight(keyHeadings[k], keyWidths[std::size_t(k)]);
        ruleLength += keyWidths[std::size_t(k)];
    }
    for (int c = 0; c < statistics; ++c) {
        const StatisticColumn& column = kColumns[std::size_t(c)];
        headings += QString(widths[std::size_t(c)] - column.width, QLatin1Char(' ')) + QString::fromUtf8(column.heading);
        ruleLength += widths[std::size_t(c)] + 1;
    }
    const QString rule(ruleLength, QLatin1Char('-'));
    out += rule + kCrLf;
    headings.chop(1);
    out += headings + kCrLf;
    out += rule + kCrLf;

    for (int r = 0; r < result.rowCount(); ++r) {
        QString line;
        for (int k = 0; k < keys; ++k)
            line += padRight(result.displayText(r, k), keyWidths[std::size_t(k)]);
        for (int c = 0; c < statistics; ++c)
            line += padLeft(statisticTexts[std::size_t(r)][c], widths[std::size_t(c)]) + QLatin1Char(' ');
        out += line + kCrLf;
    }
    return out;
}

} // namespace tq::analysis
