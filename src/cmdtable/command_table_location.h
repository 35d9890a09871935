// Where the program's command table is. Each user has a table of their own: the one in the
// current folder, in the user's data folder or beside the program, in that order; when there is
// none, the installed default is copied into the user's data folder, because a normal user may not
// write the installed one. Nothing here ever writes over a table that exists.
#pragma once

#include "base/language.h"

#include <string>

namespace kelvane {

struct TableFolders
{
    std::string programFolder; // empty: the folder of the program's executable
    std::string dataFolder; // empty: userDataFolder()
};

struct TableLocation
{
    // What the table cursor opens: the plain name when no table was found (the cursor then
    // reports it missing under that name).
    std::string fileName;
    // Where the table was copied from when the copy was made just now; empty otherwise.
    std::string copiedFrom;
};

// Looks for the table `name` and copies the default when it has to: for an English interface the
// default with English command names, `name` with "_en" before its extension (com_en.dbf).
// Raises std::runtime_error with a Russian text when the copy cannot be made.
TableLocation locateCommandTable(
    const std::string &name, TableFolders folders = {}, Language language = Language::Russian);

// The user's data folder of the program: $XDG_DATA_HOME/kelvane or ~/.local/share/kelvane on
// Linux, the user's roaming application data on Windows (%APPDATA%\Kelvane).
std::string userDataFolder();

// Where an installation keeps the default tables, for the program in `programFolder`:
// <prefix>/share/kelvane for <prefix>/bin on Linux, "tables" beside the program on Windows.
std::string defaultTableFolder(const std::string &programFolder);

} // namespace kelvane
