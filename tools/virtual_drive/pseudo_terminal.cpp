#include "virtual_drive/pseudo_terminal.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

namespace kelvane {

namespace {

[[noreturn]] void fail(const std::string &what, int error)
{
    throw std::runtime_error("не удалось " + what + ": " + std::strerror(error));
}

} // namespace

PseudoTerminal::PseudoTerminal()
{
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master_ < 0)
        fail("создать псевдотерминал", errno);
    char name[128];
    if (grantpt(master_) != 0 || unlockpt(master_) != 0
        || ptsname_r(master_, name, sizeof name) != 0) {
        const int error = errno;
        close(master_);
        fail("подготовить псевдотерминал", error);
    }
    slavePath_ = name;
    try {
        makeSlaveRaw();
    } catch (...) {
        close(master_);
        throw;
    }
}

PseudoTerminal::~PseudoTerminal()
{
    close(master_);
}

void PseudoTerminal::makeSlaveRaw() const
{
    // The settings outlive this open: the master keeps the terminal alive.
    const int slave = open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0)
        fail("открыть " + slavePath_, errno);
    termios settings {};
    bool ok = tcgetattr(slave, &settings) == 0;
    if (ok) {
        cfmakeraw(&settings);
        settings.c_cflag |= CLOCAL | CREAD;
        ok = tcsetattr(slave, TCSANOW, &settings) == 0;
    }
    const int error = errno;
    close(slave);
    if (!ok)
        fail("настроить " + slavePath_, error);
}

} // namespace kelvane
