#include "support/pumped_main_thread.h"

#include <thread>

namespace kelvane {

void PumpedMainThread::ReportError(const std::string &message)
{
    std::lock_guard lock(mutex_);
    errors_.push_back(message);
}

std::vector<std::string> PumpedMainThread::Errors()
{
    std::lock_guard lock(mutex_);
    return errors_;
}

bool PumpedMainThread::PumpUntil(
    const std::function<bool()> &done, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        Serve();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void PumpedMainThread::PumpFor(std::chrono::milliseconds duration)
{
    PumpUntil([] { return false; }, duration);
}

} // namespace kelvane
