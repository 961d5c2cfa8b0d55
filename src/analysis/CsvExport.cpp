#include "analysis/CsvExport.h"

#include "analysis/Sheet.h"
#include "common/ErrorLog.h"
#include "common/TextFile.h"
#include "context/Busy.h"

namespace tq::analysis {

namespace {

void appendQuoted(QString& line, QStringView text)
{
    line += QLatin1Char('"');
    for (const QChar c : text) {
        if (c == QLatin1Char('"'))
            line += QLatin1Char('"');
        line += c;
    }
    line += QLatin1Char('"');
}

} // namespace

QString csvLine(const Sheet& sheet, int row)
{
    QString line;
    const int columns = sheet.columnCount();
    for (int c = 0; c < columns; ++c) {
        if (c > 0)
            line += QLatin1Char(',');
        if (row < 0) {
            line += sheet.header(c);
            continue;
        }
        const CellKind kind = sheet.kind(row, c);
        if (kind == CellKind::Integer || kind == CellKind::Decimal)
            line += sheet.displayText(row, c);
        else
            appendQuoted(line, sheet.displayText(row, c));
    }
    return line;
}

ExportResult subExport(const QString& fileName, const Sheet& sheet, context::Busy& busy, common::ErrorLog& log)
{
    busy.setProgress(fileName + QStringLiteral("に出力中です"));
    busy.show();
    busy.yield();
    ExportResult result = ExportResult::Completed;
    try {
        // Dropping the writer without close() keeps the previous file.
        common::Cp932LineWriter writer(fileName);
        for (int row = -1; row < sheet.rowCount(); ++row) {
            busy.yield();
            if (busy.cancelled()) {
                result = ExportResult::Cancelled;
                break;
            }
            writer.writeLine(csvLine(sheet, row));
        }
        if (result == ExportResult::Completed)
            writer.close();
    } catch (const common::TextFileError& e) {
        log.report({0, e.message(), fileName}, QStringLiteral("subExport"));
        result = ExportResult::Failed;
    } catch (const std::exception& e) {
        log.report({0, QString::fromUtf8(e.what()), fileName}, QStringLiteral("subExport"));
        result = ExportResult::Failed;
    }
    busy.hide();
    return result;
}

} // namespace tq::analysis
