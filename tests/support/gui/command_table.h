// Command tables for window tests, written and read back by independent dBase implementations
// (Debian's python3-dbf and python3-dbfread; under Wine the tests' own, command_table_win32.cpp),
// not by the program's own engine.
#pragma once

#include <string>
#include <vector>

namespace kelvane {

struct CommandRow
{
    std::string name; // NAME, COMAND, UROVEN as UTF-8, trailing blanks stripped
    std::string command;
    std::string level;
    bool deleted = false;

    bool operator==(const CommandRow &) const = default;
};

// A dBase III table with NAME C(40), COMAND C(40), UROVEN C(5) in CP866, holding `rows`.
void writeCommandTable(const std::string &path, const std::vector<CommandRow> &rows);
// Every record of the table in file order, deleted ones included.
std::vector<CommandRow> readCommandTable(const std::string &path);

} // namespace kelvane
