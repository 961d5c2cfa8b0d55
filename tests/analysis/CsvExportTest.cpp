// CSV files of grids: read back through a CP932 decoder and a CSV parser,
// they give the grid's texts; quoting follows the cell kind; cancel and
// failures keep what was written.

#include "analysis/CsvExport.h"
#include "analysis/Sheet.h"
#include "common/ErrorLog.h"
#include "common/TextCodec.h"
#include "shell/Busy.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tq;
using analysis::CellKind;
using analysis::ExportResult;
using analysis::Sheet;

namespace {

// A plain CSV reader (RFC 4180 fields, CR LF records); `quoted` tells, per
// field, whether it was enclosed in quotes.
struct CsvField {
    QString text;
    bool quoted = false;
};
std::vector<std::vector<CsvField>> parseCsv(const QString& text)
{
    std::vector<std::vector<CsvField>> records;
    std::vector<CsvField> record;
    CsvField field;
    bool inQuotes = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (inQuotes) {
            if (c == u'"' && i + 1 < text.size() && text.at(i + 1) == u'"') {
                field.text += c;
                ++i;
            } else if (c == u'"') {
                inQuotes = false;
            } else {
                field.text += c;
            }
        } else if (c == u'"') {
            inQuotes = true;
            field.quoted = true;
        } else if (c == u',') {
            record.push_back(field);
            field = {};
        } else if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n') {
            record.push_back(field);
            records.push_back(record);
            record.clear();
            field = {};
            ++i;
        } else {
            field.text += c;
        }
    }
    EXPECT_TRUE(record.empty() && field.text.isEmpty()) << "the last record lacks its CR LF";
    return records;
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
}

// Cancels once yield() has been called `limit` times.
class CancellingBusy final : public shell::Busy {
  public:
    explicit CancellingBusy(int limit) : m_limit(limit) {}
    void show() override { m_shown = true; }
    void hide() override { m_shown = false; }
    void setProgress(const QString& text) override { progress = text; }
    void yield() override { ++m_yields; }
    bool cancelled() const override { return m_yields > m_limit; }
    bool shown() const { return m_shown; }
    QString progress;

  private:
    int m_limit;
    int m_yields = 0;
    bool m_shown = false;
};

// A list-shaped sheet: texts with quotes, commas and Japanese, numbers, an
// empty cell, a static text and a hidden last column.
Sheet sampleSheet()
{
    Sheet s;
    s.setColumnCount(6);
    const QStringList headers{QStringLiteral("馬名"),      QStringLiteral("着順"), QStringLiteral("勝率"),
                              QStringLiteral("距離,前走"), QStringLiteral("備考"), QStringLiteral("レースキー")};
    for (int c = 0; c < headers.size(); ++c)
        s.setHeader(c, headers[c]);
    s.setColumnWidth(5, 0);
    s.appendRow();
    s.setText(0, 0, QStringLiteral("サクラ\"チヨノ\"オー"));
    s.setInteger(0, 1, 1);
    s.setDecimal(0, 2, 33.3333333, 1);
    s.setText(0, 3, QStringLiteral("1,200"));
    s.setStaticText(0, 4, QStringLiteral("初出走"));
    s.setText(0, 5, QStringLiteral("0503010101"));
    s.appendRow();
    s.setText(1, 0, QStringLiteral("～①㈱"));
    s.setInteger(1, 1, -3);
    s.setDecimal(1, 2, 0.05, 1);
    s.setText(1, 5, QStringLiteral("05030101'02"));
    return s;
}

} // namespace

TEST(CsvExport, ReadBackGivesTheGridTextsWithQuotingByCellKind)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("list.csv"));
    const Sheet sheet = sampleSheet();
    common::ErrorLog log;
    shell::SilentBusy busy;

    ASSERT_EQ(analysis::subExport(path, sheet, busy, log), ExportResult::Completed);
    EXPECT_EQ(busy.lastText(), path + QStringLiteral("に出力中です"));

    const QByteArray bytes = readAll(path);
    // Every line ends in CR LF, and no LF stands alone.
    EXPECT_EQ(bytes.count("\r\n"), 3);
    EXPECT_EQ(bytes.count('\n'), 3);
    const auto records = parseCsv(common::decodeCp932(bytes));
    ASSERT_EQ(records.size(), 3u);

    // Header: unquoted, so the header with a comma gives two fields.
    const QStringList header{QStringLiteral("馬名"),      QStringLiteral("着順"), QStringLiteral("勝率"),
                             QStringLiteral("距離"),      QStringLiteral("前走"), QStringLiteral("備考"),
                             QStringLiteral("レースキー")};
    ASSERT_EQ(records[0].size(), 7u);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(records[0][i].text, header[i]);
        EXPECT_FALSE(records[0][i].quoted);
    }

    for (int r = 0; r < sheet.rowCount(); ++r) {
        ASSERT_EQ(records[r + 1].size(), std::size_t(sheet.columnCount())) << "row " << r;
        for (int c = 0; c < sheet.columnCount(); ++c) {
            const CsvField& f = records[r + 1][c];
            EXPECT_EQ(f.text, sheet.displayText(r, c)) << "row " << r << " column " << c;
            EXPECT_EQ(f.quoted, !sheet.isNumber(r, c)) << "row " << r << " column " << c;
        }
    }
    // The raw bytes of the first data row show the doubled quotes and bare numbers.
    EXPECT_EQ(analysis::csvLine(sheet, 0),
              QStringLiteral("\"サクラ\"\"チヨノ\"\"オー\",1,33.3,\"1,200\",\"初出走\",\"0503010101\""));
    EXPECT_EQ(analysis::csvLine(sheet, 1), QStringLiteral("\"～①㈱\",-3,0.1,\"\",\"\",\"05030101'02\""));
    EXPECT_TRUE(log.recentEntries().isEmpty());
}

TEST(CsvExport, CancelKeepsTheRowsAlreadyWritten)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("cut.csv"));
    Sheet sheet = sampleSheet();
    for (int i = 0; i < 10; ++i)
        sheet.setText(sheet.appendRow(), 0, QString::number(i));
    common::ErrorLog log;
    // One yield before the file is written, then one per row: cancel after
    // the header and two data rows.
    CancellingBusy busy(4);

    EXPECT_EQ(analysis::subExport(path, sheet, busy, log), ExportResult::Cancelled);
    EXPECT_FALSE(busy.shown());
    const auto records = parseCsv(common::decodeCp932(readAll(path)));
    EXPECT_EQ(records.size(), 3u);
}

TEST(CsvExport, UnwritableTextStopsWithAReportAndKeepsEarlierLines)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("emoji.csv"));
    Sheet sheet = sampleSheet();
    sheet.setText(sheet.appendRow(), 0, QStringLiteral("馬\U0001F40E")); // no CP932 form
    sheet.setText(sheet.appendRow(), 0, QStringLiteral("after"));
    common::ErrorLog log;
    shell::SilentBusy busy;

    EXPECT_EQ(analysis::subExport(path, sheet, busy, log), ExportResult::Failed);
    const auto entries = log.recentEntries();
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(entries[0].procedure, QStringLiteral("subExport"));
    EXPECT_EQ(parseCsv(common::decodeCp932(readAll(path))).size(), 3u);

    // A file that cannot be created fails the same way.
    EXPECT_EQ(analysis::subExport(dir.filePath(QStringLiteral("missing/x.csv")), sheet, busy, log),
              ExportResult::Failed);
    EXPECT_EQ(log.recentEntries().size(), 2);
}
