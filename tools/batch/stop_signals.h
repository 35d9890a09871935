// StopSignals: what stops a run from outside, Ctrl+C or a request to end (a logout, `kill`, a
// service manager). `stop` is called once, on a thread of its own, and the signal is kept for the
// exit status (128 + it). The system's side lives in one file per platform.
#pragma once

#include <functional>
#include <memory>

namespace kelvane {

class StopSignals
{
public:
    // Before any other thread starts.
    explicit StopSignals(std::function<void()> stop);
    ~StopSignals();
    StopSignals(const StopSignals &) = delete;
    StopSignals &operator=(const StopSignals &) = delete;

    // SIGINT, SIGTERM; 0 while none came.
    int signal() const;

private:
    struct Watch;
    std::unique_ptr<Watch> m_watch;
};

} // namespace kelvane
