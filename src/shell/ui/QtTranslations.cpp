#include "shell/ui/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace tq::shell::ui {

QTranslator* installQtTranslations()
{
    const QString directory = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    auto* translator = new QTranslator(QCoreApplication::instance());
    const bool loaded = translator->load(QLocale::system(), QStringLiteral("qtbase"), QStringLiteral("_"), directory) ||
                        translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                                         QStringLiteral("_"), directory);
    if (!loaded || !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return nullptr;
    }
    return translator;
}

} // namespace tq::shell::ui
