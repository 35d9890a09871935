// Texts made of what a terminal pane holds: the time of day a line arrived, and the pane's text as
// a file.
#pragma once

#include <QString>
#include <cstdint>
#include <string>

namespace kelvane {

class TerminalLines;

// "HH:MM:SS.mmm", local time, of a wall-clock time in milliseconds since the epoch.
QString timeOfDay(int64_t msSinceEpoch);
// Its length in characters.
inline constexpr int TimeOfDayLength = 12;

enum class TextEncoding {
    Utf8, // UTF-8, lines end in LF; a CR before an LF is dropped, as copying does
    Cp1251, // the bytes as they came from the drive, line ends as they came
};

// The text of `lines` as a file. With `withTimes`, every line that holds a byte starts with the
// time its first byte arrived and a blank.
std::string terminalFileText(const TerminalLines &lines, TextEncoding encoding, bool withTimes);

} // namespace kelvane
