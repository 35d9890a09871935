#include "cmdtable/command_table_location.h"

#include "base/texts.h"

#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <stdexcept>
#include <system_error>
#include <unistd.h>

namespace kelvane {

namespace fs = std::filesystem;

namespace {

constexpr Text NotCopied = {"Не удалось скопировать таблицу команд %1 в %2: %3",
    "Cannot copy the command table %1 to %2: %3"};

std::string executableFolder()
{
    std::error_code error;
    const fs::path executable = fs::read_symlink("/proc/self/exe", error);
    return error ? std::string() : executable.parent_path().string();
}

bool isFile(const fs::path &path)
{
    std::error_code error;
    return fs::is_regular_file(path, error);
}

} // namespace

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

TableLocation locateCommandTable(const std::string &name, TableFolders folders, Language language)
{
    if (folders.programFolder.empty())
        folders.programFolder = executableFolder();
    if (folders.dataFolder.empty())
        folders.dataFolder = userDataFolder();

    if (isFile(name))
        return {name, {}};
    const fs::path own = fs::path(folders.dataFolder) / name;
    if (!folders.dataFolder.empty() && isFile(own))
        return {own.string(), {}};
    const fs::path beside = fs::path(folders.programFolder) / name;
    if (!folders.programFolder.empty() && isFile(beside))
        return {beside.string(), {}};

    // An installed program lives in <prefix>/bin and its default table in <prefix>/share.
    fs::path defaultName = name;
    if (language == Language::English)
        defaultName.replace_filename(
            defaultName.stem().string() + "_en" + defaultName.extension().string());
    const fs::path installed
        = (fs::path(folders.programFolder) / ".." / "share" / "kelvane" / defaultName)
              .lexically_normal();
    if (folders.programFolder.empty() || folders.dataFolder.empty() || !isFile(installed))
        return {name, {}};
    std::error_code error;
    fs::create_directories(folders.dataFolder, error);
    // copy_options::none refuses a target that appeared meanwhile, so even a race cannot
    // overwrite a table.
    if (!error)
        fs::copy_file(installed, own, fs::copy_options::none, error);
    if (error)
        throw std::runtime_error(
            localText(NotCopied, {installed.string(), own.string(), error.message()}));
    // The installed file is read-only for everybody; the copy is the user's to change.
    fs::permissions(
        own, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add, error);
    return {own.string(), installed.string()};
}

} // namespace kelvane
