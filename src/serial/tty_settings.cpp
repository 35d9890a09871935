#include "serial/tty_settings.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace kelvane {

namespace {

tcflag_t characterSize(uint8_t byteSize)
{
    switch (byteSize) {
    case 5:
        return CS5;
    case 6:
        return CS6;
    case 7:
        return CS7;
    default:
        return CS8;
    }
}

tcflag_t parityFlags(uint8_t parity)
{
    switch (parity) {
    case 1: // odd
        return PARENB | PARODD;
    case 2: // even
        return PARENB;
    case 3: // mark: a fixed 1 bit
        return PARENB | CMSPAR | PARODD;
    case 4: // space: a fixed 0 bit
        return PARENB | CMSPAR;
    default:
        return 0;
    }
}

} // namespace

bool applyTtySettings(int fd, const LineSettings &settings)
{
    termios2 t {};
    if (ioctl(fd, TCGETS2, &t) != 0)
        return false;

    t.c_iflag = (settings.Flags & DcbFlag::Parity) ? INPCK : IGNPAR;
    t.c_oflag = 0;
    t.c_lflag = 0;
    // Windows never hangs a line up when the carrier drops, so neither do we (CLOCAL); the
    // lines stay readable and their changes are still reported.
    t.c_cflag = CREAD | CLOCAL | characterSize(settings.ByteSize) | parityFlags(settings.Parity);
    if (settings.StopBits != 0) // 1.5 and 2; the UART makes 1.5 of CSTOPB at 5 data bits
        t.c_cflag |= CSTOPB;
    t.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    t.c_ispeed = settings.BaudRate;
    t.c_ospeed = settings.BaudRate;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    t.c_cc[VSTART] = static_cast<cc_t>(settings.XonChar);
    t.c_cc[VSTOP] = static_cast<cc_t>(settings.XoffChar);

    if (ioctl(fd, TCSETSW2, &t) != 0)
        return false;

    int lines = 0;
    if (settings.Flags & DcbFlag::DtrControlEnable)
        lines |= TIOCM_DTR;
    if (settings.Flags & DcbFlag::RtsControlEnable)
        lines |= TIOCM_RTS;
    if (lines != 0)
        ioctl(fd, TIOCMBIS, &lines);
    return true;
}

bool readTtySpeed(int fd, uint32_t &bitsPerSecond)
{
    termios2 t {};
    if (ioctl(fd, TCGETS2, &t) != 0)
        return false;
    bitsPerSecond = t.c_ospeed;
    return true;
}

} // namespace kelvane
