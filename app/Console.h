#pragma once
// What the headless commands share on a terminal: the busy window as a
// progress line on stderr cancelled by Ctrl-C, messages on stderr, a sheet
// printed as a table, and a sheet written as a CSV file.

#include "analysis/Sheet.h"
#include "context/Busy.h"
#include "context/ConsoleContext.h"

#include <QElapsedTimer>
#include <QString>

#include <atomic>
#include <cstdio>

#include <unistd.h>

namespace tq::app {

// Set by the SIGINT handler that installInterruptHandler() installs.
extern std::atomic<bool> g_interrupted;

// Ctrl-C sets g_interrupted for as long as the guard lives.
class InterruptGuard final {
  public:
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

  private:
    void (*m_previous)(int);
};

// The busy window on a terminal: a progress line on stderr redrawn at most
// every 200 ms, cancelled by Ctrl-C.
class ConsoleBusy final : public context::Busy {
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
    void setStep(const QString& text) override { m_step = text; }
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
        const QString text = m_step.isEmpty() ? m_text : m_step + QLatin1Char(' ') + m_text;
        const QString line = QStringLiteral("\r\033[K%1 %2 行 (Ctrl-C で中止)").arg(text).arg(m_rows);
        std::fputs(line.toUtf8().constData(), stderr);
        std::fflush(stderr);
    }

    bool m_tty;
    bool m_shown = false;
    qint64 m_rows = 0;
    QString m_text;
    QString m_step;
    QElapsedTimer m_clock;
};

// What a command holds while it runs: its answers, the busy window as a
// progress line, and the context built on both.
using CommandSession = context::ConsoleContext<ConsoleBusy>;

// Opens the application database of `appDir` for a command the way
// openForCommand does (shared lock; prepared only when it must be) and reads
// the colour thresholds. False, with the reason on stderr after "<command>: ",
// when it cannot.
bool openDatabase(context::AppContext& ctx, const QString& appDir, const char* command);

// A message line on stderr (stdout flushed first).
void err(const QString& text);

// One row: "header  value" per visible column. Several rows: a table of the
// visible columns, numbers right-aligned.
void printSheet(const analysis::Sheet& sheet);

// Writes `sheet` as CSV with the busy service; reports on stderr what was
// written ("<what>: PATH (n rows)") or why not, prefixed by `command`.
bool exportSheet(context::AppContext& ctx, const QString& path, const analysis::Sheet& sheet, const char* what,
                 const char* command);

} // namespace tq::app
