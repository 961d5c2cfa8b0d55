#pragma once
// The prompter of the GUI: message boxes, input boxes, file and colour
// dialogs. A system-modal message stays on top of every window.
//
// Every dialog opens over the window the user is working in (the active
// window, else the main window), so it comes back to that window when it
// closes. While a dialog is open the busy window is hidden (BusyWindowAside):
// a message shown during an operation is never under it.

#include "context/Prompter.h"

class QWidget;

namespace tq::shell::ui {

class WindowBusy;

class QtPrompter final : public context::Prompter {
public:
    // `parent`: the window dialogs are centred on (may be null, and may be
    // changed once the main window exists).
    explicit QtPrompter(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget* parent) { m_parent = parent; }
    // The busy window whose presence the message boxes take into account
    // (may be null: no busy window).
    void setBusy(const WindowBusy* busy) { m_busy = busy; }
    // The window a dialog opens over: the active window unless it is the busy
    // window, else the parent given.
    QWidget* dialogParent() const;

    void inform(const context::Message& message) override;
    context::Answer ask(const context::Message& message, bool withCancel = false) override;
    bool inputText(const QString& prompt, const QString& caption, QString& value) override;
    QString openFileName(const QString& caption, const QString& directory, const QString& filter) override;
    QString saveFileName(const QString& caption, const QString& fileName, const QString& filter) override;
    bool pickColour(qint32& colour) override;

private:
    QWidget* m_parent;
    const WindowBusy* m_busy = nullptr;
};

} // namespace tq::shell::ui
