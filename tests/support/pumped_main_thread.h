// PumpedMainThread: the main-thread hand-over for tests without an event loop. The test's own
// thread is the main thread: it pumps the queued hand-overs itself. Reported errors are kept.
#pragma once

#include "serial/main_thread.h"

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace kelvane {

class PumpedMainThread : public MainThread
{
public:
    void reportError(const std::string &message) override;
    std::vector<std::string> Errors();

    // Serves hand-overs until `done` holds or `timeout` passes; returns `done()`.
    bool pumpUntil(const std::function<bool()> &done,
        std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // Serves hand-overs for `duration`.
    void pumpFor(std::chrono::milliseconds duration);

protected:
    void wake() override { }

private:
    std::mutex m_mutex;
    std::vector<std::string> m_errors;
};

} // namespace kelvane
