// Settings: what the program remembers between runs, in $XDG_CONFIG_HOME/kelvane/kelvane.conf
// (~/.config/kelvane/kelvane.conf by default; %APPDATA%\Kelvane\kelvane.ini on Windows, see
// user_folders.h), an INI file. Each value has its default, so a
// missing or damaged file gives the program as it comes. The folder also holds the input line's
// history. Written at once on every change. Main thread only.
#pragma once

#include "base/language.h"

#include <QByteArray>
#include <QSettings>
#include <QString>
#include <QVariant>
#include <optional>

namespace kelvane {

class Settings
{
public:
    Settings();

    // $XDG_CONFIG_HOME/kelvane, ~/.config/kelvane without it (settingsFolder()).
    static QString folder();

    // The session journal is written (default: yes).
    bool journalEnabled() const;
    void setJournalEnabled(bool enabled);

    // Lines the terminal pane keeps before it drops the oldest (the journal keeps everything).
    static constexpr qint64 DefaultScrollbackLines = 1000000;
    qint64 scrollbackLines() const;
    void setScrollbackLines(qint64 lines);

    // The interface's language, used from the next start; none: as the system's.
    std::optional<Language> interfaceLanguage() const;
    void setInterfaceLanguage(std::optional<Language> language);

    // The main window's size and position as QWidget::saveGeometry() gives them; empty: none yet.
    QByteArray mainWindowGeometry() const;
    void setMainWindowGeometry(const QByteArray &geometry);
    // Where the splitter between the command list and the terminal pane stands, as
    // QSplitter::saveState() gives it; empty: none yet.
    QByteArray mainWindowSplitter() const;
    void setMainWindowSplitter(const QByteArray &state);

    // Any other value, by key ("group/name").
    QVariant value(const QString &key, const QVariant &fallback = {}) const;
    void setValue(const QString &key, const QVariant &value);

private:
    QSettings m_store;
};

// The interface's language for this start: `option` (--lang), else the setting, else the
// system's as Qt gives it, decided by windowLanguage().
Language startLanguage(const Settings &settings, std::optional<Language> option);

} // namespace kelvane
