#pragma once
// The QApplication of a window test program, made on first use and kept for
// the rest of the program: the offscreen platform unless one is chosen, and
// the program's Japanese font families (not the Chinese fallback), so every
// window test lays out with the same font whichever test runs first.

#include <QApplication>
#include <QFont>

namespace tq::support {

inline void ensureGuiApplication()
{
    if (QApplication::instance())
        return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "tests";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv); // lives for the rest of the test program
    QFont font = QApplication::font();
    font.setFamilies({QStringLiteral("Noto Sans CJK JP"), QStringLiteral("IPAexGothic")});
    QApplication::setFont(font);
}

} // namespace tq::support
