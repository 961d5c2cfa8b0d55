#pragma once
// The busy window of the long-running commands on a terminal: a progress line
// on stderr (text and rows so far) redrawn at most every 200 ms, cancelled by
// Ctrl-C while an InterruptScope is alive.

#include "shell/Busy.h"

#include <QElapsedTimer>
#include <QString>

namespace tq::app {

class TerminalBusy final : public shell::Busy {
  public:
    TerminalBusy();
    ~TerminalBusy() override;

    void show() override;
    void hide() override;
    void setProgress(const QString& text) override { m_text = text; }
    void yield() override;
    bool cancelled() const override;

  private:
    void draw();

    bool m_tty;
    bool m_shown = false;
    qint64 m_rows = 0;
    QString m_text;
    QElapsedTimer m_clock;
};

// Routes SIGINT (Ctrl-C) to the cancel flag of TerminalBusy for its lifetime,
// then puts the previous handler back.
class InterruptScope final {
  public:
    InterruptScope();
    ~InterruptScope();
    InterruptScope(const InterruptScope&) = delete;
    InterruptScope& operator=(const InterruptScope&) = delete;

  private:
    void (*m_previous)(int);
};

} // namespace tq::app
