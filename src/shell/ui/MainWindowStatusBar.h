#pragma once
// The main window's status bar stbStatus: a first panel for the texts of
// analysis runs (the StatusLine the core writes to), then the date and the
// time, refreshed every second.

#include "context/StatusLine.h"

#include <QStatusBar>

class QLabel;
class QTimer;

namespace tq::shell::ui {

class MainWindowStatusBar final : public QStatusBar, public context::StatusLine {
    Q_OBJECT
public:
    explicit MainWindowStatusBar(QWidget* parent = nullptr);

    QString text() const override;
    void setText(const QString& text) override;

    QLabel* statusPanel() const { return m_status; }
    QLabel* datePanel() const { return m_date; }
    QLabel* timePanel() const { return m_time; }

    // Shows the date and time of now.
    void refreshClock();

private:
    QLabel* m_status;
    QLabel* m_date;
    QLabel* m_time;
    QTimer* m_clock;
};

} // namespace tq::shell::ui
