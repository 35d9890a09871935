#include "serial/modem_watcher.h"

#include "serial/serial_device.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <linux/serial.h>
#include <mutex>
#include <sys/ioctl.h>

namespace kelvane {

namespace {

int interruptSignal()
{
    return SIGRTMIN + 7;
}

void installInterruptHandler()
{
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction action = {};
        action.sa_handler = [](int) {};
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0; // no SA_RESTART: the blocked ioctl must return EINTR
        sigaction(interruptSignal(), &action, nullptr);
    });
}

ModemLineSnapshot snapshot(int fd)
{
    ModemLineSnapshot s;
    serial_icounter_struct counts = {};
    s.haveCounts = ioctl(fd, TIOCGICOUNT, &counts) == 0;
    s.cts = counts.cts;
    s.dsr = counts.dsr;
    s.dcd = counts.dcd;
    s.rng = counts.rng;
    ioctl(fd, TIOCMGET, &s.lines);
    return s;
}

} // namespace

// The counters also catch a line that went and came back between two readings.
uint32_t modemLineChanges(const ModemLineSnapshot &before, const ModemLineSnapshot &after)
{
    uint32_t events = 0;
    if (before.haveCounts && after.haveCounts) {
        if (after.cts != before.cts)
            events |= CommEvent::Cts;
        if (after.dsr != before.dsr)
            events |= CommEvent::Dsr;
        if (after.dcd != before.dcd)
            events |= CommEvent::Rlsd;
        if (after.rng != before.rng)
            events |= CommEvent::Ring;
    }
    const int changed = before.lines ^ after.lines;
    if (changed & TIOCM_CTS)
        events |= CommEvent::Cts;
    if (changed & TIOCM_DSR)
        events |= CommEvent::Dsr;
    if (changed & TIOCM_CD)
        events |= CommEvent::Rlsd;
    if ((after.lines & TIOCM_RNG) && !(before.lines & TIOCM_RNG))
        events |= CommEvent::Ring;
    return events;
}

void ModemWatcher::start(int fd, Callback callback)
{
    if (running())
        return;
    installInterruptHandler();
    m_callback = std::move(callback);
    m_stop = false;
    m_exited = false;
    m_thread = std::thread(&ModemWatcher::run, this, fd);
}

void ModemWatcher::stop()
{
    if (!running())
        return;
    m_stop = true;
    std::unique_lock lock(m_mutex);
    m_stopped.notify_all();
    // The signal may arrive just before the thread enters its wait; repeat until it has left.
    while (!m_exited) {
        pthread_t handle = m_handle.load();
        if (handle)
            pthread_kill(handle, interruptSignal());
        m_stopped.wait_for(lock, std::chrono::milliseconds(10));
    }
    lock.unlock();
    m_thread.join();
}

void ModemWatcher::run(int fd)
{
    m_handle = pthread_self();
    ModemLineSnapshot last = snapshot(fd);
    bool canWait = true;
    while (!m_stop) {
        if (canWait) {
            if (!waitForChange(fd)) {
                if (errno == EINTR)
                    continue;
                if (errno != EINVAL && errno != ENOTTY && errno != ENOSYS)
                    break; // the device went away
                canWait = false;
                continue;
            }
        } else if (!sleepUnlessStopped(100)) {
            break;
        }
        const ModemLineSnapshot now = snapshot(fd);
        if (const uint32_t events = modemLineChanges(last, now))
            m_callback(events);
        last = now;
    }
    std::lock_guard lock(m_mutex);
    m_exited = true;
    m_stopped.notify_all();
}

bool ModemWatcher::waitForChange(int fd)
{
    return ioctl(fd, TIOCMIWAIT, TIOCM_CTS | TIOCM_DSR | TIOCM_CD | TIOCM_RNG) == 0;
}

bool ModemWatcher::sleepUnlessStopped(int milliseconds)
{
    std::unique_lock lock(m_mutex);
    return !m_stopped.wait_for(
        lock, std::chrono::milliseconds(milliseconds), [this] { return m_stop.load(); });
}

} // namespace kelvane
