#include "shell/ui/AppStyle.h"

#include <QAbstractItemView>
#include <QImage>
#include <QPainter>
#include <QStyleOption>

namespace tq::shell::ui {

namespace {

constexpr int kFocusPenWidth = 2;
// How much of a disabled icon still shows through.
constexpr double kDisabledIconOpacity = 0.3;

bool isItemView(const QWidget* widget)
{
    return qobject_cast<const QAbstractItemView*>(widget) != nullptr;
}

QColor focusColour(const QStyleOption& option)
{
    return option.palette.color(QPalette::Active, QPalette::Highlight).darker(150);
}

void drawFocusRectangle(QPainter& painter, const QRect& rect, const QColor& colour)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    QPen pen(colour, kFocusPenWidth);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    // A pen of width 2 straddles the rectangle's edge: keep it inside.
    painter.drawRect(rect.adjusted(1, 1, -1, -1));
    painter.restore();
}

} // namespace

void AppStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                             const QWidget* widget) const
{
    if (element == PE_FrameFocusRect && isItemView(widget)) {
        drawFocusRectangle(*painter, option->rect, focusColour(*option));
        return;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
    if (element == PE_Frame && isItemView(widget) && (option->state & State_HasFocus))
        drawFocusRectangle(*painter, option->rect, option->palette.color(QPalette::Active, QPalette::Highlight));
}

QPixmap AppStyle::generatedIconPixmap(QIcon::Mode mode, const QPixmap& pixmap, const QStyleOption* option) const
{
    if (mode != QIcon::Disabled)
        return QProxyStyle::generatedIconPixmap(mode, pixmap, option);
    QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int grey = qGray(line[x]);
            line[x] = qRgba(grey, grey, grey, int(qAlpha(line[x]) * kDisabledIconOpacity));
        }
    }
    QPixmap result = QPixmap::fromImage(image);
    result.setDevicePixelRatio(pixmap.devicePixelRatio());
    return result;
}

} // namespace tq::shell::ui
