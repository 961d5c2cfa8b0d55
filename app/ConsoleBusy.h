#pragma once
// The busy window on a terminal, shared by the subcommands that run
// analyses: a progress line on stderr redrawn at most every 200 ms,
// cancelled by Ctrl-C once onConsoleInterrupt is the SIGINT handler.

#include "shell/Busy.h"

#include <QElapsedTimer>
#include <QString>

namespace tq::app {

// The SIGINT handler that cancels the running ConsoleBusy.
extern "C" void onConsoleInterrupt(int);

class ConsoleBusy final : public shell::Busy {
  public:
    ConsoleBusy();
    ~ConsoleBusy() override { hide(); }

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

} // namespace tq::app
