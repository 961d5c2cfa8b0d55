#include "shell/ui/StartUpWindow.h"

#include "context/AppContext.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWindow>

namespace tq::shell::ui {

StartUpWindow::StartUpWindow(QWidget* parent)
    : QFrame(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("frmTQStartUp"));
    setWindowTitle(context::AppContext::applicationTitle());
    setAutoFillBackground(true);
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(2);

    m_lblTitle = new QLabel(QStringLiteral("「") + context::AppContext::applicationTitle() + QStringLiteral("」 Version ")
                                + context::AppContext::programVersion(),
                            this);
    m_lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont = m_lblTitle->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.4);
    titleFont.setBold(true);
    m_lblTitle->setFont(titleFont);

    m_label3 = new QLabel(QStringLiteral("しばらくお待ちください"), this);
    m_label3->setObjectName(QStringLiteral("Label3"));
    m_label2 = new QLabel(QStringLiteral("起動中です"), this);
    m_label2->setObjectName(QStringLiteral("Label2"));
    m_label2->setMinimumHeight(m_label2->fontMetrics().height() * 2 + 4);
    m_label2->setWordWrap(true);

    m_cmdCan = new QPushButton(QStringLiteral("キャンセル"), this);
    m_cmdCan->setObjectName(QStringLiteral("cmdCan"));
    connect(m_cmdCan, &QPushButton::clicked, this, [this]() { m_cancel = true; });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 18, 24, 18);
    layout->addWidget(m_lblTitle);
    layout->addSpacing(8);
    layout->addWidget(m_label3);
    layout->addWidget(m_label2);
    layout->addWidget(m_cmdCan, 0, Qt::AlignRight);
    setMinimumWidth(420);
}

void StartUpWindow::setProgress(const QString& text)
{
    m_label2->setText(text);
    if (m_label2->isVisible())
        m_label2->repaint();
}

QString StartUpWindow::progress() const
{
    return m_label2->text();
}

QString StartUpWindow::titleText() const
{
    return m_lblTitle->text();
}

void StartUpWindow::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QFrame::mousePressEvent(event);
    // Let the window system move the window when it can; else follow the mouse.
    if (windowHandle() && windowHandle()->startSystemMove())
        return;
    m_dragging = true;
    m_dragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void StartUpWindow::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging)
        move(event->globalPosition().toPoint() - m_dragOffset);
    else
        QFrame::mouseMoveEvent(event);
}

void StartUpWindow::mouseReleaseEvent(QMouseEvent* event)
{
    m_dragging = false;
    QFrame::mouseReleaseEvent(event);
}

} // namespace tq::shell::ui
