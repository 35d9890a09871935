#include "app/settings.h"

#include "app/user_folders.h"

namespace kelvane {

namespace {

const QString JournalEnabled = QStringLiteral("journal/enabled");
const QString ScrollbackLines = QStringLiteral("terminal/scrollbackLines");
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

} // namespace kelvane
