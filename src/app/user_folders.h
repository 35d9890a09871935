// Where the program keeps what each user has of their own beyond the command table (whose copy
// is the table's business, cmdtable/command_table_location.h). One source per platform.
// Linux, the XDG base directories: settings and input history in $XDG_CONFIG_HOME/kelvane
// (~/.config/kelvane), the journals in $XDG_STATE_HOME/kelvane/journal (~/.local/state/...).
// Windows: settings and history in the user's roaming application data (%APPDATA%\Kelvane), the
// journals, which grow and belong to this machine, in the local one (%LOCALAPPDATA%\Kelvane).
#pragma once

#include <QString>

namespace kelvane {

// The folder of the settings file and the input history.
QString settingsFolder();
// The settings file, an INI file in settingsFolder(): kelvane.conf, kelvane.ini on Windows.
QString settingsFile();
// The folder of the session journals.
QString journalFolder();

} // namespace kelvane
