// The service commands the virtual drive's monitor knows, level by level, and its answers. The
// answers are the virtual drive's own, short and plainly simulated (each says "virtual drive"):
// nothing real happens and nothing in the program depends on them. Plain ASCII, because the
// program shows received bytes in its own code page.
//
// MonitorState is the little the commands remember; it belongs to one VirtualDrive.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kelvane {

struct MonitorState
{
    char level = 'T';
    uint32_t rate = 9600; // bits per second, as the last rate command set it
    int heads = 4; // the drive type's head count
    int head = 1; // the selected physical head
    bool spinning = true;
};

// Whether `level` names a level of the monitor: a digit 1 to 9 or a capital Latin letter.
bool isLevel(char level);

// The prompt of the current level, e.g. "F3 T>".
std::string promptOf(const MonitorState &state);

// Whether `command` is complete as it stands, needing no end: the drive type "YE0" to "YE3" has a
// fixed length, and the program writes "W" right after it.
bool commandIsComplete(std::string_view command);

// Runs one command (without its line end) at the current level; returns the answer's lines.
std::vector<std::string> runCommand(MonitorState &state, std::string_view command);

} // namespace kelvane
