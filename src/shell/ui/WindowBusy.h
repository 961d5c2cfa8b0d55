#pragma once
// The Busy service of the GUI: shows the start-up window (frmTQStartUp) as
// the busy window. yield() and keepAlive() let the event loop run at most
// every ~30 ms, so a call per row costs a clock read.

#include "context/Busy.h"
#include "shell/ui/StartUpWindow.h"

#include <QElapsedTimer>
#include <QPointer>

namespace tq::shell::ui {

class WindowBusy final : public context::Busy {
  public:
    static constexpr int kYieldIntervalMs = 30;

    WindowBusy();
    ~WindowBusy() override;
    WindowBusy(const WindowBusy&) = delete;
    WindowBusy& operator=(const WindowBusy&) = delete;

    // Creates the window when needed, resets the cancel flag, shows it and
    // lets pending events run once.
    void show() override;
    // Closes and deletes the window.
    void hide() override;
    void setProgress(const QString& text) override;
    void setStep(const QString& text) override;
    void yield() override;
    void keepAlive() override;
    bool cancelled() const override;

    // The window while shown, else nullptr.
    StartUpWindow* window() const { return m_window.data(); }

  private:
    bool intervalPassed() const;
    void showProgress();

    QPointer<StartUpWindow> m_window;
    QElapsedTimer m_sinceYield;
    bool m_cancelAfterHide = false; // the flag keeps its value until the next show()
    QString m_step;     // the batch's item, kept across show() and hide()
    QString m_progress; // the operation's progress text
};

// While it lives, the busy window is out of the way of a dialog: hidden if
// it was up, shown again (without taking the focus) when the scope ends. The
// busy window stays on top of every other window, and window managers order
// two windows that both stay on top as they see fit, so a message opened
// over it could end up under it and the operation would wait unseen on it.
// Hidden, it cannot be in the way whatever the window manager does; its
// キャンセル is back as soon as the dialog is answered.
class BusyWindowAside final {
  public:
    // `busy` may be null (no busy window).
    explicit BusyWindowAside(const WindowBusy* busy);
    ~BusyWindowAside();
    BusyWindowAside(const BusyWindowAside&) = delete;
    BusyWindowAside& operator=(const BusyWindowAside&) = delete;

  private:
    QPointer<StartUpWindow> m_hidden;
};

} // namespace tq::shell::ui
