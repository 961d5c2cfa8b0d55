#include "shell/ui/QtPrompter.h"

#include "shell/AppContext.h"
#include "shell/ui/MainWindowFiles.h"
#include "shell/ui/WindowBusy.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace tq::shell::ui {

namespace {

// The system's filters are written "description|pattern|..."; Qt's dialogs
// want "description (pattern);;...".
QString qtFilter(const QString& filter)
{
    return filter.contains(QLatin1Char('|')) ? toQtFileFilter(filter) : filter;
}

QMessageBox::Icon boxIcon(Icon icon)
{
    switch (icon) {
    case Icon::Information: return QMessageBox::Information;
    case Icon::Question: return QMessageBox::Question;
    case Icon::Exclamation: return QMessageBox::Warning;
    case Icon::Critical: return QMessageBox::Critical;
    case Icon::None: break;
    }
    return QMessageBox::NoIcon;
}

QString captionOf(const Message& message)
{
    return message.caption.isEmpty() ? AppContext::applicationTitle() : message.caption;
}

int runBox(QWidget* parent, const WindowBusy* busy, const Message& message, QMessageBox::StandardButtons buttons,
           QMessageBox::StandardButton defaultButton)
{
    QMessageBox box(boxIcon(message.icon), captionOf(message), message.text, buttons, parent);
    box.setDefaultButton(defaultButton);
    if (message.systemModal) {
        box.setWindowModality(Qt::ApplicationModal);
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
    }
    if (busy && busy->keepAbove(box) && buttons == QMessageBox::Ok)
        QObject::connect(busy->window()->cancelButton(), &QPushButton::clicked, &box, &QMessageBox::accept);
    return box.exec();
}

} // namespace

void QtPrompter::inform(const Message& message)
{
    runBox(m_parent, m_busy, message, QMessageBox::Ok, QMessageBox::Ok);
}

Answer QtPrompter::ask(const Message& message, bool withCancel)
{
    QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No;
    if (withCancel)
        buttons |= QMessageBox::Cancel;
    switch (runBox(m_parent, m_busy, message, buttons, QMessageBox::Yes)) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    default: return withCancel ? Answer::Cancel : Answer::No;
    }
}

bool QtPrompter::inputText(const QString& prompt, const QString& caption, QString& value)
{
    bool ok = false;
    const QString text = QInputDialog::getText(m_parent, caption.isEmpty() ? AppContext::applicationTitle() : caption,
                                               prompt, QLineEdit::Normal, value, &ok);
    if (ok)
        value = text;
    return ok;
}

QString QtPrompter::openFileName(const QString& caption, const QString& directory, const QString& filter)
{
    return QFileDialog::getOpenFileName(m_parent, caption, directory, qtFilter(filter));
}

QString QtPrompter::saveFileName(const QString& caption, const QString& fileName, const QString& filter)
{
    return QFileDialog::getSaveFileName(m_parent, caption, fileName, qtFilter(filter));
}

bool QtPrompter::pickColour(qint32& colour)
{
    // Windows colour values keep red in the lowest byte.
    const QColor initial(colour & 0xff, (colour >> 8) & 0xff, (colour >> 16) & 0xff);
    const QColor chosen = QColorDialog::getColor(initial, m_parent);
    if (!chosen.isValid())
        return false;
    colour = qint32(chosen.red() | (chosen.green() << 8) | (chosen.blue() << 16));
    return true;
}

} // namespace tq::shell::ui
