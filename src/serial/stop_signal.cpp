#include "serial/stop_signal.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <system_error>
#include <unistd.h>

namespace kelvane {

StopSignal::StopSignal() : fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    if (fd_ < 0)
        throw std::system_error(errno, std::generic_category(), "eventfd");
}

StopSignal::~StopSignal()
{
    close(fd_);
}

void StopSignal::Set()
{
    // The counter is never read back, so it stays readable for every waiter.
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t n = write(fd_, &one, sizeof one);
}

bool StopSignal::IsSet() const
{
    pollfd p {fd_, POLLIN, 0};
    return poll(&p, 1, 0) == 1;
}

} // namespace kelvane
