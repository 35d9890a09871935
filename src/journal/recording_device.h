// recordingOpener: the serial device seen through the session log. Every device it opens tells
// `log` of each write, with exactly the bytes that went out, and of each line rate it is set to;
// everything else passes through untouched. So whatever writes to the port, the log sees the
// bytes on the wire, without the port component knowing of any log.
#pragma once

#include "journal/session_log.h"
#include "serial/serial_device.h"

namespace kelvane {

// `opener` opens the devices (empty: the POSIX serial device). `log` must outlive them.
DeviceOpener recordingOpener(DeviceOpener opener, SessionLog &log);

} // namespace kelvane
