// waitUntil: a test's wait for what another thread makes true, without serving anything meanwhile
// (PumpedMainThread::pumpUntil serves the hand-overs while it waits).
#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace kelvane {

// True as soon as `condition` holds; false when it still does not after `timeout`.
inline bool waitUntil(const std::function<bool()> &condition,
    std::chrono::milliseconds timeout = std::chrono::seconds(5))
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace kelvane
