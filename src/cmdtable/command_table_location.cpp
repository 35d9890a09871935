#include "cmdtable/command_table_location.h"

#include "base/system_files.h"
#include "base/texts.h"
#include "base/utf8_path.h"

#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace kelvane {

namespace fs = std::filesystem;

namespace {

constexpr Text NotCopied = {"Не удалось скопировать таблицу команд %1 в %2: %3",
    "Cannot copy the command table %1 to %2: %3"};

bool isFile(const fs::path &path)
{
    std::error_code error;
    return fs::is_regular_file(path, error);
}

} // namespace

TableLocation locateCommandTable(const std::string &name, TableFolders folders, Language language)
{
    if (folders.programFolder.empty())
        folders.programFolder = programFolder();
    if (folders.dataFolder.empty())
        folders.dataFolder = userDataFolder();

    // Names are UTF-8, made into paths only through utf8Path: a Windows user's folder is often
    // named in Cyrillic.
    if (isFile(utf8Path(name)))
        return {name, {}};
    const fs::path own = utf8Path(folders.dataFolder) / utf8Path(name);
    if (!folders.dataFolder.empty() && isFile(own))
        return {pathUtf8(own), {}};
    const fs::path beside = utf8Path(folders.programFolder) / utf8Path(name);
    if (!folders.programFolder.empty() && isFile(beside))
        return {pathUtf8(beside), {}};

    fs::path defaultName = utf8Path(name);
    if (language == Language::English)
        defaultName.replace_filename(defaultName.stem().native() + fs::path("_en").native()
            + defaultName.extension().native());
    const fs::path installed
        = (utf8Path(defaultTableFolder(folders.programFolder)) / defaultName).lexically_normal();
    if (folders.programFolder.empty() || folders.dataFolder.empty() || !isFile(installed))
        return {name, {}};
    std::error_code error;
    fs::create_directories(utf8Path(folders.dataFolder), error);
    // copy_options::none refuses a target that appeared meanwhile, so even a race cannot
    // overwrite a table.
    if (!error)
        fs::copy_file(installed, own, fs::copy_options::none, error);
    if (error)
        throw std::runtime_error(
            localText(NotCopied, {pathUtf8(installed), pathUtf8(own), error.message()}));
    // The installed file is read-only for everybody; the copy is the user's to change.
    fs::permissions(
        own, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add, error);
    return {pathUtf8(own), pathUtf8(installed)};
}

} // namespace kelvane
