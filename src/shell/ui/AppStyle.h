#pragma once
// The program's style: the platform's own style with three things made
// plainly visible that it draws faintly.
//  - The grid or list that has the keyboard focus: its frame is drawn in the
//    selection colour.
//  - The current cell of the focused grid or list: a solid two-pixel frame
//    (the base style draws a faint one, invisible on a selected cell).
//  - Disabled icons (toolbar buttons of unavailable commands): grey and
//    mostly transparent, so they do not pass for enabled ones.

#include <QProxyStyle>

namespace tq::shell::ui {

class AppStyle final : public QProxyStyle {
    Q_OBJECT
public:
    // Wraps the application's default style.
    AppStyle() = default;

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    QPixmap generatedIconPixmap(QIcon::Mode mode, const QPixmap& pixmap, const QStyleOption* option) const override;
};

} // namespace tq::shell::ui
