#include "support/pty_pair.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <unistd.h>

namespace kelvane {

PtyPair::PtyPair()
{
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0)
        throw std::runtime_error("cannot create a pseudo-terminal");
    char name[128];
    if (ptsname_r(m_master, name, sizeof name) != 0)
        throw std::runtime_error("cannot name the pseudo-terminal");
    m_slavePath = name;
}

PtyPair::~PtyPair()
{
    closeMaster();
}

void PtyPair::Write(std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(m_master, bytes.data(), bytes.size());
        if (n > 0) {
            bytes.remove_prefix(static_cast<size_t>(n));
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd p {m_master, POLLOUT, 0};
            poll(&p, 1, 100);
        } else {
            throw std::runtime_error("cannot write to the pseudo-terminal");
        }
    }
}

std::string PtyPair::Read(size_t count, std::chrono::milliseconds timeout)
{
    std::string got;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    char buffer[65536];
    while (got.size() < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        pollfd p {m_master, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left.count())) <= 0)
            continue;
        const ssize_t n = ::read(m_master, buffer, std::min(sizeof buffer, count - got.size()));
        if (n > 0)
            got.append(buffer, static_cast<size_t>(n));
        else if (n == 0 || (errno != EAGAIN && errno != EINTR))
            break;
    }
    return got;
}

std::string PtyPair::readUntilQuiet(std::chrono::milliseconds quiet)
{
    std::string got;
    char buffer[65536];
    for (;;) {
        pollfd p {m_master, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(quiet.count())) <= 0)
            return got;
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n <= 0)
            return got;
        got.append(buffer, static_cast<size_t>(n));
    }
}

void PtyPair::closeMaster()
{
    if (m_master >= 0)
        close(m_master);
    m_master = -1;
}

} // namespace kelvane
