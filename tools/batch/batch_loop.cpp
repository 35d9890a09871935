#include "batch/batch_loop.h"

namespace kelvane {

ProcedureHost::Wait BatchLoop::waitUntil(
    const std::function<bool()> &done, Clock::time_point deadline)
{
    for (;;) {
        serve();
        if (done())
            return Wait::Done;
        if (m_stop.load())
            return Wait::Stopped;
        std::unique_lock lock(m_mutex);
        if (!m_woken.wait_until(lock, deadline, [this] { return m_pending || m_stop.load(); })) {
            lock.unlock();
            // What came with the deadline still counts.
            serve();
            return done() ? Wait::Done : Wait::TimedOut;
        }
        m_pending = false;
    }
}

void BatchLoop::stop()
{
    std::lock_guard lock(m_mutex);
    m_stop.store(true);
    m_woken.notify_all();
}

void BatchLoop::wake()
{
    std::lock_guard lock(m_mutex);
    m_pending = true;
    m_woken.notify_all();
}

} // namespace kelvane
