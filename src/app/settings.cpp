#include "app/settings.h"

#include "app/user_folders.h"

#include <QLocale>

namespace kelvane {

namespace {

const QString JournalEnabled = QStringLiteral("journal/enabled");
const QString ScrollbackLines = QStringLiteral("terminal/scrollbackLines");
const QString InterfaceLanguage = QStringLiteral("interface/language");
const QString MainWindowGeometry = QStringLiteral("window/geometry");
const QString MainWindowSplitter = QStringLiteral("window/splitter");

} // namespace

Settings::Settings() : m_store(settingsFile(), QSettings::IniFormat) { }

QString Settings::folder()
{
    return settingsFolder();
}

bool Settings::journalEnabled() const
{
    return m_store.value(JournalEnabled, true).toBool();
}

void Settings::setJournalEnabled(bool enabled)
{
    setValue(JournalEnabled, enabled);
}

qint64 Settings::scrollbackLines() const
{
    bool ok = false;
    const qint64 lines = m_store.value(ScrollbackLines, DefaultScrollbackLines).toLongLong(&ok);
    return ok && lines > 0 ? lines : DefaultScrollbackLines;
}

void Settings::setScrollbackLines(qint64 lines)
{
    setValue(ScrollbackLines, lines);
}

std::optional<Language> Settings::interfaceLanguage() const
{
    // "ru" or "en"; anything else, a missing value too, is the system's.
    return languageFromCode(m_store.value(InterfaceLanguage).toString().toStdString());
}

void Settings::setInterfaceLanguage(std::optional<Language> language)
{
    if (language) {
        setValue(
            InterfaceLanguage, QString::fromLatin1(*language == Language::English ? "en" : "ru"));
        return;
    }
    m_store.remove(InterfaceLanguage);
    m_store.sync();
}

QByteArray Settings::mainWindowGeometry() const
{
    return m_store.value(MainWindowGeometry).toByteArray();
}

void Settings::setMainWindowGeometry(const QByteArray &geometry)
{
    setValue(MainWindowGeometry, geometry);
}

QByteArray Settings::mainWindowSplitter() const
{
    return m_store.value(MainWindowSplitter).toByteArray();
}

void Settings::setMainWindowSplitter(const QByteArray &state)
{
    setValue(MainWindowSplitter, state);
}

QVariant Settings::value(const QString &key, const QVariant &fallback) const
{
    return m_store.value(key, fallback);
}

void Settings::setValue(const QString &key, const QVariant &value)
{
    m_store.setValue(key, value);
    m_store.sync();
}

Language startLanguage(const Settings &settings, std::optional<Language> option)
{
    std::vector<std::string> uiLanguages;
    for (const QString &language : QLocale::system().uiLanguages())
        uiLanguages.push_back(language.toStdString());
    return windowLanguage(
        QLocale::system().name().toStdString(), uiLanguages, settings.interfaceLanguage(), option);
}

} // namespace kelvane
