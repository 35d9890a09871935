// The command line's console: arguments and output in UTF-8 on every system. Windows hands a
// program its arguments in the ANSI code page and shows its output in the console's code page
// unless asked otherwise; POSIX systems need nothing.
#pragma once

#include <string>
#include <vector>

namespace kelvane {

// The program's arguments after its name, in UTF-8.
std::vector<std::string> commandLineArguments(int argc, char **argv);

// Has the console show the program's UTF-8 output as such.
void useUtf8Console();

} // namespace kelvane
