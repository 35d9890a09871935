// The table's folders on Windows: the user's roaming application data (%APPDATA%\Kelvane), which
// follows the user from machine to machine as the table should, and the installed defaults in
// the folder "tables" beside the program, where an installation or the zip puts them.
#include "cmdtable/command_table_location.h"

#include "base/utf8_path.h"

#include <QDir>
#include <QStandardPaths>

namespace kelvane {

std::string userDataFolder()
{
    // With Windows' own separators, as the path is shown to the user.
    return QDir::toNativeSeparators(
        QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
        .toStdString();
}

std::string defaultTableFolder(const std::string &programFolder)
{
    return pathUtf8(utf8Path(programFolder) / "tables");
}

} // namespace kelvane
