#include "framework/translations.h"

#include "base/texts.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>

// The program's compiled translations, a resource of their own library; outside any namespace,
// as Q_INIT_RESOURCE requires.
static void initTranslationResources()
{
    Q_INIT_RESOURCE(translations);
}

namespace kelvane {

namespace {

QPointer<QTranslator> installedQt;
QPointer<QTranslator> installedProgram;

// Loads `name` from `folder` and installs it in `app`, which owns it from then on; `slot` keeps
// it to be replaced. False when it cannot be loaded.
bool install(
    QCoreApplication &app, QPointer<QTranslator> &slot, const QString &name, const QString &folder)
{
    delete slot; // also takes it out of the application
    auto *translator = new QTranslator(&app);
    // Where Qt is installed, or built into a program that brings its Qt along (Windows).
    if (!(translator->load(name, folder) || translator->load(name, QStringLiteral(":/i18n")))
        || !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    slot = translator;
    return true;
}

} // namespace

bool installTranslations(QCoreApplication &app, Language language)
{
    setTextLanguage(language);
    const QString qtFolder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (language == Language::Russian) {
        delete installedProgram;
        return install(app, installedQt, QStringLiteral("qtbase_ru"), qtFolder);
    }
    initTranslationResources();
    // Qt's English only brings its plural forms; without it Qt speaks English all the same.
    install(app, installedQt, QStringLiteral("qtbase_en"), qtFolder);
    return install(app, installedProgram, QStringLiteral("kelvane_en"), QStringLiteral(":/i18n"));
}

} // namespace kelvane
