// The Win32 serial device: a COM port opened exclusively for overlapped I/O, each call of the
// device seam being the Windows call of its name. Devices without modem lines (a port that Wine
// maps onto a pseudo-terminal) work: their lines read as off and DTR/RTS changes do nothing.
// Where the driver cannot wait for comm events (Wine refuses or cancels the wait on such a
// device), the event wait polls ClearCommError at a short interval instead, with the same events
// as a result. A device that goes away while open is reported once as an I/O error.
#pragma once

#include "serial/serial_device.h"

#include <cstdint>
#include <memory>
#include <string>

namespace kelvane {

// Opens the port `name` ("COM3", or a full device name); null with the reason on failure.
std::unique_ptr<SerialDevice> openWin32Device(const std::string &name, OpenFailure &failure);

// The device name CreateFile takes for a port name: "COM3" gives "\\.\COM3"; a name that
// starts with two backslashes is taken as it is.
std::string deviceFileName(const std::string &name);

// What a failed open of a port means (GetLastError): access denied is a port another program
// holds, as Windows opens ports exclusively.
OpenFailure classifyOpenError(uint32_t windowsError);

} // namespace kelvane
