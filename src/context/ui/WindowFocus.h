#pragma once
// The window a command concerns comes to the front and takes the focus.
//
// bringToFront: a top-level window is shown normal (if minimised), raised
// and activated; a document in a workspace (QMdiArea) first becomes the
// workspace's active document.
//
// ControlsLockedDuringRun: disables a window's controls while a run lets
// events through, without the keyboard focus leaving the document. A
// control that is disabled while it has the focus hands the focus on to the
// next control in the focus chain, which in a workspace of several documents
// lies in another document, and that document would become the active one.
// Meanwhile the focus waits on the controls' parent; it returns to the
// control that had it when the lock ends.

#include <QPointer>
#include <QWidget>

namespace tq::context::ui {

void bringToFront(QWidget& window);

class ControlsLockedDuringRun final {
  public:
    // `controls` must have a parent widget, which keeps the focus meanwhile.
    explicit ControlsLockedDuringRun(QWidget& controls);
    ~ControlsLockedDuringRun();
    ControlsLockedDuringRun(const ControlsLockedDuringRun&) = delete;
    ControlsLockedDuringRun& operator=(const ControlsLockedDuringRun&) = delete;

  private:
    QPointer<QWidget> m_controls;
    QPointer<QWidget> m_focus; // the control that had the focus, if inside `controls`
};

} // namespace tq::context::ui
