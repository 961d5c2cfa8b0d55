#include "shell/ui/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace tq::shell::ui {

QTranslator* installQtTranslations()
{
    const QLocale japanese(QLocale::Japanese, QLocale::Japan);
    // Dates and numbers the toolkit formats itself (the file dialog's 更新日時).
    QLocale::setDefault(japanese);
    const QString directory = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    auto* translator = new QTranslator(QCoreApplication::instance());
    const bool loaded = translator->load(japanese, QStringLiteral("qtbase"), QStringLiteral("_"), directory);
    if (!loaded || !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return nullptr;
    }
    return translator;
}

} // namespace tq::shell::ui
