#include "app/console_output.h"

#include <cstdio>
#include <windows.h>

namespace kelvane {

void useParentConsole()
{
    // Output sent to a file or a pipe already has its handle.
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if ((out == nullptr || out == INVALID_HANDLE_VALUE) && AttachConsole(ATTACH_PARENT_PROCESS)) {
        std::freopen("CONOUT$", "w", stdout);
        std::freopen("CONOUT$", "w", stderr);
    }
    SetConsoleOutputCP(CP_UTF8);
}

} // namespace kelvane
