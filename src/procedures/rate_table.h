// The rate box's entries: what the drive is told, and the local port's rate. The command line,
// the window's rate box and a procedure's `rate` step all use this one table.
#pragma once

#include "serial/com_types.h"

#include <array>
#include <string_view>

namespace kelvane {

class TBComPort;

struct RateEntry
{
    const char *text;
    const char *driveCommand;
    TBaudRate rate;
};

constexpr std::array<RateEntry, 8> RateEntries = {{
    {"4800", "B48", br4800},
    {"9600", "B96", br9600},
    {"14400", "B144", br14400},
    {"19200", "B192", br19200},
    {"38400", "B384", br38400},
    {"56000", "B576", br56000},
    {"57600", "B625", br57600},
    {"115200", "B1152", br115200},
}};

// The entry whose text is `text`; null when no entry has it.
inline const RateEntry *findRateEntry(std::string_view text)
{
    for (const RateEntry &entry : RateEntries)
        if (text == entry.text)
            return &entry;
    return nullptr;
}

// Tells an open port's drive to go to `rate` ("/T", then the rate's command; "/T" alone for no
// rate), then moves the port there. A closed port keeps the rate for its next open.
void switchRate(TBComPort &port, const RateEntry *rate);

} // namespace kelvane
