// The table's folders on Linux: the XDG base directories, and the installed default in
// <prefix>/share beside the program's <prefix>/bin.
#include "cmdtable/command_table_location.h"

#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <unistd.h>

namespace kelvane {

namespace fs = std::filesystem;

std::string userDataFolder()
{
    // A relative XDG_DATA_HOME is to be ignored: it would depend on the current folder.
    const char *data = std::getenv("XDG_DATA_HOME");
    if (data && data[0] == '/')
        return (fs::path(data) / "kelvane").string();
    const char *home = std::getenv("HOME");
    if (!home || !home[0]) {
        const passwd *user = getpwuid(getuid());
        home = user ? user->pw_dir : nullptr;
    }
    return home ? (fs::path(home) / ".local/share/kelvane").string() : std::string();
}

std::string defaultTableFolder(const std::string &programFolder)
{
    return (fs::path(programFolder) / ".." / "share" / "kelvane").string();
}

} // namespace kelvane
