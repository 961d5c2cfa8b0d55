#pragma once
// The Busy service of the GUI: shows the start-up window (frmTQStartUp) as
// the busy window. yield() and keepAlive() let the event loop run at most
// every ~30 ms, so a call per row costs a clock read.

#include "shell/Busy.h"
#include "shell/ui/StartUpWindow.h"

#include <QElapsedTimer>
#include <QPointer>

namespace tq::shell::ui {

class WindowBusy final : public Busy {
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
    void yield() override;
    void keepAlive() override;
    bool cancelled() const override;

    // The window while shown, else nullptr.
    StartUpWindow* window() const { return m_window.data(); }

  private:
    bool intervalPassed() const;

    QPointer<StartUpWindow> m_window;
    QElapsedTimer m_sinceYield;
    bool m_cancelAfterHide = false; // the flag keeps its value until the next show()
};

} // namespace tq::shell::ui
