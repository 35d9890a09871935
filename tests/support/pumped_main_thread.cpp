#include "support/pumped_main_thread.h"

#include "support/wait.h"

namespace kelvane {

bool PumpedMainThread::pumpUntil(
    const std::function<bool()> &done, std::chrono::milliseconds timeout)
{
    return waitUntil(
        [&] {
            if (done())
                return true;
            serve();
            return false;
        },
        timeout);
}

void PumpedMainThread::pumpFor(std::chrono::milliseconds duration)
{
    pumpUntil([] { return false; }, duration);
}

} // namespace kelvane
