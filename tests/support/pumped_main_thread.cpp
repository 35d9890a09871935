#include "support/pumped_main_thread.h"

#include <thread>

namespace kelvane {

void PumpedMainThread::reportError(const std::string &message)
{
    std::lock_guard lock(m_mutex);
    m_errors.push_back(message);
}

std::vector<std::string> PumpedMainThread::Errors()
{
    std::lock_guard lock(m_mutex);
    return m_errors;
}

bool PumpedMainThread::pumpUntil(
    const std::function<bool()> &done, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        serve();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void PumpedMainThread::pumpFor(std::chrono::milliseconds duration)
{
    pumpUntil([] { return false; }, duration);
}

} // namespace kelvane
