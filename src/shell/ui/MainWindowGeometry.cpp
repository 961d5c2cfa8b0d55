#include "shell/ui/MainWindowGeometry.h"

#include "common/VbNumber.h"

#include <QSettings>

#include <cmath>

namespace tq::shell::ui {

using common::pixelsToTwips;
using common::twipsToPixels;

namespace {

const QString kLeft = QStringLiteral("MainLeft");
const QString kTop = QStringLiteral("MainTop");
const QString kWidth = QStringLiteral("MainWidth");
const QString kHeight = QStringLiteral("MainHeight");

float readKey(QSettings& settings, const QString& key, float fallback)
{
    const QVariant value = settings.value(key);
    if (!value.isValid())
        return fallback;
    bool ok = false;
    const float number = value.toString().trimmed().toFloat(&ok);
    return ok && std::isfinite(number) ? number : fallback;
}

QString numberText(float value)
{
    // The single-precision text without Str's leading blank.
    return common::vbStrSingle(value).trimmed();
}

} // namespace

QString geometrySection()
{
    return QStringLiteral("MDIFrmDEVovuved_Settings");
}

QRect toPixels(const TwipsGeometry& g, double dpiX, double dpiY)
{
    return QRect(twipsToPixels(g.left, dpiX), twipsToPixels(g.top, dpiY), twipsToPixels(g.width, dpiX),
                 twipsToPixels(g.height, dpiY));
}

TwipsGeometry toTwips(const QRect& r, double dpiX, double dpiY)
{
    return TwipsGeometry{pixelsToTwips(r.x(), dpiX), pixelsToTwips(r.y(), dpiY), pixelsToTwips(r.width(), dpiX),
                         pixelsToTwips(r.height(), dpiY)};
}

TwipsGeometry readGeometry(QSettings& settings)
{
    const TwipsGeometry defaults;
    settings.beginGroup(geometrySection());
    TwipsGeometry g{readKey(settings, kLeft, defaults.left), readKey(settings, kTop, defaults.top),
                    readKey(settings, kWidth, defaults.width), readKey(settings, kHeight, defaults.height)};
    settings.endGroup();
    return g;
}

void writeGeometry(QSettings& settings, const TwipsGeometry& g)
{
    settings.beginGroup(geometrySection());
    settings.setValue(kLeft, numberText(g.left));
    settings.setValue(kTop, numberText(g.top));
    settings.setValue(kWidth, numberText(g.width));
    settings.setValue(kHeight, numberText(g.height));
    settings.endGroup();
    settings.sync();
}

} // namespace tq::shell::ui
