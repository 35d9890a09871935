#include "framework/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace kelvane {

bool installTranslations(QCoreApplication &app)
{
    auto *translator = new QTranslator(&app);
    // Where Qt is installed, or where a program that brings Qt along has it built in (Windows).
    if (!translator->load(
            QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))
        && !translator->load(QStringLiteral("qtbase_ru"), QStringLiteral(":/i18n"))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

} // namespace kelvane
