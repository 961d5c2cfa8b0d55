#include "context/ui/WindowFocus.h"

#include <QMdiArea>
#include <QMdiSubWindow>

namespace tq::context::ui {

namespace {

QMdiSubWindow* workspaceFrameOf(QWidget& widget)
{
    for (QWidget* w = &widget; w && !w->isWindow(); w = w->parentWidget())
        if (auto* sub = qobject_cast<QMdiSubWindow*>(w))
            return sub;
    return nullptr;
}

} // namespace

void bringToFront(QWidget& window)
{
    if (QMdiSubWindow* sub = workspaceFrameOf(window)) {
        if (QMdiArea* area = sub->mdiArea())
            area->setActiveSubWindow(sub);
    }
    QWidget* top = window.window();
    if (top->isMinimized())
        top->showNormal();
    top->raise();
    top->activateWindow();
}

ControlsLockedDuringRun::ControlsLockedDuringRun(QWidget& controls) : m_controls(&controls)
{
    QWidget* focus = controls.window()->focusWidget();
    if (focus && (focus == &controls || controls.isAncestorOf(focus))) {
        m_focus = focus;
        if (QWidget* parent = controls.parentWidget())
            parent->setFocus(Qt::OtherFocusReason);
    }
    controls.setEnabled(false);
}

ControlsLockedDuringRun::~ControlsLockedDuringRun()
{
    if (!m_controls)
        return;
    m_controls->setEnabled(true);
    if (m_focus && m_focus->isEnabled())
        m_focus->setFocus(Qt::OtherFocusReason);
}

} // namespace tq::context::ui
