#include "HeadlessRender.h"

#include "AddinStart.h"

#include "shell/ui/GuiStartup.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QWidget>

namespace tq::addins {

bool renderHeadless(QWidget& window, const QSize& size, const std::function<bool()>& save)
{
    window.setAttribute(Qt::WA_DontShowOnScreen);
    window.resize(size);
    window.show();
    // Charts and views lay themselves out through posted events.
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 150)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return save();
}

int renderPngStatus(QWidget& window, const QSize& size, const QString& path, const AddinIdentity& identity,
                    const std::function<bool()>& save)
{
    if (renderHeadless(window, size, save))
        return 0;
    printAddinError(identity, path + QStringLiteral(" に書き込めません"));
    return 2;
}

bool grabWindowPng(QWidget& window, const QString& path)
{
    return window.grab().save(path, "PNG");
}

void setAddinFont()
{
    shell::ui::setApplicationFont();
}

} // namespace tq::addins
