#include "shell/ui/WindowBusy.h"

#include "shell/ui/StartUpWindow.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>
#include <QWindow>

namespace tq::shell::ui {

namespace {

bool isUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}

// While it lives, drops user input meant for any widget outside `allowed`
// (like a modal window does); painting, timers and the allowed window's
// input go on.
class BusyWindowInputOnly final : public QObject {
  public:
    explicit BusyWindowInputOnly(QWidget* allowed) : m_allowed(allowed)
    {
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~BusyWindowInputOnly() override { QCoreApplication::instance()->removeEventFilter(this); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!isUserInput(event->type()))
            return false;
        if (!m_allowed)
            return true;
        if (watched == m_allowed->windowHandle())
            return false; // the busy window's own window passes input on to its widgets
        auto* widget = qobject_cast<QWidget*>(watched);
        return !(widget && (widget == m_allowed || m_allowed->isAncestorOf(widget)));
    }

  private:
    QWidget* m_allowed;
};

} // namespace

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
    showProgress();
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
    m_progress = text;
    showProgress();
}

void WindowBusy::setStep(const QString& text)
{
    m_step = text;
    showProgress();
}

void WindowBusy::showProgress()
{
    // Before any text is set the window keeps its own start-up text.
    if (!m_window || (m_step.isEmpty() && m_progress.isEmpty()))
        return;
    m_window->setProgress(m_step.isEmpty() ? m_progress : m_step + QStringLiteral("　") + m_progress);
}

void WindowBusy::yield()
{
    if (!intervalPassed())
        return;
    QCoreApplication::processEvents();
    m_sinceYield.start();
}

void WindowBusy::keepAlive()
{
    if (!intervalPassed())
        return;
    // Only the busy window (its キャンセル) may take input here: anything else
    // the user starts could use the database inside the running statement.
    const BusyWindowInputOnly onlyBusyWindow(m_window.data());
    QCoreApplication::processEvents();
    m_sinceYield.start();
}

bool WindowBusy::intervalPassed() const
{
    return !m_sinceYield.isValid() || m_sinceYield.elapsed() >= kYieldIntervalMs;
}

bool WindowBusy::cancelled() const
{
    return m_window ? m_window->cancelRequested() : m_cancelAfterHide;
}

BusyWindowAside::BusyWindowAside(const WindowBusy* busy)
{
    StartUpWindow* window = busy ? busy->window() : nullptr;
    if (!window || !window->isVisible())
        return;
    m_hidden = window;
    window->hide();
}

BusyWindowAside::~BusyWindowAside()
{
    if (!m_hidden)
        return;
    // The dialog's own window keeps the focus it handed back.
    m_hidden->setAttribute(Qt::WA_ShowWithoutActivating);
    m_hidden->show();
    m_hidden->setAttribute(Qt::WA_ShowWithoutActivating, false);
}

} // namespace tq::shell::ui
