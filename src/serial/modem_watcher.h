// ModemWatcher: a thread that waits in the kernel for changes of a tty's modem input lines
// (TIOCMIWAIT) and reports which lines changed. Devices that can read their lines but cannot wait
// for a change are polled every 100 ms instead, the only periodic wake-up of an open port.
//
// The wait cannot be woken by a file descriptor, so stop() interrupts it with a signal reserved
// for this purpose (SIGRTMIN + 7, installed once per process with an empty handler and without
// SA_RESTART). start() and stop() come from one thread at a time; the callback runs in the
// watcher thread.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <pthread.h>
#include <thread>

namespace kelvane {

// The modem input lines of a tty at one moment: the kernel's change counters (when the device
// keeps them) and the line bits (TIOCM_*).
struct ModemLineSnapshot
{
    bool haveCounts = false;
    int cts = 0;
    int dsr = 0;
    int dcd = 0;
    int rng = 0;
    int lines = 0;
};

// The event bits (CommEvent::Cts, Dsr, Rlsd, Ring) of the lines that changed between two
// snapshots; a ring counts when it starts.
uint32_t modemLineChanges(const ModemLineSnapshot &before, const ModemLineSnapshot &after);

class ModemWatcher
{
public:
    // Called with the event bits (CommEvent::Cts, Dsr, Rlsd, Ring) of the lines that changed.
    using Callback = std::function<void(uint32_t changedEvents)>;

    ModemWatcher() = default;
    ~ModemWatcher() { stop(); }
    ModemWatcher(const ModemWatcher &) = delete;
    ModemWatcher &operator=(const ModemWatcher &) = delete;

    void start(int fd, Callback callback);
    void stop();
    bool running() const { return m_thread.joinable(); }

private:
    void run(int fd);
    bool waitForChange(int fd);
    bool sleepUnlessStopped(int milliseconds);

    Callback m_callback;
    std::atomic<bool> m_stop = false;
    std::atomic<bool> m_exited = false;
    std::mutex m_mutex;
    std::condition_variable m_stopped;
    std::atomic<pthread_t> m_handle {};
    std::thread m_thread;
};

} // namespace kelvane
