#include "ChartData.h"

#include "common/TextFile.h"

#include <QFileInfo>

#include <cmath>
#include <limits>

namespace tq::addins::chart {

namespace {

const QString kCount = QStringLiteral("総件数");

// The statistics the chart cannot do without.
const QStringList& requiredStatistics()
{
    static const QStringList names = {kCount,
                                      QStringLiteral("勝率"),
                                      QStringLiteral("連対率"),
                                      QStringLiteral("複勝率"),
                                      QStringLiteral("単回収率"),
                                      QStringLiteral("複回収率")};
    return names;
}

QString lineText(int lineNumber)
{
    return QString::number(lineNumber) + QStringLiteral("行目: ");
}

} // namespace

double ChartTable::value(int row, const QString& header) const
{
    const int column = statistic(header);
    if (column < 0 || row < 0 || row >= rowCount())
        return std::numeric_limits<double>::quiet_NaN();
    return values[std::size_t(row)][std::size_t(column)];
}

bool splitCsvLine(const QString& line, QStringList& fields)
{
    fields.clear();
    QString field;
    bool quoted = false;
    bool wasQuoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (quoted) {
            if (c != QLatin1Char('"'))
                field += c;
            else if (i + 1 < line.size() && line.at(i + 1) == QLatin1Char('"'))
                field += line.at(++i);
            else
                quoted = false;
        } else if (c == QLatin1Char(',')) {
            fields << (wasQuoted ? field : field.trimmed());
            field.clear();
            wasQuoted = false;
        } else if (c == QLatin1Char('"') && field.trimmed().isEmpty()) {
            field.clear();
            quoted = wasQuoted = true;
        } else {
            field += c;
        }
    }
    fields << (wasQuoted ? field : field.trimmed());
    return !quoted;
}

std::optional<ChartTable> parseChartTable(const QStringList& lines, QString& error)
{
    if (lines.isEmpty() || lines.first().trimmed().isEmpty()) {
        error = QStringLiteral("見出し行がありません");
        return std::nullopt;
    }
    QStringList header;
    if (!splitCsvLine(lines.first(), header)) {
        error = lineText(1) + QStringLiteral("引用符が閉じていません");
        return std::nullopt;
    }
    const int countColumn = int(header.indexOf(kCount));
    if (countColumn < 0) {
        error = QStringLiteral("見出し行に「総件数」がありません（分析結果のCSVではありません）");
        return std::nullopt;
    }
    ChartTable table;
    table.keyHeaders = header.mid(0, countColumn);
    table.statisticHeaders = header.mid(countColumn);
    for (const QString& name : requiredStatistics()) {
        if (!table.statisticHeaders.contains(name)) {
            error = QStringLiteral("見出し行に「") + name + QStringLiteral("」がありません");
            return std::nullopt;
        }
    }
    for (int i = 1; i < lines.size(); ++i) {
        if (lines.at(i).trimmed().isEmpty())
            continue;
        QStringList fields;
        if (!splitCsvLine(lines.at(i), fields)) {
            error = lineText(i + 1) + QStringLiteral("引用符が閉じていません");
            return std::nullopt;
        }
        if (fields.size() != header.size()) {
            error = lineText(i + 1) + QStringLiteral("項目数が %1 個です（見出しは %2 個）").arg(fields.size()).arg(header.size());
            return std::nullopt;
        }
        std::vector<double> row;
        row.reserve(std::size_t(table.statisticHeaders.size()));
        for (int c = countColumn; c < fields.size(); ++c) {
            const QString& text = fields.at(c);
            bool ok = text.isEmpty();
            const double number = ok ? std::numeric_limits<double>::quiet_NaN() : text.toDouble(&ok);
            if (!ok || std::isinf(number)) {
                error = lineText(i + 1) + QStringLiteral("「") + header.at(c) + QStringLiteral("」が数値ではありません: ") + text;
                return std::nullopt;
            }
            row.push_back(number);
        }
        QStringList keys = fields.mid(0, countColumn);
        for (QString& key : keys)
            key = key.trimmed();
        table.labels << (keys.isEmpty() ? QStringLiteral("全体") : keys.join(QStringLiteral(" / ")));
        table.values.push_back(std::move(row));
    }
    if (table.rowCount() == 0) {
        error = QStringLiteral("データ行がありません");
        return std::nullopt;
    }
    return table;
}

std::optional<ChartTable> readChartTable(const QString& path, QString& error)
{
    if (!QFileInfo(path).isFile()) {
        error = path + QStringLiteral(": ファイルがありません");
        return std::nullopt;
    }
    QStringList lines;
    try {
        lines = common::readTextLines(path);
    } catch (const common::TextFileError& e) {
        error = e.message();
        return std::nullopt;
    }
    auto table = parseChartTable(lines, error);
    if (!table)
        error = path + QStringLiteral(": ") + error;
    return table;
}

} // namespace tq::addins::chart
