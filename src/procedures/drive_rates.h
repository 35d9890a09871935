// The line rates the drive and the PC can agree on: the rate box's entries, each with the command
// that moves the drive to it and the local port's rate. The window's rate box and a procedure's
// `rate` step both switch through this table.
#pragma once

#include "serial/com_types.h"

#include <array>
#include <string_view>

namespace kelvane {

class TBComPort;

struct DriveRate
{
    const char *text; // as the rate box shows it
    const char *driveCommand;
    TBaudRate rate;
};

inline constexpr std::array<DriveRate, 8> DriveRates = {{
    {"4800", "B48", br4800},
    {"9600", "B96", br9600},
    {"14400", "B144", br14400},
    {"19200", "B192", br19200},
    {"38400", "B384", br38400},
    {"56000", "B576", br56000},
    {"57600", "B625", br57600},
    {"115200", "B1152", br115200},
}};

// The entry whose text is exactly `text`, or null.
const DriveRate *findDriveRate(std::string_view text);

// Tells the drive to go to `rate` ("/T", then the rate's command; "/T" alone for no rate) and then
// moves the open port there. Leaves a closed port's rate for the next open; writes nothing then.
void switchRate(TBComPort &port, const DriveRate *rate);

} // namespace kelvane
