#include "batch/console.h"

#ifdef _WIN32
#include "base/utf8_path.h"

#include <windows.h>
// CommandLineToArgvW needs the Windows types first.
#include <shellapi.h>
#endif

namespace kelvane {

#ifdef _WIN32

std::vector<std::string> commandLineArguments(int, char **)
{
    int count = 0;
    wchar_t **wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 1; wide && i < count; ++i)
        arguments.push_back(pathUtf8(std::filesystem::path(wide[i])));
    LocalFree(wide);
    return arguments;
}

void useUtf8Console()
{
    SetConsoleOutputCP(CP_UTF8);
}

#else

std::vector<std::string> commandLineArguments(int argc, char **argv)
{
    return std::vector<std::string>(argv + 1, argv + argc);
}

void useUtf8Console() { }

#endif

} // namespace kelvane
