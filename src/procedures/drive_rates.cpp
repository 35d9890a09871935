#include "procedures/drive_rates.h"

#include "serial/com_port.h"

namespace kelvane {

const DriveRate *findDriveRate(std::string_view text)
{
    for (const DriveRate &entry : DriveRates)
        if (text == entry.text)
            return &entry;
    return nullptr;
}

void switchRate(TBComPort &port, const DriveRate *rate)
{
    if (port.IsOpen()) {
        port.SendText("/T");
        if (rate)
            port.SendText(rate->driveCommand);
    }
    // A text that names no rate leaves the local port where it is.
    if (rate)
        port.SetBaudRate(rate->rate);
}

} // namespace kelvane
