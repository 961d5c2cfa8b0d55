#include "shell/ui/WindowBusy.h"

#include "shell/ui/StartUpWindow.h"

#include <QCoreApplication>
#include <QEventLoop>

namespace tq::shell::ui {

WindowBusy::WindowBusy() = default;

WindowBusy::~WindowBusy()
{
    delete m_window.data();
}

void WindowBusy::show()
{
    if (!m_window)
        m_window = new StartUpWindow;
    m_window->resetCancel();
    m_cancelAfterHide = false;
    m_window->show();
    m_window->raise();
    QCoreApplication::processEvents();
    m_sinceYield.start();
}

void WindowBusy::hide()
{
    if (m_window) {
        m_cancelAfterHide = m_window->cancelRequested();
        m_window->close();
        delete m_window.data();
    }
}

void WindowBusy::setProgress(const QString& text)
{
    if (m_window)
        m_window->setProgress(text);
}

void WindowBusy::yield()
{
    processEventsEvery(QEventLoop::AllEvents);
}

void WindowBusy::keepAlive()
{
    processEventsEvery(QEventLoop::ExcludeUserInputEvents);
}

void WindowBusy::processEventsEvery(QEventLoop::ProcessEventsFlags flags)
{
    if (!m_sinceYield.isValid() || m_sinceYield.elapsed() >= kYieldIntervalMs) {
        QCoreApplication::processEvents(flags);
        m_sinceYield.start();
    }
}

bool WindowBusy::cancelled() const
{
    return m_window ? m_window->cancelRequested() : m_cancelAfterHide;
}

} // namespace tq::shell::ui
