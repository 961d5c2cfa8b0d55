#pragma once
// The busy window's contract as the core sees it: a progress text, a cancel
// flag, and yield(), which long loops call once per row. Implementations let
// the event loop run at most every ~30 ms, so a call costs a clock read.

#include <QString>

namespace tq::shell {

class Busy {
public:
    virtual ~Busy() = default;

    virtual void show() = 0;
    virtual void hide() = 0;
    // Replaces the progress text (the busy window's second label).
    virtual void setProgress(const QString& text) = 0;
    // Lets pending window events run when enough time has passed.
    virtual void yield() = 0;
    // Like yield(), but only the busy window takes user input (its キャンセル;
    // input for other windows is dropped): for calls from inside a running
    // database statement, where nothing the user starts may use the database.
    // Windows still repaint and timers still run (so no timer may use the
    // database either).
    virtual void keepAlive() {}
    // True once the user pressed キャンセル; reset by show().
    virtual bool cancelled() const = 0;
};

// A busy window for headless runs: records the progress texts, never cancels
// unless told to.
class SilentBusy final : public Busy {
public:
    void show() override { m_cancel = false; }
    void hide() override {}
    void setProgress(const QString& text) override { m_lastText = text; }
    void yield() override {}
    bool cancelled() const override { return m_cancel; }

    void requestCancel() { m_cancel = true; }
    const QString& lastText() const { return m_lastText; }

private:
    bool m_cancel = false;
    QString m_lastText;
};

} // namespace tq::shell
