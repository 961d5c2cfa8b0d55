// analyze: loads a condition file into a document, runs the analysis with a
// progress line on stderr (Ctrl-C cancels cleanly), prints the result table
// for a terminal and writes the requested files.
//
// Exit status: 0 success, 1 the selection has no rows, 2 an error (bad
// usage, unreadable file, a failed run or write) with a message on stderr,
// 3 success on a condition file that was only partly read (each skipped line
// or key is named on stderr).

#include "Commands.h"

#include "analysis/AnalysisDocument.h"
#include "analysis/AnalysisQuery.h"
#include "analysis/ConditionFile.h"
#include "analysis/CsvExport.h"
#include "analysis/Run.h"
#include "analysis/Sheet.h"
#include "common/TextFile.h"
#include "conditions/ConditionSet.h"
#include "shell/AppContext.h"
#include "shell/ConsolePrompter.h"
#include "shell/Startup.h"
#include "shell/StartupAborted.h"
#include "shell/StatusLine.h"

#include <QElapsedTimer>
#include <QFileInfo>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace tq::app {

namespace {

// Set by the SIGINT handler; a signal handler can reach nothing else.
std::atomic<bool> g_interrupted{false};

extern "C" void onInterrupt(int)
{
    g_interrupted.store(true);
}

// Routes SIGINT to the busy window's cancel flag while it lives.
class InterruptHandler final {
  public:
    InterruptHandler() : m_previous(std::signal(SIGINT, onInterrupt)) {}
    ~InterruptHandler() { std::signal(SIGINT, m_previous); }
    InterruptHandler(const InterruptHandler&) = delete;
    InterruptHandler& operator=(const InterruptHandler&) = delete;

  private:
    void (*m_previous)(int);
};

// The busy window on a terminal: a progress line on stderr redrawn at most
// every 200 ms, cancelled by Ctrl-C.
class ConsoleBusy final : public shell::Busy {
  public:
    ConsoleBusy() : m_tty(isatty(STDERR_FILENO) != 0) { m_clock.start(); }
    ~ConsoleBusy() override { hide(); }

    void show() override
    {
        g_interrupted.store(false);
        m_rows = 0;
        m_shown = true;
        draw();
    }
    void hide() override
    {
        if (m_shown && m_tty)
            std::fputs("\r\033[K", stderr);
        m_shown = false;
    }
    void setProgress(const QString& text) override { m_text = text; }
    void yield() override
    {
        ++m_rows;
        if (m_shown && m_clock.elapsed() >= 200) {
            m_clock.restart();
            draw();
        }
    }
    bool cancelled() const override { return g_interrupted.load(); }

  private:
    void draw()
    {
        if (!m_tty)
            return;
        const QString line = QStringLiteral("\r\033[K%1 %2 行 (Ctrl-C で中止)").arg(m_text).arg(m_rows);
        std::fputs(line.toUtf8().constData(), stderr);
        std::fflush(stderr);
    }

    bool m_tty;
    bool m_shown = false;
    qint64 m_rows = 0;
    QString m_text;
    QElapsedTimer m_clock;
};

int usage()
{
    std::fputs("usage: DEVovuved [--app-dir DIR] analyze FILE.tqb [--csv OUT] [--list OUT] [--save OUT.tqb]\n"
               "                 [--keys \"KEY[:RANGE],...\"]\n"
               "  runs the analysis of a condition file on the race data named by KORVEN.INI\n"
               "  --csv OUT       write the result table as CSV (CP932, CRLF)\n"
               "  --list OUT      write the default horse list as CSV\n"
               "  --save OUT.tqb  save the document (conditions, keys, result) as a condition file\n"
               "  --keys ...      replace the aggregation keys: key texts separated by \",\" or \";\",\n"
               "                  each optionally followed by \":\" and its range (\"距離:2,200;馬番\").\n"
               "                  With \",\" a number continues the range before it. \"\" removes all keys\n"
               "  exit status: 0 success, 1 no rows, 2 error,\n"
               "               3 success but the condition file was only partly read\n",
               stderr);
    return 2;
}

void err(const QString& text)
{
    std::fflush(stdout); // keeps the order of the two streams when both go to one file
    // A NUL from a damaged file would end the C string early.
    QString line = text;
    line.replace(QChar(0), QStringLiteral("\\x00"));
    std::fputs(QString(line + QLatin1Char('\n')).toUtf8().constData(), stderr);
}

bool isRangeToken(const QString& token)
{
    bool ok = false;
    token.trimmed().toDouble(&ok);
    return ok;
}

// "距離:2,200,馬番" or "距離:2,200;馬番" -> {距離, "2,200"}, {馬番, ""}.
std::vector<conditions::AggregationKey> parseKeys(const QString& text)
{
    std::vector<conditions::AggregationKey> keys;
    const bool semicolons = text.contains(QLatin1Char(';'));
    const QStringList tokens = text.split(semicolons ? QLatin1Char(';') : QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString& token : tokens) {
        if (!semicolons && !keys.empty() && !keys.back().range.isEmpty() && isRangeToken(token)) {
            keys.back().range.text += QLatin1Char(',') + token.trimmed();
            continue;
        }
        const qsizetype colon = token.indexOf(QLatin1Char(':'));
        conditions::AggregationKey key;
        key.key = (colon < 0 ? token : token.left(colon)).trimmed();
        if (colon >= 0)
            key.range.text = token.mid(colon + 1).trimmed();
        keys.push_back(key);
    }
    return keys;
}

// Columns a terminal gives a character: two for wide East Asian characters
// (kanji, kana, full-width forms), one for the rest (half-width katakana too).
int displayWidth(const QString& text)
{
    int width = 0;
    for (const char32_t c : text.toUcs4()) {
        const bool wide =
            (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) || (c >= 0x3041 && c <= 0x33FF) ||
            (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
            (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
            (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD) ||
            c == 0x2460 || (c > 0x2460 && c <= 0x24FF); // circled numbers: wide in Japanese fonts
        width += wide ? 2 : 1;
    }
    return width;
}

QString pad(const QString& text, int width, bool right)
{
    const QString fill(std::max(0, width - displayWidth(text)), QLatin1Char(' '));
    return right ? fill + text : text + fill;
}

void printLine(const QString& line)
{
    std::fputs(QString(line + QLatin1Char('\n')).toUtf8().constData(), stdout);
}

// One row: "header  value" per visible column. Several rows: a table of the
// visible columns, numbers right-aligned.
void printSheet(const analysis::Sheet& sheet)
{
    std::vector<int> columns;
    for (int c = 0; c < sheet.columnCount(); ++c)
        if (!sheet.isColumnHidden(c))
            columns.push_back(c);
    if (sheet.rowCount() == 1) {
        int width = 0;
        for (int c : columns)
            width = std::max(width, displayWidth(sheet.header(c)));
        for (int c : columns)
            printLine(pad(sheet.header(c), width, false) + QStringLiteral("  ") +
                      pad(sheet.displayText(0, c), 10, sheet.isNumber(0, c)));
        return;
    }
    std::vector<int> widths;
    for (int c : columns) {
        int w = displayWidth(sheet.header(c));
        for (int r = 0; r < sheet.rowCount(); ++r)
            w = std::max(w, displayWidth(sheet.displayText(r, c)));
        widths.push_back(w);
    }
    QString header;
    for (std::size_t i = 0; i < columns.size(); ++i)
        header += (i ? QStringLiteral("  ") : QString()) +
                  pad(sheet.header(columns[i]), widths[i], sheet.rowCount() > 0 && sheet.isNumber(0, columns[i]));
    printLine(header);
    for (int r = 0; r < sheet.rowCount(); ++r) {
        QString line;
        for (std::size_t i = 0; i < columns.size(); ++i)
            line += (i ? QStringLiteral("  ") : QString()) +
                    pad(sheet.displayText(r, columns[i]), widths[i], sheet.isNumber(r, columns[i]));
        printLine(line);
    }
}

bool exportSheet(shell::AppContext& ctx, const QString& path, const analysis::Sheet& sheet, const char* what)
{
    switch (analysis::subExport(path, sheet, ctx.busy, ctx.errorLog)) {
    case analysis::ExportResult::Completed:
        err(QStringLiteral("%1: %2 (%3 rows)").arg(QString::fromUtf8(what), path).arg(sheet.rowCount()));
        return true;
    case analysis::ExportResult::Cancelled:
        err(QStringLiteral("analyze: writing %1 cancelled; the previous file is kept").arg(path));
        return false;
    case analysis::ExportResult::Failed:
        break;
    }
    const auto entries = ctx.errorLog.recentEntries();
    err(QStringLiteral("analyze: cannot write %1: %2")
            .arg(path, entries.isEmpty() ? QString() : entries.last().description));
    return false;
}

} // namespace

int runAnalyze(const CommandLine& cl)
{
    QString file, csvPath, listPath, savePath, keysText;
    bool keysGiven = false;
    for (int i = 0; i < cl.args.size(); ++i) {
        const QString& arg = cl.args.at(i);
        const bool hasValue = i + 1 < cl.args.size();
        if (arg == QLatin1String("--csv") && hasValue)
            csvPath = cl.args.at(++i);
        else if (arg == QLatin1String("--list") && hasValue)
            listPath = cl.args.at(++i);
        else if (arg == QLatin1String("--save") && hasValue)
            savePath = cl.args.at(++i);
        else if (arg == QLatin1String("--keys") && hasValue) {
            keysText = cl.args.at(++i);
            keysGiven = true;
        } else if (arg.startsWith(QLatin1String("--")) || !file.isEmpty())
            return usage();
        else
            file = arg;
    }
    if (file.isEmpty())
        return usage();
    if (!QFileInfo(file).isFile()) {
        err(QStringLiteral("analyze: no such file: ") + file);
        return 2;
    }

    shell::ConsolePrompter prompter(std::nullopt);
    ConsoleBusy busy;
    shell::AppContext ctx(prompter, busy);
    ctx.programDir = cl.appDir;
    ctx.errorLog.setExeName(QStringLiteral("DEVovuved"));
    try {
        shell::prepareHeadless(ctx);
        shell::readColourSettings(ctx);
    } catch (const shell::StartupAborted& e) {
        err(QStringLiteral("analyze: the application database could not be prepared (%1)")
                .arg(QString::fromUtf8(e.what())));
        return 2;
    } catch (const std::exception& e) {
        err(QStringLiteral("analyze: ") + QString::fromUtf8(e.what()));
        return 2;
    }

    analysis::AnalysisDocument doc;
    doc.caption = QFileInfo(file).completeBaseName();
    doc.filePath = file;
    const qsizetype entriesBeforeLoad = ctx.errorLog.recentEntries().size();
    const analysis::ConditionLoadResult loaded = analysis::funJoukenLoad(ctx, doc, file);
    const bool partlyRead = loaded.result != 0;
    if (partlyRead) {
        const auto entries = ctx.errorLog.recentEntries();
        for (qsizetype i = std::min(entriesBeforeLoad, entries.size()); i < entries.size(); ++i)
            err(QStringLiteral("analyze: %1: %2").arg(file, entries.at(i).description));
        err(QStringLiteral("analyze: %1 was only partly read; the analysis runs on what was read (exit status 3; "
                           "every skipped line is in the error log %2)")
                .arg(file, ctx.errorLog.logFileName()));
    }

    if (keysGiven) {
        const std::vector<conditions::AggregationKey> keys = parseKeys(keysText);
        if (int(keys.size()) > conditions::kAggregationLevels) {
            err(QStringLiteral("analyze: at most %1 keys").arg(conditions::kAggregationLevels));
            return 2;
        }
        for (const conditions::AggregationKey& key : keys) {
            if (analysis::aggregationKeyExpression(ctx.catalogue, key.key).isEmpty()) {
                err(QStringLiteral("analyze: unknown key: ") + key.key);
                return 2;
            }
            const QString problem = conditions::rangeSpecProblem(key.range.text);
            if (!problem.isEmpty()) {
                err(QStringLiteral("analyze: key %1: range \"%2\": %3").arg(key.key, key.range.text, problem));
                return 2;
            }
        }
        for (int i = 0; i < conditions::kAggregationLevels; ++i)
            doc.conditions.keys[std::size_t(i)] =
                i < int(keys.size()) ? keys[std::size_t(i)] : conditions::AggregationKey{};
    }

    const int errorsBefore = int(ctx.errorLog.recentEntries().size());
    shell::MemoryStatusLine status;
    // Ctrl-C cancels the run and the file exports (a cancelled export keeps
    // the previous file), until the command returns.
    const InterruptHandler interrupt;
    const bool ok = analysis::subBunseki(ctx, status, doc, false);
    busy.hide();
    err(status.text());
    if (!ok) {
        if (busy.cancelled()) {
            err(QStringLiteral("analyze: cancelled"));
            return 2;
        }
        const auto entries = ctx.errorLog.recentEntries();
        if (int(entries.size()) > errorsBefore) {
            err(QStringLiteral("analyze: the analysis failed: ") + entries.last().description);
            return 2;
        }
        if (doc.conditions.rows.empty() && !doc.conditions.keys[0].inUse() && doc.conditions.favourite.name.isEmpty())
            return 2; // the no-conditions message has been shown
        return 1;     // the no-rows message has been shown
    }

    printSheet(doc.result);

    bool written = true;
    if (!csvPath.isEmpty())
        written = exportSheet(ctx, csvPath, doc.result, "result") && written;
    if (!listPath.isEmpty())
        written = exportSheet(ctx, listPath, doc.defaultList, "horse list") && written;
    if (!savePath.isEmpty()) {
        try {
            analysis::saveConditionFile(ctx, doc, savePath);
            err(QStringLiteral("condition file: ") + savePath);
        } catch (const common::TextFileError& e) {
            err(QStringLiteral("analyze: cannot save: ") + e.message());
            written = false;
        } catch (const std::exception& e) {
            err(QStringLiteral("analyze: cannot save: ") + QString::fromUtf8(e.what()));
            written = false;
        }
    }
    if (!written)
        return 2;
    return partlyRead ? 3 : 0;
}

} // namespace tq::app
