#include "Console.h"

#include "analysis/CsvExport.h"
#include "appdb/Preparation.h"
#include "appdb/StartupAborted.h"
#include "context/AppContext.h"

#include <csignal>
#include <cstdio>

namespace tq::app {

std::atomic<bool> g_interrupted{false};

namespace {

extern "C" void onInterrupt(int)
{
    g_interrupted.store(true);
}

} // namespace

InterruptGuard::InterruptGuard() : m_previous(std::signal(SIGINT, onInterrupt)) {}

InterruptGuard::~InterruptGuard()
{
    std::signal(SIGINT, m_previous);
}

bool openDatabase(context::AppContext& ctx, const QString& appDir, const char* command)
{
    ctx.programDir = appDir;
    ctx.errorLog.setExeName(QStringLiteral("DEVovuved"));
    const QString prefix = QString::fromUtf8(command) + QStringLiteral(": ");
    try {
        appdb::openForCommand(ctx);
        appdb::readColourSettings(ctx);
        return true;
    } catch (const appdb::StartupAborted& e) {
        err(prefix + QStringLiteral("the application database could not be prepared (%1)").arg(QString::fromUtf8(e.what())));
    } catch (const std::exception& e) {
        err(prefix + QString::fromUtf8(e.what()));
    }
    return false;
}

void err(const QString& text)
{
    std::fflush(stdout); // keeps the order of the two streams when both go to one file
    // A NUL from a damaged file would end the C string early.
    QString line = text;
    line.replace(QChar(0), QStringLiteral("\\x00"));
    std::fputs(QString(line + QLatin1Char('\n')).toUtf8().constData(), stderr);
}

namespace {

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

} // namespace

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

bool exportSheet(context::AppContext& ctx, const QString& path, const analysis::Sheet& sheet, const char* what,
                 const char* command)
{
    switch (analysis::subExport(path, sheet, ctx.busy, ctx.errorLog)) {
    case analysis::ExportResult::Completed:
        err(QStringLiteral("%1: %2 (%3 rows)").arg(QString::fromUtf8(what), path).arg(sheet.rowCount()));
        return true;
    case analysis::ExportResult::Cancelled:
        err(QStringLiteral("%1: writing %2 cancelled; the previous file is kept").arg(QString::fromUtf8(command), path));
        return false;
    case analysis::ExportResult::Failed:
        break;
    }
    const auto entries = ctx.errorLog.recentEntries();
    err(QStringLiteral("%1: cannot write %2: %3")
            .arg(QString::fromUtf8(command), path, entries.isEmpty() ? QString() : entries.last().description));
    return false;
}


} // namespace tq::app
