#include "serial/posix_device.h"

#include "serial/com_error.h"
#include "serial/modem_watcher.h"
#include "serial/tty_settings.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <grp.h>
#include <linux/serial.h>
#include <mutex>
#include <optional>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace kelvane {

namespace {

using Clock = std::chrono::steady_clock;
constexpr uint32_t MaxDword = 0xFFFFFFFFu;
constexpr uint32_t ModemEvents
    = CommEvent::Cts | CommEvent::Dsr | CommEvent::Rlsd | CommEvent::Ring;

bool lostDeviceError(int error)
{
    return error == EIO || error == ENODEV || error == ENXIO;
}

// A pseudo-terminal refuses every modem ioctl this way: it simply has no modem lines.
bool noModemLinesError(int error)
{
    return error == ENOTTY || error == EINVAL;
}

OpenFailure classifyOpenError(int error)
{
    switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case ENOTDIR:
        return OpenFailure::NotFound;
    case EBUSY:
    case EWOULDBLOCK:
        return OpenFailure::Busy;
    case EACCES:
    case EPERM:
        return OpenFailure::NotPermitted;
    default:
        return OpenFailure::Other;
    }
}

// Milliseconds left until `deadline`, for poll(); -1 for no deadline.
int remainingMs(const std::optional<Clock::time_point> &deadline)
{
    if (!deadline)
        return -1;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now());
    return static_cast<int>(std::clamp<int64_t>(left.count(), 0, 1 << 30));
}

std::optional<Clock::time_point> deadlineAfter(uint64_t milliseconds)
{
    return Clock::now() + std::chrono::milliseconds(milliseconds);
}

// Line errors come from the tty's error counters; each query adds what happened since the last
// one, and ClearCommError hands the collected flags over and clears them. Both threads query.
class LineErrors
{
public:
    // Returns true when new errors were found.
    bool update(int fd)
    {
        serial_icounter_struct now = {};
        std::lock_guard lock(m_mutex);
        if (!m_supported || ioctl(fd, TIOCGICOUNT, &now) != 0) {
            m_supported = false;
            return false;
        }
        uint32_t found = 0;
        if (m_known) {
            if (now.frame != m_last.frame)
                found |= CommError::Frame;
            if (now.parity != m_last.parity)
                found |= CommError::RxParity;
            if (now.overrun != m_last.overrun)
                found |= CommError::Overrun;
            if (now.brk != m_last.brk)
                found |= CommError::Break;
            if (now.buf_overrun != m_last.buf_overrun)
                found |= CommError::RxOver;
        }
        m_last = now;
        m_known = true;
        m_flags |= found;
        return found != 0;
    }

    void add(uint32_t flags)
    {
        std::lock_guard lock(m_mutex);
        m_flags |= flags;
    }

    uint32_t take()
    {
        std::lock_guard lock(m_mutex);
        return std::exchange(m_flags, 0);
    }

private:
    std::mutex m_mutex;
    bool m_supported = true;
    bool m_known = false;
    serial_icounter_struct m_last = {};
    uint32_t m_flags = 0;
};

class PosixSerialDevice final : public SerialDevice
{
public:
    PosixSerialDevice(int fd, int epoll, int wake) : m_fd(fd), m_epoll(epoll), m_wake(wake)
    {
        m_errors.update(m_fd); // the baseline for later comparisons
    }

    ~PosixSerialDevice() override
    {
        m_watcher.stop();
        ioctl(m_fd, TIOCNXCL); // a pseudo-terminal keeps the flag while its master lives
        close(m_epoll);
        close(m_wake);
        close(m_fd);
    }

    bool SetupComm(uint32_t inQueue, uint32_t /*outQueue*/) override
    {
        // The tty's queues have a fixed size; the request only sets the 80 %-full mark.
        if (!isatty(m_fd))
            return false;
        m_inQueueSize = inQueue;
        return true;
    }

    bool SetCommState(const LineSettings &settings) override
    {
        if (!applyTtySettings(m_fd, settings)) {
            noteError(errno);
            return false;
        }
        m_bitsPerChar = bitsPerCharacter(settings);
        m_baudRate = std::max<uint32_t>(settings.BaudRate, 1);
        return true;
    }

    bool SetCommTimeouts(const DeviceTimeouts &timeouts) override
    {
        m_timeouts = timeouts;
        return fcntl(m_fd, F_GETFL) != -1;
    }

    bool SetCommMask(uint32_t mask) override
    {
        m_mask = mask;
        if ((mask & ModemEvents) && hasModemLines() && !m_lost)
            m_watcher.start(m_fd, [this](uint32_t events) { raise(events); });
        else
            m_watcher.stop();
        poke(); // a pending wait looks at the new mask
        return true;
    }

    WaitResult WaitCommEvent(uint32_t &mask, const StopSignal &stop) override
    {
        uint32_t events = 0;
        for (;;) {
            // The stop signal wins over events that are already there.
            if (stop.isSet())
                return WaitResult::Stopped;
            events |= m_pending.exchange(0);
            int timeout = -1;
            checkTransmitter(events, timeout);
            events &= m_mask.load();
            if (events != 0) {
                mask = events;
                return WaitResult::Event;
            }
            pollfd fds[2]
                = {{static_cast<int>(stop.nativeHandle()), POLLIN, 0}, {m_epoll, POLLIN, 0}};
            const int n = poll(fds, 2, timeout);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                return WaitResult::Failed;
            }
            if (fds[1].revents & POLLIN)
                events |= collectDeviceEvents();
        }
    }

    bool Write(std::string_view data, uint32_t &written) override
    {
        written = 0;
        const auto deadline = writeDeadline(data.size());
        while (written < data.size()) {
            const ssize_t n = ::write(m_fd, data.data() + written, data.size() - written);
            if (n > 0) {
                written += static_cast<uint32_t>(n);
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && errno == EAGAIN && waitWritable(deadline))
                continue;
            noteError(errno);
            break;
        }
        if (written > 0) {
            m_txPending = true;
            poke();
        }
        return written == data.size();
    }

    bool Read(uint32_t count, std::string &data) override
    {
        data.clear();
        if (m_lost)
            return true;
        const DeviceTimeouts t = m_timeouts;
        const bool immediate = t.ReadIntervalTimeout == MaxDword
            && t.ReadTotalTimeoutMultiplier == 0 && t.ReadTotalTimeoutConstant == 0;
        // MAXDWORD, MAXDWORD, c: return what is there, or wait up to c for the first byte.
        const bool firstByte = t.ReadIntervalTimeout == MaxDword
            && t.ReadTotalTimeoutMultiplier == MaxDword && t.ReadTotalTimeoutConstant > 0
            && t.ReadTotalTimeoutConstant < MaxDword;
        std::optional<Clock::time_point> total;
        if (firstByte)
            total = deadlineAfter(t.ReadTotalTimeoutConstant);
        else if (t.ReadTotalTimeoutMultiplier != 0 || t.ReadTotalTimeoutConstant != 0)
            total = deadlineAfter(
                uint64_t {t.ReadTotalTimeoutMultiplier} * count + t.ReadTotalTimeoutConstant);
        const bool interval = !immediate && !firstByte && t.ReadIntervalTimeout != 0
            && t.ReadIntervalTimeout != MaxDword;

        char buffer[4096];
        for (;;) {
            const size_t want = std::min<size_t>(sizeof buffer, count - data.size());
            const ssize_t n = ::read(m_fd, buffer, want);
            if (n > 0) {
                data.append(buffer, static_cast<size_t>(n));
                if (data.size() == count || (firstByte && !data.empty()))
                    return true;
                continue;
            }
            if (n == 0)
                return true; // end of file: the other side is gone
            if (errno == EINTR)
                continue;
            if (errno != EAGAIN) {
                noteError(errno);
                return m_lost.load();
            }
            if (immediate)
                return true;
            auto deadline = total;
            if (interval && !data.empty()) {
                const auto gap = deadlineAfter(t.ReadIntervalTimeout);
                if (!deadline || *gap < *deadline)
                    deadline = gap;
            }
            pollfd p {m_fd, POLLIN, 0};
            const int ready = poll(&p, 1, remainingMs(deadline));
            if (ready == 0)
                return true; // a read time-out ends the read, it does not fail it
            if (ready < 0 && errno != EINTR)
                return false;
        }
    }

    bool PurgeComm(uint32_t flags) override
    {
        if (m_lost)
            return true;
        // Reads and writes are blocking calls of the one thread that purges, so nothing can be
        // outstanding to abort; the abort flags only need a usable device.
        if (fcntl(m_fd, F_GETFL) == -1)
            return false;
        const bool tx = flags & Purge::TxClear;
        const bool rx = flags & Purge::RxClear;
        if (!tx && !rx)
            return true;
        if (tcflush(m_fd, tx && rx ? TCIOFLUSH : tx ? TCOFLUSH : TCIFLUSH) != 0) {
            noteError(errno);
            return m_lost.load();
        }
        return true;
    }

    bool ClearCommError(uint32_t &errors, uint32_t &inQueue) override
    {
        inQueue = 0;
        const bool lostBefore = m_lost;
        if (!m_lost) {
            int count = 0;
            if (ioctl(m_fd, TIOCINQ, &count) != 0) {
                noteError(errno);
                if (!m_lost)
                    return false;
            } else {
                inQueue = static_cast<uint32_t>(std::max(count, 0));
                m_errors.update(m_fd);
            }
        }
        errors = m_errors.take();
        // A loss found by this very query stays for the error event it raised: a caller that only
        // counts the queue (the received-characters step) must not swallow the one report of it.
        if (!lostBefore && m_lost && (errors & CommError::Ioe)) {
            errors &= ~CommError::Ioe;
            m_errors.add(CommError::Ioe);
        }
        return true;
    }

    bool EscapeCommFunction(uint32_t function) override
    {
        int line = 0;
        unsigned long request = 0;
        switch (function) {
        case Escape::SetRts:
            line = TIOCM_RTS, request = TIOCMBIS;
            break;
        case Escape::ClrRts:
            line = TIOCM_RTS, request = TIOCMBIC;
            break;
        case Escape::SetDtr:
            line = TIOCM_DTR, request = TIOCMBIS;
            break;
        case Escape::ClrDtr:
            line = TIOCM_DTR, request = TIOCMBIC;
            break;
        default:
            return false;
        }
        if (m_lost)
            return true;
        if (ioctl(m_fd, request, &line) == 0)
            return true;
        return modemCallRefused(errno);
    }

    bool GetCommModemStatus(uint32_t &status) override
    {
        status = 0;
        int lines = 0;
        if (m_lost)
            return true;
        if (ioctl(m_fd, TIOCMGET, &lines) != 0)
            return modemCallRefused(errno);
        if (lines & TIOCM_CTS)
            status |= ModemStatus::Cts;
        if (lines & TIOCM_DSR)
            status |= ModemStatus::Dsr;
        if (lines & TIOCM_RNG)
            status |= ModemStatus::Ring;
        if (lines & TIOCM_CD)
            status |= ModemStatus::Rlsd;
        return true;
    }

    bool lost() const override { return m_lost; }

private:
    bool hasModemLines() const
    {
        int lines = 0;
        return ioctl(m_fd, TIOCMGET, &lines) == 0;
    }

    // False for a real refusal; a device without modem lines is no refusal.
    bool modemCallRefused(int error)
    {
        if (noModemLinesError(error))
            return true;
        noteError(error);
        return false;
    }

    void noteError(int error)
    {
        if (lostDeviceError(error))
            markLost();
    }

    void markLost()
    {
        if (m_lost.exchange(true))
            return;
        m_errors.add(CommError::Ioe);
        raise(CommEvent::Err);
    }

    // Records events found outside the wait and wakes the wait.
    void raise(uint32_t events)
    {
        m_pending.fetch_or(events);
        poke();
    }

    void poke()
    {
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(m_wake, &one, sizeof one);
    }

    // Reads what the device and the wake-up counter report. The device is watched edge-
    // triggered: one report per arrival, however long received bytes stay unread.
    uint32_t collectDeviceEvents()
    {
        uint32_t events = 0;
        epoll_event ready[2];
        const int n = epoll_wait(m_epoll, ready, 2, 0);
        for (int i = 0; i < n; ++i) {
            if (ready[i].data.fd == m_wake) {
                uint64_t counter = 0;
                [[maybe_unused]] ssize_t r = ::read(m_wake, &counter, sizeof counter);
                continue;
            }
            if (ready[i].events & (EPOLLHUP | EPOLLERR)) {
                // Stop watching at once: a hung-up tty reports itself ready forever.
                epoll_ctl(m_epoll, EPOLL_CTL_DEL, m_fd, nullptr);
                markLost();
            }
            if (ready[i].events & EPOLLIN)
                events |= receiveEvents();
        }
        return events;
    }

    uint32_t receiveEvents()
    {
        uint32_t events = CommEvent::RxChar;
        if (m_errors.update(m_fd))
            events |= CommEvent::Err;
        int count = 0;
        if (ioctl(m_fd, TIOCINQ, &count) == 0) {
            const uint64_t mark = uint64_t {m_inQueueSize.load()} * 8 / 10;
            const bool full = mark > 0 && static_cast<uint64_t>(count) >= mark;
            if (full && !m_above80)
                events |= CommEvent::Rx80Full;
            m_above80 = full;
        }
        return events;
    }

    // Transmit-empty: after a write, the output queue is watched until it has drained. The
    // wait is bounded by the time the queued bytes take on the line, so only a port that is
    // sending wakes up before an event.
    void checkTransmitter(uint32_t &events, int &timeout)
    {
        if (!m_txPending)
            return;
        int queued = 0;
        if (m_lost || ioctl(m_fd, TIOCOUTQ, &queued) != 0 || queued <= 0) {
            m_txPending = false;
            events |= CommEvent::TxEmpty;
            return;
        }
        const uint64_t ms
            = uint64_t {static_cast<uint32_t>(queued)} * m_bitsPerChar * 1000 / m_baudRate + 1;
        timeout = static_cast<int>(std::min<uint64_t>(ms, 200));
    }

    std::optional<Clock::time_point> writeDeadline(size_t size) const
    {
        const DeviceTimeouts t = m_timeouts;
        if (t.WriteTotalTimeoutMultiplier == 0 && t.WriteTotalTimeoutConstant == 0)
            return std::nullopt;
        return deadlineAfter(
            uint64_t {t.WriteTotalTimeoutMultiplier} * size + t.WriteTotalTimeoutConstant);
    }

    bool waitWritable(const std::optional<Clock::time_point> &deadline)
    {
        pollfd p {m_fd, POLLOUT, 0};
        for (;;) {
            const int ready = poll(&p, 1, remainingMs(deadline));
            if (ready > 0)
                return true;
            if (ready == 0 || errno != EINTR) {
                errno = ETIMEDOUT;
                return false;
            }
        }
    }

    const int m_fd;
    const int m_epoll;
    const int m_wake;
    DeviceTimeouts m_timeouts; // main thread only
    std::atomic<uint32_t> m_mask = 0;
    std::atomic<uint32_t> m_pending = 0;
    std::atomic<bool> m_txPending = false;
    std::atomic<bool> m_lost = false;
    std::atomic<bool> m_above80 = false;
    std::atomic<uint32_t> m_inQueueSize = 0;
    std::atomic<uint32_t> m_baudRate = 9600;
    std::atomic<uint32_t> m_bitsPerChar = 10;
    LineErrors m_errors;
    ModemWatcher m_watcher;
};

} // namespace

std::unique_ptr<SerialDevice> openPosixDevice(const std::string &path, OpenFailure &failure)
{
    failure = OpenFailure::None;
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        failure = classifyOpenError(errno);
        return nullptr;
    }
    // TIOCEXCL keeps other users out but not root; the lock keeps out everyone who asks for it.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        failure = classifyOpenError(errno);
        close(fd);
        return nullptr;
    }
    if (ioctl(fd, TIOCEXCL) != 0) { // not a tty at all
        failure = OpenFailure::Other;
        close(fd);
        return nullptr;
    }
    const int epoll = epoll_create1(EPOLL_CLOEXEC);
    const int wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    epoll_event device = {};
    device.events = EPOLLIN | EPOLLET;
    device.data.fd = fd;
    epoll_event waker = {};
    waker.events = EPOLLIN;
    waker.data.fd = wake;
    if (epoll < 0 || wake < 0 || epoll_ctl(epoll, EPOLL_CTL_ADD, fd, &device) != 0
        || epoll_ctl(epoll, EPOLL_CTL_ADD, wake, &waker) != 0) {
        failure = OpenFailure::Other;
        for (int f : {epoll, wake})
            if (f >= 0)
                close(f);
        ioctl(fd, TIOCNXCL);
        close(fd);
        return nullptr;
    }
    return std::make_unique<PosixSerialDevice>(fd, epoll, wake);
}

std::unique_ptr<SerialDevice> openSystemDevice(const std::string &path, OpenFailure &failure)
{
    return openPosixDevice(path, failure);
}

std::string notPermittedMessage(const std::string &path)
{
    return ComMessage::noPermission(path, deviceGroup(path));
}

std::string deviceGroup(const std::string &path)
{
    struct stat st;
    if (stat(path.c_str(), &st) != 0)
        return {};
    group entry;
    group *found = nullptr;
    std::vector<char> buffer(4096);
    while (getgrgid_r(st.st_gid, &entry, buffer.data(), buffer.size(), &found) == ERANGE)
        buffer.resize(buffer.size() * 2);
    return found ? std::string(found->gr_name) : std::to_string(st.st_gid);
}

} // namespace kelvane
