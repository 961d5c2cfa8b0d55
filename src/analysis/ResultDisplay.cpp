#include "analysis/ResultDisplay.h"

#include "analysis/AnalysisDocument.h"
#include "analysis/AnalysisQuery.h"
#include "analysis/ResultTable.h"
#include "common/VbNumber.h"
#include "conditions/Rewrites.h"
#include "conditions/Where.h"
#include "context/AppContext.h"
#include "store/Database.h"

#include <cmath>

namespace tq::analysis {

namespace {

// The fields of `line` from `position` (1-based) on, split at every ",".
// An empty remainder has no fields at all.
QStringList fieldsFrom(const QString& line, int position)
{
    const qsizetype start = qMax(1, position) - 1;
    if (start >= line.size())
        return {};
    return line.mid(start).split(QLatin1Char(','));
}

QString quoted(const QString& text)
{
    return QString(text).replace(QLatin1Char('\''), QLatin1String("''"));
}

} // namespace

QString columnWidthText(double width)
{
    const float f = float(width);
    for (int precision = 1; precision <= 9; ++precision) {
        const QString text = QString::number(double(f), 'g', precision);
        if (float(text.toDouble()) == f && !text.contains(QLatin1Char('e')))
            return text;
    }
    return QString::number(double(f), 'f', 6);
}

bool storeColumnWidth(store::Database* appDb, const QString& header, double width)
{
    if (!appDb || header.isEmpty() || !(width > 0))
        return false;
    const QString w = columnWidthText(width);
    try {
        const int changed = appDb->execute(QStringLiteral("UPDATE 分析結果表示設定 SET サイズ=") + w +
                                           QStringLiteral(" WHERE 項目名='") + quoted(header) + QStringLiteral("'"));
        if (changed == 0)
            appDb->execute(QStringLiteral("INSERT INTO 分析結果表示設定 VALUES('") + quoted(header) +
                           QStringLiteral("',0,") + w + QStringLiteral(")"));
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void sortOnHeaderClick(AnalysisDocument& document, Sheet& sheet, int column, bool betTypeResult)
{
    if (column < 0 || column >= sheet.columnCount())
        return;
    if (column == document.sortColumn)
        document.sortDescending = !document.sortDescending;
    else {
        document.sortColumn = column;
        document.sortDescending = false;
    }
    int sortBy = column;
    if (betTypeResult) {
        const double g = common::vbVal(sheet.tag());
        if (column < 2 * g + 1)
            sortBy = column + 1;
    }
    if (sortBy < sheet.columnCount())
        sheet.sort(sortBy, document.sortDescending);
}

void sortResultOnHeaderClick(AnalysisDocument& document, int column)
{
    sortOnHeaderClick(document, document.result, column,
                      document.conditions.kind != conditions::AnalysisKind::WinPlace);
}

QString resultClipboardText(context::AppContext& context, const AnalysisDocument& document)
{
    const QString crlf = QStringLiteral("\r\n");
    bool ok = false;
    QString where =
        conditions::funWhere(context.catalogue, document.conditions, true, context.appDb.get(), context.errorLog, &ok);
    if (ok)
        where = conditions::funDataHenkan(context.catalogue, where);
    QString text = document.caption + crlf + where + crlf;
    const Sheet& sheet = document.result;
    if (sheet.columnCount() > 0)
        text += sheet.toTsv(SheetRange{-1, 0, sheet.rowCount() - 1, sheet.columnCount() - 1});
    return text;
}

QString analysisSqlText(context::AppContext& context, const AnalysisDocument& document, const BetTypeSql& betTypeSql)
{
    if (document.conditions.kind != conditions::AnalysisKind::WinPlace)
        return betTypeSql ? betTypeSql(context, document) : QString();
    return funSqlCreate2(context.catalogue, document.conditions, context.appDb.get(), context.errorLog);
}

void subKekkaHeader(store::Database* appDb, const QString& line, int position, Sheet& sheet)
{
    const QStringList tokens = fieldsFrom(line, position);
    sheet.clear();
    sheet.setColumnCount(int(tokens.size()));
    std::vector<int> labelEnds;
    for (int i = 0; i < tokens.size(); ++i) {
        sheet.setHeader(i, tokens[i]);
        if (tokens[i].isEmpty()) {
            // i is 0-based here: the token's number is i + 1, so g = i / 2.
            sheet.setTag(QString::number(common::vbCInt(i / 2.0)));
            labelEnds.push_back(i);
        }
    }
    // Hidden columns are skipped by the stored-width lookup, so hide first.
    for (int c : labelEnds)
        sheet.setColumnWidth(c, 0);
    applyStoredColumnWidths(appDb, sheet);
}

void subKekkaWidth(const QString& line, int position, Sheet& sheet)
{
    const QStringList tokens = fieldsFrom(line, position);
    const int n = qMin(int(tokens.size()), sheet.columnCount());
    for (int i = 0; i < n; ++i) {
        double w = 0;
        try {
            w = common::vbVal(tokens[i]);
        } catch (const std::exception&) {
            continue;
        }
        sheet.setColumnWidth(i, qMax(0.0, w));
    }
}

void subKekkaRow(const context::ColourSettings& colours, const QString& line, int position, Sheet& sheet,
                 bool analysisWindow)
{
    const QStringList tokens = fieldsFrom(line, position);
    const int row = sheet.appendRow();
    const int n = qMin(int(tokens.size()), sheet.columnCount());
    for (int i = 0; i < n; ++i) {
        const QString& token = tokens[i];
        if (token.isEmpty())
            continue;
        double v = 0;
        if (!labelAsNumber(token, &v)) {
            sheet.setText(row, i, token);
            continue;
        }
        if (!token.contains(QLatin1Char('.')) && v == std::trunc(v) && std::fabs(v) < 9.2e18)
            sheet.setInteger(row, i, qint64(v));
        else
            sheet.setDecimal(row, i, v, analysisWindow ? 1 : 0);
        const std::optional<Threshold> threshold = thresholdOfHeader(colours, sheet.header(i));
        if (threshold && v > double(threshold->value))
            sheet.setBackColour(row, i, threshold->colour);
    }
}

} // namespace tq::analysis
