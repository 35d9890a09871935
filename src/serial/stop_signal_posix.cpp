#include "serial/stop_signal.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <system_error>
#include <unistd.h>

namespace kelvane {

StopSignal::StopSignal() : m_handle(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    if (m_handle < 0)
        throw std::system_error(errno, std::generic_category(), "eventfd");
}

StopSignal::~StopSignal()
{
    close(static_cast<int>(m_handle));
}

void StopSignal::set()
{
    // The counter is never read back, so it stays readable for every waiter.
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t n = write(static_cast<int>(m_handle), &one, sizeof one);
}

bool StopSignal::isSet() const
{
    pollfd p {static_cast<int>(m_handle), POLLIN, 0};
    return poll(&p, 1, 0) == 1;
}

} // namespace kelvane
