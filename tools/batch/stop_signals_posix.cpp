#include "batch/stop_signals.h"

#include <atomic>
#include <csignal>
#include <pthread.h>
#include <thread>

namespace kelvane {

// SIGINT and SIGTERM are taken on a thread of their own, so a stop is a plain call, not work in
// a signal handler. SIGUSR1 ends that thread when the run ends by itself.
struct StopSignals::Watch
{
    sigset_t signals {};
    std::atomic<int> signal = 0;
    std::thread thread;
};

StopSignals::StopSignals(std::function<void()> stop) : m_watch(std::make_unique<Watch>())
{
    std::signal(SIGPIPE, SIG_IGN); // a closed output must not end the run with the port open
    sigemptyset(&m_watch->signals);
    sigaddset(&m_watch->signals, SIGINT);
    sigaddset(&m_watch->signals, SIGTERM);
    sigaddset(&m_watch->signals, SIGUSR1);
    // Before any other thread starts: they inherit the mask, and only this one takes them.
    pthread_sigmask(SIG_BLOCK, &m_watch->signals, nullptr);
    m_watch->thread = std::thread([watch = m_watch.get(), stop = std::move(stop)] {
        int signal = 0;
        sigwait(&watch->signals, &signal);
        if (signal != SIGUSR1) {
            watch->signal = signal;
            stop();
        }
    });
}

StopSignals::~StopSignals()
{
    if (m_watch->signal == 0)
        pthread_kill(m_watch->thread.native_handle(), SIGUSR1);
    m_watch->thread.join();
}

int StopSignals::signal() const
{
    return m_watch->signal.load();
}

} // namespace kelvane
