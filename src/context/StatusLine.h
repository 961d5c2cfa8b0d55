#pragma once
// The first panel of the main window's status line, as the core sees it: the
// analysis run writes its start, data and end times there. The GUI implements
// it on its status bar; the command line and tests keep the text in memory.

#include <QString>

namespace tq::context {

class StatusLine {
public:
    virtual ~StatusLine() = default;

    virtual QString text() const = 0;
    virtual void setText(const QString& text) = 0;
};

// A status line that only keeps its text (headless runs, tests).
class MemoryStatusLine final : public StatusLine {
public:
    QString text() const override { return m_text; }
    void setText(const QString& text) override { m_text = text; }

private:
    QString m_text;
};

} // namespace tq::context
