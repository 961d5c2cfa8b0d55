#include "ConsoleBusy.h"

#include <atomic>
#include <cstdio>
#include <unistd.h>

namespace tq::app {

namespace {
// Set by the SIGINT handler; a signal handler can reach nothing else.
std::atomic<bool> g_interrupted{false};
} // namespace

extern "C" void onConsoleInterrupt(int)
{
    g_interrupted.store(true);
}

ConsoleBusy::ConsoleBusy() : m_tty(isatty(STDERR_FILENO) != 0)
{
    m_clock.start();
}

void ConsoleBusy::show()
{
    g_interrupted.store(false);
    m_rows = 0;
    m_shown = true;
    draw();
}

void ConsoleBusy::hide()
{
    if (m_shown && m_tty)
        std::fputs("\r\033[K", stderr);
    m_shown = false;
}

void ConsoleBusy::yield()
{
    ++m_rows;
    if (m_shown && m_clock.elapsed() >= 200) {
        m_clock.restart();
        draw();
    }
}

bool ConsoleBusy::cancelled() const
{
    return g_interrupted.load();
}

void ConsoleBusy::draw()
{
    if (!m_tty)
        return;
    const QString line = QStringLiteral("\r\033[K%1 %2 行 (Ctrl-C で中止)").arg(m_text).arg(m_rows);
    std::fputs(line.toUtf8().constData(), stderr);
    std::fflush(stderr);
}

} // namespace tq::app
