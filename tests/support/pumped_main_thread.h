// PumpedMainThread: the main-thread hand-over for tests without an event loop. The test's own
// thread is the main thread: it pumps the queued hand-overs itself. Reported errors are kept.
#pragma once

#include "serial/main_thread.h"
#include "support/recording_sink.h"

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace kelvane {

class PumpedMainThread : public MainThread
{
public:
    PumpedMainThread() : MainThread(m_errors) { }

    // The errors that escaped the port's event handlers, in order.
    std::vector<std::string> reportedErrors() const { return m_errors.errors(); }
    // Serves hand-overs until `done` holds or `timeout` passes; returns `done()`.
    bool pumpUntil(const std::function<bool()> &done,
        std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // Serves hand-overs for `duration`.
    void pumpFor(std::chrono::milliseconds duration);

protected:
    void wake() override { }

private:
    RecordingSink m_errors; // bound by the base before it is built; used only once running
};

} // namespace kelvane
