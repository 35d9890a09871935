// The program's command line. Read before the application object exists, so that --help,
// --version and a wrong option need no display.
#pragma once

#include "base/language.h"

#include <optional>
#include <string>
#include <vector>

namespace kelvane {

// What the window is to do at start. Empty: as without the option.
struct StartOptions
{
    std::string port;
    std::string rate; // one of the rate box's entries
    bool connect = false;
    std::optional<Language> language; // --lang: the windows' language, over the setting's
};

struct CommandLine
{
    enum class Action { Start, Help, Version, Wrong };
    Action action = Action::Start;
    StartOptions start;
    std::string error; // with Wrong: what was wrong, in a sentence
};

// `arguments` without the program's name. Qt's own options (-platform, -style and the like) are
// left to Qt. The errors are in the language of the texts set (setTextLanguage()).
CommandLine parseCommandLine(const std::vector<std::string> &arguments);

std::string usageText();
std::string versionText();

} // namespace kelvane
