// CSV files of grids: read back through a CP932 decoder and a CSV parser,
// they give the grid's texts; quoting follows the cell kind; a cancel, a
// failure or a killed process keep the previous file.

#include "analysis/CsvExport.h"
#include "analysis/Sheet.h"
#include "common/ErrorLog.h"
#include "common/TextCodec.h"
#include "context/Busy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

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
class CancellingBusy final : public context::Busy {
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
    context::SilentBusy busy;

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

// Writes `bytes` to `path` as the previous export.
void writePrevious(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

Sheet longSheet(int rows)
{
    Sheet sheet = sampleSheet();
    for (int i = 0; i < rows; ++i)
        sheet.setText(sheet.appendRow(), 0, QString::number(i));
    return sheet;
}

QStringList filesIn(const QTemporaryDir& dir)
{
    return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
}

TEST(CsvExport, CancelKeepsThePreviousFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("cut.csv"));
    const QByteArray previous("\"previous\",1\r\n");
    writePrevious(path, previous);
    common::ErrorLog log;
    // One yield before the file is written, then one per row: cancel after
    // the header and two data rows.
    CancellingBusy busy(4);

    EXPECT_EQ(analysis::subExport(path, longSheet(10), busy, log), ExportResult::Cancelled);
    EXPECT_FALSE(busy.shown());
    EXPECT_EQ(readAll(path), previous);
    EXPECT_EQ(filesIn(dir), QStringList{QStringLiteral("cut.csv")});
}

TEST(CsvExport, FailuresReportAndKeepThePreviousFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("emoji.csv"));
    const QByteArray previous("\"previous\",1\r\n");
    writePrevious(path, previous);
    Sheet sheet = sampleSheet();
    sheet.setText(sheet.appendRow(), 0, QStringLiteral("馬\U0001F40E")); // no CP932 form
    sheet.setText(sheet.appendRow(), 0, QStringLiteral("after"));
    common::ErrorLog log;
    context::SilentBusy busy;

    EXPECT_EQ(analysis::subExport(path, sheet, busy, log), ExportResult::Failed);
    const auto entries = log.recentEntries();
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(entries[0].procedure, QStringLiteral("subExport"));
    EXPECT_EQ(readAll(path), previous);
    EXPECT_EQ(filesIn(dir), QStringList{QStringLiteral("emoji.csv")});

    // A file that cannot be created, and a target that is not a regular file,
    // fail the same way.
    EXPECT_EQ(analysis::subExport(dir.filePath(QStringLiteral("missing/x.csv")), sampleSheet(), busy, log),
              ExportResult::Failed);
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("sub")));
    EXPECT_EQ(analysis::subExport(dir.filePath(QStringLiteral("sub")), sampleSheet(), busy, log),
              ExportResult::Failed);
    ASSERT_EQ(log.recentEntries().size(), 3);
    EXPECT_TRUE(log.recentEntries().last().description.contains(QStringLiteral("not a regular file")));
}

// Tells the parent through a pipe once `rows` rows are exported, then stops
// the export where it stands until the process is killed.
class StallingBusy final : public context::Busy {
  public:
    StallingBusy(int rows, int pipeFd) : m_rows(rows), m_pipe(pipeFd) {}
    void show() override {}
    void hide() override {}
    void setProgress(const QString&) override {}
    void yield() override
    {
        if (++m_yields < m_rows)
            return;
        const char ready = 'r';
        (void)::write(m_pipe, &ready, 1);
        for (;;)
            ::pause();
    }
    bool cancelled() const override { return false; }

  private:
    int m_rows;
    int m_pipe;
    int m_yields = 0;
};

TEST(CsvExport, KilledExportKeepsThePreviousFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("killed.csv"));
    const QByteArray previous("\"previous\",1\r\n");
    writePrevious(path, previous);
    // Enough rows that several 64 KB blocks have reached the disk before the kill.
    const Sheet sheet = longSheet(20000);
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(fds[0]);
        common::ErrorLog log;
        StallingBusy busy(15000, fds[1]);
        analysis::subExport(path, sheet, busy, log);
        ::_exit(0); // not reached: the parent kills the export
    }
    ::close(fds[1]);
    char ready = 0;
    ASSERT_EQ(::read(fds[0], &ready, 1), 1);
    ::close(fds[0]);
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));

    EXPECT_EQ(readAll(path), previous);
    // The killed export leaves only its hidden temporary file, which holds the
    // rows written so far; the next export replaces the target as usual.
    const QStringList files = filesIn(dir);
    ASSERT_EQ(files.size(), 2) << files.join(QLatin1Char(' ')).toStdString();
    EXPECT_GT(QFileInfo(dir.filePath(files.at(0).startsWith(u'.') ? files.at(0) : files.at(1))).size(), 65536);
    common::ErrorLog log;
    context::SilentBusy busy;
    EXPECT_EQ(analysis::subExport(path, sampleSheet(), busy, log), ExportResult::Completed);
    EXPECT_EQ(parseCsv(common::decodeCp932(readAll(path))).size(), 3u);
}
