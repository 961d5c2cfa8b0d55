#pragma once
// The busy window's contract as the core sees it: a progress text, a cancel
// flag, and yield(), which long loops call once per row. Implementations let
// the event loop run at most every ~30 ms, so a call costs a clock read.

#include <QString>
#include <QStringList>

namespace tq::context {

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
    // A batch that runs one operation per item (recalculating favourites)
    // names the item it is at ("名称 (3/100)"); the busy window shows it with
    // the progress text across the show() and hide() of every operation,
    // until the batch sets an empty step.
    virtual void setStep(const QString& text) { (void)text; }
};

// A busy window for headless runs: records the progress texts, never cancels
// unless told to.
class SilentBusy final : public Busy {
public:
    void show() override { m_cancel = false; }
    void hide() override {}
    void setProgress(const QString& text) override { m_lastText = text; }
    void setStep(const QString& text) override
    {
        if (!text.isEmpty())
            m_steps << text;
    }
    void yield() override {}
    bool cancelled() const override { return m_cancel; }

    void requestCancel() { m_cancel = true; }
    const QString& lastText() const { return m_lastText; }
    // Every step a batch named, in order.
    const QStringList& steps() const { return m_steps; }

private:
    bool m_cancel = false;
    QString m_lastText;
    QStringList m_steps;
};

} // namespace tq::context
