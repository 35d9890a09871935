// The POSIX serial device: a tty opened exclusively (TIOCEXCL for other users, flock for
// everyone, root included), with the Windows communications calls mapped onto termios and the
// tty ioctls. Devices without modem lines (pseudo-terminals, some virtual ports) work: their lines
// read as off and DTR/RTS changes do nothing. A device that goes away while open (hang-up, USB
// adapter pulled) is reported once as an I/O error and then no longer watched.
#pragma once

#include "serial/serial_device.h"

#include <memory>
#include <string>

namespace kelvane {

// Opens `path` as a serial device; null with the reason on failure.
std::unique_ptr<SerialDevice> openPosixDevice(const std::string &path, OpenFailure &failure);

// The name of the group that owns the device file at `path` (its number when the group has no
// name); empty when the file cannot be examined.
std::string deviceGroup(const std::string &path);

} // namespace kelvane
