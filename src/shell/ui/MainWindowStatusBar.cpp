#include "shell/ui/MainWindowStatusBar.h"

#include <QDateTime>
#include <QLabel>
#include <QTimer>

namespace tq::shell::ui {

namespace {

QLabel* panel(const QString& name, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    label->setContentsMargins(4, 0, 4, 0);
    return label;
}

} // namespace

MainWindowStatusBar::MainWindowStatusBar(QWidget* parent)
    : QStatusBar(parent),
      m_status(panel(QStringLiteral("stbStatus_Panel1"), this)),
      m_date(panel(QStringLiteral("stbStatus_Date"), this)),
      m_time(panel(QStringLiteral("stbStatus_Time"), this)),
      m_clock(new QTimer(this))
{
    setObjectName(QStringLiteral("stbStatus"));
    setSizeGripEnabled(true);
    // The run texts can be long: the first panel takes the spare width and
    // never makes the window wider.
    m_status->setMinimumWidth(1);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    addPermanentWidget(m_status, 1);
    addPermanentWidget(m_date);
    addPermanentWidget(m_time);
    connect(m_clock, &QTimer::timeout, this, &MainWindowStatusBar::refreshClock);
    m_clock->start(1000);
    refreshClock();
}

QString MainWindowStatusBar::text() const
{
    return m_status->text();
}

void MainWindowStatusBar::setText(const QString& text)
{
    m_status->setText(text);
    m_status->setToolTip(text);
    // The run writes its start time and then reads rows for a while: show it now.
    m_status->repaint();
}

void MainWindowStatusBar::refreshClock()
{
    const QDateTime now = QDateTime::currentDateTime();
    m_date->setText(now.toString(QStringLiteral("yyyy/MM/dd")));
    m_time->setText(now.toString(QStringLiteral("H:mm")));
}

} // namespace tq::shell::ui
