#include "serial/stop_signal.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <system_error>
#include <unistd.h>

namespace kelvane {

StopSignal::StopSignal() : m_fd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    if (m_fd < 0)
        throw std::system_error(errno, std::generic_category(), "eventfd");
}

StopSignal::~StopSignal()
{
    close(m_fd);
}

void StopSignal::set()
{
    // The counter is never read back, so it stays readable for every waiter.
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t n = write(m_fd, &one, sizeof one);
}

bool StopSignal::isSet() const
{
    pollfd p {m_fd, POLLIN, 0};
    return poll(&p, 1, 0) == 1;
}

} // namespace kelvane
