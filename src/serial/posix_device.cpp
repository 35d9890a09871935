#include "serial/posix_device.h"

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
    bool Update(int fd)
    {
        serial_icounter_struct now = {};
        std::lock_guard lock(mutex_);
        if (!supported_ || ioctl(fd, TIOCGICOUNT, &now) != 0) {
            supported_ = false;
            return false;
        }
        uint32_t found = 0;
        if (known_) {
            if (now.frame != last_.frame)
                found |= CommError::Frame;
            if (now.parity != last_.parity)
                found |= CommError::RxParity;
            if (now.overrun != last_.overrun)
                found |= CommError::Overrun;
            if (now.brk != last_.brk)
                found |= CommError::Break;
            if (now.buf_overrun != last_.buf_overrun)
                found |= CommError::RxOver;
        }
        last_ = now;
        known_ = true;
        flags_ |= found;
        return found != 0;
    }

    void Add(uint32_t flags)
    {
        std::lock_guard lock(mutex_);
        flags_ |= flags;
    }

    uint32_t Take()
    {
        std::lock_guard lock(mutex_);
        return std::exchange(flags_, 0);
    }

private:
    std::mutex mutex_;
    bool supported_ = true;
    bool known_ = false;
    serial_icounter_struct last_ = {};
    uint32_t flags_ = 0;
};

class PosixSerialDevice final : public SerialDevice
{
public:
    PosixSerialDevice(int fd, int epoll, int wake) : fd_(fd), epoll_(epoll), wake_(wake)
    {
        errors_.Update(fd_); // the baseline for later comparisons
    }

    ~PosixSerialDevice() override
    {
        watcher_.Stop();
        ioctl(fd_, TIOCNXCL); // a pseudo-terminal keeps the flag while its master lives
        close(epoll_);
        close(wake_);
        close(fd_);
    }

    bool SetupComm(uint32_t inQueue, uint32_t /*outQueue*/) override
    {
        // The tty's queues have a fixed size; the request only sets the 80 %-full mark.
        if (!isatty(fd_))
            return false;
        inQueueSize_ = inQueue;
        return true;
    }

    bool SetCommState(const LineSettings &settings) override
    {
        if (!ApplyTtySettings(fd_, settings)) {
            noteError(errno);
            return false;
        }
        const uint32_t parityBit = settings.Parity != 0 ? 1 : 0;
        const uint32_t stopBits = settings.StopBits == 0 ? 1 : 2;
        bitsPerChar_ = 1 + settings.ByteSize + parityBit + stopBits;
        baudRate_ = std::max<uint32_t>(settings.BaudRate, 1);
        return true;
    }

    bool SetCommTimeouts(const DeviceTimeouts &timeouts) override
    {
        timeouts_ = timeouts;
        return fcntl(fd_, F_GETFL) != -1;
    }

    bool SetCommMask(uint32_t mask) override
    {
        mask_ = mask;
        if ((mask & ModemEvents) && hasModemLines() && !lost_)
            watcher_.Start(fd_, [this](uint32_t events) { raise(events); });
        else
            watcher_.Stop();
        poke(); // a pending wait looks at the new mask
        return true;
    }

    WaitResult WaitCommEvent(uint32_t &mask, const StopSignal &stop) override
    {
        uint32_t events = 0;
        for (;;) {
            // The stop signal wins over events that are already there.
            if (stop.IsSet())
                return WaitResult::Stopped;
            events |= pending_.exchange(0);
            int timeout = -1;
            checkTransmitter(events, timeout);
            events &= mask_.load();
            if (events != 0) {
                mask = events;
                return WaitResult::Event;
            }
            pollfd fds[2] = {{stop.Fd(), POLLIN, 0}, {epoll_, POLLIN, 0}};
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
            const ssize_t n = ::write(fd_, data.data() + written, data.size() - written);
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
            txPending_ = true;
            poke();
        }
        return written == data.size();
    }

    bool Read(uint32_t count, std::string &data) override
    {
        data.clear();
        if (lost_)
            return true;
        const DeviceTimeouts t = timeouts_;
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
            const ssize_t n = ::read(fd_, buffer, want);
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
                return lost_.load();
            }
            if (immediate)
                return true;
            auto deadline = total;
            if (interval && !data.empty()) {
                const auto gap = deadlineAfter(t.ReadIntervalTimeout);
                if (!deadline || *gap < *deadline)
                    deadline = gap;
            }
            pollfd p {fd_, POLLIN, 0};
            const int ready = poll(&p, 1, remainingMs(deadline));
            if (ready == 0)
                return true; // a read time-out ends the read, it does not fail it
            if (ready < 0 && errno != EINTR)
                return false;
        }
    }

    bool PurgeComm(uint32_t flags) override
    {
        if (lost_)
            return true;
        // Reads and writes are blocking calls of the one thread that purges, so nothing can be
        // outstanding to abort; the abort flags only need a usable device.
        if (fcntl(fd_, F_GETFL) == -1)
            return false;
        const bool tx = flags & Purge::TxClear;
        const bool rx = flags & Purge::RxClear;
        if (!tx && !rx)
            return true;
        if (tcflush(fd_, tx && rx ? TCIOFLUSH : tx ? TCOFLUSH : TCIFLUSH) != 0) {
            noteError(errno);
            return lost_.load();
        }
        return true;
    }

    bool ClearCommError(uint32_t &errors, uint32_t &inQueue) override
    {
        inQueue = 0;
        const bool lostBefore = lost_;
        if (!lost_) {
            int count = 0;
            if (ioctl(fd_, TIOCINQ, &count) != 0) {
                noteError(errno);
                if (!lost_)
                    return false;
            } else {
                inQueue = static_cast<uint32_t>(std::max(count, 0));
                errors_.Update(fd_);
            }
        }
        errors = errors_.Take();
        // A loss found by this very query stays for the error event it raised: a caller that only
        // counts the queue (the received-characters step) must not swallow the one report of it.
        if (!lostBefore && lost_ && (errors & CommError::Ioe)) {
            errors &= ~CommError::Ioe;
            errors_.Add(CommError::Ioe);
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
        if (lost_)
            return true;
        if (ioctl(fd_, request, &line) == 0)
            return true;
        return modemCallRefused(errno);
    }

    bool GetCommModemStatus(uint32_t &status) override
    {
        status = 0;
        int lines = 0;
        if (lost_)
            return true;
        if (ioctl(fd_, TIOCMGET, &lines) != 0)
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

    bool Lost() const override { return lost_; }

private:
    bool hasModemLines() const
    {
        int lines = 0;
        return ioctl(fd_, TIOCMGET, &lines) == 0;
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
        if (lost_.exchange(true))
            return;
        errors_.Add(CommError::Ioe);
        raise(CommEvent::Err);
    }

    // Records events found outside the wait and wakes the wait.
    void raise(uint32_t events)
    {
        pending_.fetch_or(events);
        poke();
    }

    void poke()
    {
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(wake_, &one, sizeof one);
    }

    // Reads what the device and the wake-up counter report. The device is watched edge-
    // triggered: one report per arrival, however long received bytes stay unread.
    uint32_t collectDeviceEvents()
    {
        uint32_t events = 0;
        epoll_event ready[2];
        const int n = epoll_wait(epoll_, ready, 2, 0);
        for (int i = 0; i < n; ++i) {
            if (ready[i].data.fd == wake_) {
                uint64_t counter = 0;
                [[maybe_unused]] ssize_t r = ::read(wake_, &counter, sizeof counter);
                continue;
            }
            if (ready[i].events & (EPOLLHUP | EPOLLERR)) {
                // Stop watching at once: a hung-up tty reports itself ready forever.
                epoll_ctl(epoll_, EPOLL_CTL_DEL, fd_, nullptr);
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
        if (errors_.Update(fd_))
            events |= CommEvent::Err;
        int count = 0;
        if (ioctl(fd_, TIOCINQ, &count) == 0) {
            const uint64_t mark = uint64_t {inQueueSize_.load()} * 8 / 10;
            const bool full = mark > 0 && static_cast<uint64_t>(count) >= mark;
            if (full && !above80_)
                events |= CommEvent::Rx80Full;
            above80_ = full;
        }
        return events;
    }

    // Transmit-empty: after a write, the output queue is watched until it has drained. The
    // wait is bounded by the time the queued bytes take on the line, so only a port that is
    // sending wakes up before an event.
    void checkTransmitter(uint32_t &events, int &timeout)
    {
        if (!txPending_)
            return;
        int queued = 0;
        if (lost_ || ioctl(fd_, TIOCOUTQ, &queued) != 0 || queued <= 0) {
            txPending_ = false;
            events |= CommEvent::TxEmpty;
            return;
        }
        const uint64_t ms
            = uint64_t {static_cast<uint32_t>(queued)} * bitsPerChar_ * 1000 / baudRate_ + 1;
        timeout = static_cast<int>(std::min<uint64_t>(ms, 200));
    }

    std::optional<Clock::time_point> writeDeadline(size_t size) const
    {
        const DeviceTimeouts t = timeouts_;
        if (t.WriteTotalTimeoutMultiplier == 0 && t.WriteTotalTimeoutConstant == 0)
            return std::nullopt;
        return deadlineAfter(
            uint64_t {t.WriteTotalTimeoutMultiplier} * size + t.WriteTotalTimeoutConstant);
    }

    bool waitWritable(const std::optional<Clock::time_point> &deadline)
    {
        pollfd p {fd_, POLLOUT, 0};
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

    const int fd_;
    const int epoll_;
    const int wake_;
    DeviceTimeouts timeouts_; // main thread only
    std::atomic<uint32_t> mask_ = 0;
    std::atomic<uint32_t> pending_ = 0;
    std::atomic<bool> txPending_ = false;
    std::atomic<bool> lost_ = false;
    std::atomic<bool> above80_ = false;
    std::atomic<uint32_t> inQueueSize_ = 0;
    std::atomic<uint32_t> baudRate_ = 9600;
    std::atomic<uint32_t> bitsPerChar_ = 10;
    LineErrors errors_;
    ModemWatcher watcher_;
};

} // namespace

std::unique_ptr<SerialDevice> OpenPosixDevice(const std::string &path, OpenFailure &failure)
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

std::string DeviceGroup(const std::string &path)
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
