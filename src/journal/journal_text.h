// The session journal's texts: the time stamp each line starts with, the date, the bytes of the
// line to the drive shown so that every one of them can be read back, and the journal files'
// names. Stateless.
#pragma once

#include <string>
#include <string_view>

namespace kelvane {

// One moment in local time.
struct LocalTime
{
    int year = 1970;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;

    bool operator==(const LocalTime &) const = default;
    bool sameDay(const LocalTime &other) const
    {
        return year == other.year && month == other.month && day == other.day;
    }
};

LocalTime localTimeNow();

// HH:MM:SS.mmm
std::string clockText(const LocalTime &time);
// YYYY-MM-DD
std::string dateText(const LocalTime &time);

// Bytes of the line as text in UTF-8: each byte as its Windows-1251 character, except that a
// backslash shows as \\, CR as \r, and every other control byte (and the one byte the code page
// leaves undefined) as \xNN. So nothing is lost and nothing breaks the journal's lines.
std::string visibleBytes(std::string_view bytes);

// The journal file of a session on `port` started at `start`: the port's last path component,
// made safe for a file name, and the start time in ISO 8601 without colons, e.g.
// ttyUSB0_2026-12-08T14-03-22.txt; the parts after the first are numbered: ..._2.txt, ...
std::string journalFileName(std::string_view port, const LocalTime &start, int part = 1);

} // namespace kelvane
