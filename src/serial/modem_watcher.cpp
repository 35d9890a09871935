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
uint32_t ModemLineChanges(const ModemLineSnapshot &before, const ModemLineSnapshot &after)
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

void ModemWatcher::Start(int fd, Callback callback)
{
    if (Running())
        return;
    installInterruptHandler();
    callback_ = std::move(callback);
    stop_ = false;
    exited_ = false;
    thread_ = std::thread(&ModemWatcher::run, this, fd);
}

void ModemWatcher::Stop()
{
    if (!Running())
        return;
    stop_ = true;
    std::unique_lock lock(mutex_);
    stopped_.notify_all();
    // The signal may arrive just before the thread enters its wait; repeat until it has left.
    while (!exited_) {
        pthread_t handle = handle_.load();
        if (handle)
            pthread_kill(handle, interruptSignal());
        stopped_.wait_for(lock, std::chrono::milliseconds(10));
    }
    lock.unlock();
    thread_.join();
}

void ModemWatcher::run(int fd)
{
    handle_ = pthread_self();
    ModemLineSnapshot last = snapshot(fd);
    bool canWait = true;
    while (!stop_) {
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
        if (const uint32_t events = ModemLineChanges(last, now))
            callback_(events);
        last = now;
    }
    std::lock_guard lock(mutex_);
    exited_ = true;
    stopped_.notify_all();
}

bool ModemWatcher::waitForChange(int fd)
{
    return ioctl(fd, TIOCMIWAIT, TIOCM_CTS | TIOCM_DSR | TIOCM_CD | TIOCM_RNG) == 0;
}

bool ModemWatcher::sleepUnlessStopped(int milliseconds)
{
    std::unique_lock lock(mutex_);
    return !stopped_.wait_for(
        lock, std::chrono::milliseconds(milliseconds), [this] { return stop_.load(); });
}

} // namespace kelvane
