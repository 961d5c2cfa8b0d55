#include "shell/ui/QtPrompter.h"

#include "context/AppContext.h"
#include "shell/ui/MainWindowFiles.h"
#include "shell/ui/WindowBusy.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace tq::shell::ui {

namespace {

// The system's filters are written "description|pattern|..."; Qt's dialogs
// want "description (pattern);;...".
QString qtFilter(const QString& filter)
{
    return filter.contains(QLatin1Char('|')) ? toQtFileFilter(filter) : filter;
}

QMessageBox::Icon boxIcon(context::Icon icon)
{
    switch (icon) {
    case context::Icon::Information: return QMessageBox::Information;
    case context::Icon::Question: return QMessageBox::Question;
    case context::Icon::Exclamation: return QMessageBox::Warning;
    case context::Icon::Critical: return QMessageBox::Critical;
    case context::Icon::None: break;
    }
    return QMessageBox::NoIcon;
}

QString captionOf(const context::Message& message)
{
    return message.caption.isEmpty() ? context::AppContext::applicationTitle() : message.caption;
}

int runBox(QWidget* parent, const context::Message& message, QMessageBox::StandardButtons buttons,
           QMessageBox::StandardButton defaultButton)
{
    QMessageBox box(boxIcon(message.icon), captionOf(message), message.text, buttons, parent);
    box.setDefaultButton(defaultButton);
    if (message.systemModal) {
        box.setWindowModality(Qt::ApplicationModal);
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
    }
    return box.exec();
}

} // namespace

QWidget* QtPrompter::dialogParent() const
{
    QWidget* active = QApplication::activeWindow();
    const QWidget* busyWindow = m_busy ? m_busy->window() : nullptr;
    if (active && active != busyWindow && active->isVisible())
        return active;
    return m_parent;
}

void QtPrompter::inform(const context::Message& message)
{
    QWidget* parent = dialogParent();
    const BusyWindowAside aside(m_busy);
    runBox(parent, message, QMessageBox::Ok, QMessageBox::Ok);
}

context::Answer QtPrompter::ask(const context::Message& message, bool withCancel)
{
    QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No;
    if (withCancel)
        buttons |= QMessageBox::Cancel;
    QWidget* parent = dialogParent();
    const BusyWindowAside aside(m_busy);
    switch (runBox(parent, message, buttons, QMessageBox::Yes)) {
    case QMessageBox::Yes: return context::Answer::Yes;
    case QMessageBox::No: return context::Answer::No;
    default: return withCancel ? context::Answer::Cancel : context::Answer::No;
    }
}

bool QtPrompter::inputText(const QString& prompt, const QString& caption, QString& value)
{
    bool ok = false;
    QWidget* parent = dialogParent();
    const BusyWindowAside aside(m_busy);
    const QString text = QInputDialog::getText(parent, caption.isEmpty() ? context::AppContext::applicationTitle() : caption,
                                               prompt, QLineEdit::Normal, value, &ok);
    if (ok)
        value = text;
    return ok;
}

QString QtPrompter::openFileName(const QString& caption, const QString& directory, const QString& filter)
{
    QWidget* parent = dialogParent();
    const BusyWindowAside aside(m_busy);
    return QFileDialog::getOpenFileName(parent, caption, directory, qtFilter(filter));
}

QString QtPrompter::saveFileName(const QString& caption, const QString& fileName, const QString& filter)
{
    QWidget* parent = dialogParent();
    const BusyWindowAside aside(m_busy);
    return QFileDialog::getSaveFileName(parent, caption, fileName, qtFilter(filter));
}

bool QtPrompter::pickColour(qint32& colour)
{
    // Windows colour values keep red in the lowest byte.
    const QColor initial(colour & 0xff, (colour >> 8) & 0xff, (colour >> 16) & 0xff);
    QWidget* parent = dialogParent();
    const BusyWindowAside aside(m_busy);
    const QColor chosen = QColorDialog::getColor(initial, parent);
    if (!chosen.isValid())
        return false;
    colour = qint32(chosen.red() | (chosen.green() << 8) | (chosen.blue() << 16));
    return true;
}

} // namespace tq::shell::ui
