#include "procedures/rate_table.h"

#include "serial/com_port.h"

namespace kelvane {

void switchRate(TBComPort &port, const RateEntry *rate)
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
