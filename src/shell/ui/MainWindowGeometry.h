#pragma once
// The main window's position and size as the settings store keeps them: in
// twips (1/1440 inch), as the text of a single-precision number, in the
// section "MDIFrmDEVovuved_Settings" under the keys MainLeft, MainTop,
// MainWidth and MainHeight. Twips are converted to pixels at the screen's
// logical DPI (common/Twips.h), so a stored size means the same physical
// size on any screen.

#include "common/Twips.h"

#include <QRect>
#include <QString>

class QSettings;

namespace tq::shell::ui {

struct TwipsGeometry {
    float left = 0;
    float top = 0;
    float width = 9600;
    float height = 7200;
};

// The size 標準の大きさ･位置に戻す gives: top left corner, 12000 × 9000 twips.
inline constexpr TwipsGeometry kStandardGeometry{0, 0, 12000, 9000};

QString geometrySection();

QRect toPixels(const TwipsGeometry& geometry, double dpiX, double dpiY);
TwipsGeometry toTwips(const QRect& pixels, double dpiX, double dpiY);

// Reads the four keys; a missing key or a text that is not a number gives the
// key's default (0, 0, 9600, 7200).
TwipsGeometry readGeometry(QSettings& settings);
// Writes the four keys as number texts ("9600", "1234.5").
void writeGeometry(QSettings& settings, const TwipsGeometry& geometry);

} // namespace tq::shell::ui
