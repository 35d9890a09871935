// BatchLoop: the command line's main thread. It serves the port's hand-overs while a procedure
// waits, sleeping until one comes, the wait's deadline passes or a stop is asked for (from the
// signal thread). No polling.
#pragma once

#include "procedures/procedure_runner.h"
#include "serial/main_thread.h"

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace kelvane {

class BatchLoop : public MainThread, public ProcedureHost
{
public:
    explicit BatchLoop(ErrorSink &errors) : MainThread(errors) { }

    Wait waitUntil(const std::function<bool()> &done, Clock::time_point deadline) override;
    // The running wait looks at its `done` again before it sleeps.
    void changed() override { wake(); }

    // Any thread: the running wait returns Stopped, and so does every later one.
    void stop();
    bool stopRequested() const override { return m_stop.load(); }

protected:
    void wake() override;

private:
    std::mutex m_mutex;
    std::condition_variable m_woken;
    bool m_pending = false;
    std::atomic<bool> m_stop = false;
};

} // namespace kelvane
