#pragma once
// The Busy service of the GUI: shows the start-up window (frmTQStartUp) as
// the busy window. yield() and keepAlive() let the event loop run at most
// every ~30 ms, so a call per row costs a clock read.

#include "context/Busy.h"
#include "shell/ui/StartUpWindow.h"

#include <QElapsedTimer>
#include <QPointer>

class QDialog;

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

    // Prepares a modal dialog about to open while the busy window may be up.
    // The busy window stays on top of every other window, so a dialog opened
    // meanwhile would open behind it and the operation would wait unseen on
    // it. While the busy window is visible the dialog is made to stay on top
    // as well (opened later, it comes above the busy window and takes the
    // focus) and modal only to its own parent's windows, so the busy window's
    // キャンセル keeps working while the dialog waits. Without a visible busy
    // window nothing changes. Returns whether the busy window was up.
    bool keepAbove(QDialog& dialog) const;

  private:
    bool intervalPassed() const;
    void showProgress();

    QPointer<StartUpWindow> m_window;
    QElapsedTimer m_sinceYield;
    bool m_cancelAfterHide = false; // the flag keeps its value until the next show()
    QString m_step;     // the batch's item, kept across show() and hide()
    QString m_progress; // the operation's progress text
};

} // namespace tq::shell::ui
