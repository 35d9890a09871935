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
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_master < 0)
        fail("создать псевдотерминал", errno);
    char name[128];
    if (grantpt(m_master) != 0 || unlockpt(m_master) != 0
        || ptsname_r(m_master, name, sizeof name) != 0) {
        const int error = errno;
        close(m_master);
        fail("подготовить псевдотерминал", error);
    }
    m_slavePath = name;
    try {
        makeSlaveRaw();
    } catch (...) {
        close(m_master);
        throw;
    }
}

PseudoTerminal::~PseudoTerminal()
{
    closeMaster();
}

void PseudoTerminal::closeMaster()
{
    if (m_master >= 0)
        close(m_master);
    m_master = -1;
}

void PseudoTerminal::makeSlaveRaw() const
{
    // The settings outlive this open: the master keeps the terminal alive.
    const int slave = open(m_slavePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0)
        fail("открыть " + m_slavePath, errno);
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
        fail("настроить " + m_slavePath, error);
}

} // namespace kelvane
