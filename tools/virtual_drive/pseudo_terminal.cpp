#include "virtual_drive/pseudo_terminal.h"

#include "virtual_drive/drive_texts.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

namespace kelvane {

namespace {

[[noreturn]] void fail(const Text &what, int error, const std::string &path = {})
{
    // Without a path the error is the first to fill in.
    if (path.empty())
        throw std::runtime_error(localText(what, {std::strerror(error)}));
    throw std::runtime_error(localText(what, {path, std::strerror(error)}));
}

} // namespace

PseudoTerminal::PseudoTerminal()
{
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_master < 0)
        fail(DriveText::PtyNotCreated, errno);
    char name[128];
    if (grantpt(m_master) != 0 || unlockpt(m_master) != 0
        || ptsname_r(m_master, name, sizeof name) != 0) {
        const int error = errno;
        close(m_master);
        fail(DriveText::PtyNotPrepared, error);
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
        fail(DriveText::PtyNotOpened, errno, m_slavePath);
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
        fail(DriveText::PtyNotConfigured, error, m_slavePath);
}

} // namespace kelvane
