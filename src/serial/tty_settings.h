// The termios side of the line settings. Kept apart because <asm/termbits.h>, which has termios2
// and BOTHER for rates without a Bxxx constant (14400, 56000, 128000, 256000), cannot share a
// translation unit with glibc's <termios.h>.
#pragma once

#include "serial/serial_device.h"

#include <cstdint>

namespace kelvane {

// Puts the tty into raw mode with the block's rate, character size, parity and stop bits, no flow
// control, the receiver on and the modem lines not hanging up the line; waits for pending output
// to drain first, so bytes written at the old rate go out at that rate. Raises DTR and RTS when
// the block enables them (refusals are ignored: devices without modem lines exist).
bool applyTtySettings(int fd, const LineSettings &settings);

// The tty's output rate in bits per second, as the kernel holds it.
bool readTtySpeed(int fd, uint32_t &bitsPerSecond);

} // namespace kelvane
