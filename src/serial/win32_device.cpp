#include "serial/win32_device.h"

#include "base/utf8_path.h"
#include "serial/com_error.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstring>
#include <utility>
#include <windows.h>

namespace kelvane {

namespace {

// The component's blocks are the system's own structures, field for field.
static_assert(sizeof(LineSettings) == sizeof(DCB));
static_assert(offsetof(LineSettings, BaudRate) == offsetof(DCB, BaudRate));
static_assert(offsetof(LineSettings, XonLim) == offsetof(DCB, XonLim));
static_assert(offsetof(LineSettings, EvtChar) == offsetof(DCB, EvtChar));
static_assert(sizeof(DeviceTimeouts) == sizeof(COMMTIMEOUTS));

// Short enough that a poll-driven port answers as briskly as a terminal needs, long enough to
// cost nothing measurable.
constexpr DWORD PollIntervalMs = 10;

constexpr uint32_t ModemEvents
    = CommEvent::Cts | CommEvent::Dsr | CommEvent::Rlsd | CommEvent::Ring;

// What a port that is gone answers: a pulled USB adapter, a removed driver.
bool lostDeviceError(DWORD error)
{
    switch (error) {
    case ERROR_ACCESS_DENIED:
    case ERROR_BAD_COMMAND:
    case ERROR_GEN_FAILURE:
    case ERROR_DEVICE_REMOVED:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_DEV_NOT_EXIST:
        return true;
    default:
        return false;
    }
}

// A request's completion event and block, released in all cases.
class Request
{
public:
    Request() : m_event(CreateEventW(nullptr, TRUE, FALSE, nullptr)) { m_block.hEvent = m_event; }
    ~Request()
    {
        if (m_event)
            CloseHandle(m_event);
    }
    Request(const Request &) = delete;
    Request &operator=(const Request &) = delete;

    bool valid() const { return m_event != nullptr; }
    OVERLAPPED *block() { return &m_block; }

    // Waits for the request started with `started` (the call's result); false with the error
    // left in GetLastError() when it failed.
    bool finish(HANDLE device, BOOL started, DWORD &transferred)
    {
        transferred = 0;
        if (!started && GetLastError() != ERROR_IO_PENDING)
            return false;
        return GetOverlappedResult(device, &m_block, &transferred, TRUE);
    }

private:
    HANDLE m_event;
    OVERLAPPED m_block = {};
};

class Win32SerialDevice final : public SerialDevice
{
public:
    Win32SerialDevice(HANDLE device, bool modemLines)
        : m_device(device), m_modemLines(modemLines),
          m_waitEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
          m_wake(CreateEventW(nullptr, FALSE, FALSE, nullptr))
    { }

    ~Win32SerialDevice() override
    {
        if (m_waitPending) {
            // The wait's block must outlive the driver's use of it.
            DWORD ignored = 0;
            CancelIoEx(m_device, &m_waitBlock);
            GetOverlappedResult(m_device, &m_waitBlock, &ignored, TRUE);
        }
        CloseHandle(m_wake);
        CloseHandle(m_waitEvent);
        CloseHandle(m_device);
    }

    bool valid() const { return m_waitEvent != nullptr && m_wake != nullptr; }

    bool SetupComm(uint32_t inQueue, uint32_t outQueue) override
    {
        m_inQueueSize = inQueue;
        return ::SetupComm(m_device, inQueue, outQueue);
    }

    bool SetCommState(const LineSettings &settings) override
    {
        DCB dcb;
        std::memcpy(&dcb, &settings, sizeof dcb);
        return ::SetCommState(m_device, &dcb);
    }

    bool SetCommTimeouts(const DeviceTimeouts &timeouts) override
    {
        m_timeouts = timeouts;
        COMMTIMEOUTS t;
        std::memcpy(&t, &timeouts, sizeof t);
        return ::SetCommTimeouts(m_device, &t);
    }

    bool SetCommMask(uint32_t mask) override
    {
        m_mask = mask;
        SetEvent(m_wake); // a polling wait looks at the new mask
        if (m_polling || m_lost)
            return true;
        // Also ends a wait that is outstanding, as the event thread's clean-up relies on.
        return ::SetCommMask(m_device, mask);
    }

    WaitResult WaitCommEvent(uint32_t &mask, const StopSignal &stop) override
    {
        const HANDLE stopEvent = reinterpret_cast<HANDLE>(stop.nativeHandle());
        for (;;) {
            // The stop signal wins over events that are already there.
            if (stop.isSet())
                return WaitResult::Stopped;
            if (const uint32_t raised = m_raised.exchange(0) & m_mask; raised != 0) {
                mask = raised;
                return WaitResult::Event;
            }
            if (m_lost || m_polling) {
                const HANDLE waits[2] = {stopEvent, m_wake};
                const DWORD woken
                    = WaitForMultipleObjects(2, waits, FALSE, m_lost ? INFINITE : PollIntervalMs);
                if (woken == WAIT_FAILED)
                    return WaitResult::Failed;
                if (woken != WAIT_OBJECT_0 && !m_lost)
                    m_raised.fetch_or(pollEvents());
                continue;
            }
            if (!m_waitPending && !startWait())
                continue;
            const HANDLE waits[3] = {stopEvent, m_waitEvent, m_wake};
            const DWORD woken = WaitForMultipleObjects(3, waits, FALSE, INFINITE);
            if (woken == WAIT_OBJECT_0 || woken == WAIT_OBJECT_0 + 2)
                continue;
            if (woken != WAIT_OBJECT_0 + 1)
                return WaitResult::Failed;
            m_waitPending = false;
            DWORD ignored = 0;
            if (!GetOverlappedResult(m_device, &m_waitBlock, &ignored, FALSE)) {
                if (!waitRefused(GetLastError(), stop))
                    return WaitResult::ResultFailed;
                continue;
            }
            mask = m_waitMask;
            return WaitResult::Event;
        }
    }

    bool Write(std::string_view data, uint32_t &written) override
    {
        written = 0;
        Request request;
        if (!request.valid())
            return false;
        DWORD done = 0;
        const BOOL started = WriteFile(
            m_device, data.data(), static_cast<DWORD>(data.size()), nullptr, request.block());
        const bool finished = request.finish(m_device, started, done);
        if (!finished)
            noteError(GetLastError());
        written = done;
        if (written > 0) {
            m_txPending = true;
            SetEvent(m_wake);
        }
        return finished && written == data.size();
    }

    bool Read(uint32_t count, std::string &data) override
    {
        data.clear();
        if (m_lost)
            return true;
        // "At once with what is there" is asked of the driver only for what is there: Wine's
        // driver waits for a byte instead.
        const DeviceTimeouts t = m_timeouts;
        if (t.ReadIntervalTimeout == MAXDWORD && t.ReadTotalTimeoutMultiplier == 0
            && t.ReadTotalTimeoutConstant == 0) {
            uint32_t queued = 0;
            if (!queuedBytes(queued))
                return m_lost;
            count = std::min(count, queued);
            if (count == 0)
                return true;
        }
        Request request;
        if (!request.valid())
            return false;
        data.resize(count);
        DWORD done = 0;
        const BOOL started = ReadFile(m_device, data.data(), count, nullptr, request.block());
        bool finished = request.finish(m_device, started, done);
        // A read time-out ends the read with what it got; Wine says so as a failure.
        if (!finished && (GetLastError() == ERROR_TIMEOUT || GetLastError() == ERROR_SEM_TIMEOUT))
            finished = true;
        if (!finished)
            noteError(GetLastError());
        data.resize(done);
        m_readTotal += done;
        return finished || m_lost;
    }

    bool PurgeComm(uint32_t flags) override
    {
        if (m_lost)
            return true;
        if (::PurgeComm(m_device, flags))
            return true;
        noteError(GetLastError());
        return m_lost;
    }

    bool ClearCommError(uint32_t &errors, uint32_t &inQueue) override
    {
        inQueue = 0;
        if (!m_lost) {
            DWORD flags = 0;
            COMSTAT status = {};
            if (!::ClearCommError(m_device, &flags, &status)) {
                noteError(GetLastError());
                if (!m_lost)
                    return false;
                // The loss this query found is told by the error event it raised: a caller that
                // only counts the queue must not swallow it.
                errors = 0;
                return true;
            }
            m_heldErrors.fetch_or(flags);
            inQueue = status.cbInQue;
        }
        errors = m_heldErrors.exchange(0);
        return true;
    }

    bool EscapeCommFunction(uint32_t function) override
    {
        if (m_lost || !m_modemLines)
            return true;
        if (::EscapeCommFunction(m_device, function))
            return true;
        noteError(GetLastError());
        return m_lost;
    }

    bool GetCommModemStatus(uint32_t &status) override
    {
        status = 0;
        if (m_lost || !m_modemLines)
            return true;
        DWORD lines = 0;
        if (!::GetCommModemStatus(m_device, &lines)) {
            noteError(GetLastError());
            return m_lost;
        }
        status = lines;
        return true;
    }

    bool lost() const override { return m_lost; }

private:
    // The receive queue's byte count; the error flags the query took are kept for the next
    // ClearCommError.
    bool queuedBytes(uint32_t &queued)
    {
        DWORD flags = 0;
        COMSTAT status = {};
        if (!::ClearCommError(m_device, &flags, &status)) {
            noteError(GetLastError());
            return false;
        }
        m_heldErrors.fetch_or(flags);
        queued = status.cbInQue;
        return true;
    }

    // Starts an overlapped wait for the driver's events; false when none could be started (the
    // event wait then goes on another way).
    bool startWait()
    {
        ResetEvent(m_waitEvent);
        m_waitBlock = {};
        m_waitBlock.hEvent = m_waitEvent;
        m_waitMask = 0;
        if (::WaitCommEvent(m_device, &m_waitMask, &m_waitBlock)) {
            SetEvent(m_waitEvent); // done at once: the result is there
            m_waitPending = true;
            return true;
        }
        const DWORD error = GetLastError();
        if (error == ERROR_IO_PENDING) {
            m_waitPending = true;
            return true;
        }
        noteError(error);
        if (!m_lost)
            m_polling = true;
        return false;
    }

    // A wait that ended in failure: true when it was a refusal the layer handles (the device is
    // gone, or the driver cancelled the wait though nobody asked it to stop).
    bool waitRefused(DWORD error, const StopSignal &stop)
    {
        noteError(error);
        if (m_lost)
            return true;
        if (error == ERROR_OPERATION_ABORTED && !stop.isSet()) {
            m_polling = true;
            return true;
        }
        return false;
    }

    // One look at the device: the events since the last look. Bytes that arrived are counted as
    // those read so far and those still queued; the count read is taken first, so a read racing
    // with this look can only make an arrival seem new twice, never hide one.
    uint32_t pollEvents()
    {
        const uint64_t readBefore = m_readTotal.load();
        DWORD flags = 0;
        COMSTAT status = {};
        if (!::ClearCommError(m_device, &flags, &status)) {
            noteError(GetLastError());
            return 0;
        }
        m_heldErrors.fetch_or(flags);
        uint32_t events = flags != 0 ? CommEvent::Err : 0;
        const uint64_t arrived = readBefore + status.cbInQue;
        if (arrived > m_arrivedSeen)
            events |= CommEvent::RxChar;
        m_arrivedSeen = arrived;
        const uint64_t mark = uint64_t {m_inQueueSize.load()} * 8 / 10;
        const bool full = mark > 0 && status.cbInQue >= mark;
        if (full && !m_above80)
            events |= CommEvent::Rx80Full;
        m_above80 = full;
        if (m_txPending && status.cbOutQue == 0) {
            m_txPending = false;
            events |= CommEvent::TxEmpty;
        }
        return events | modemChanges();
    }

    uint32_t modemChanges()
    {
        DWORD lines = 0;
        if (!m_modemLines || (m_mask & ModemEvents) == 0 || !::GetCommModemStatus(m_device, &lines))
            return 0;
        const DWORD before = std::exchange(m_lastModemLines, lines);
        if (!m_modemLinesKnown) {
            m_modemLinesKnown = true;
            return 0;
        }
        const DWORD changed = before ^ lines;
        uint32_t events = 0;
        if (changed & MS_CTS_ON)
            events |= CommEvent::Cts;
        if (changed & MS_DSR_ON)
            events |= CommEvent::Dsr;
        if (changed & MS_RLSD_ON)
            events |= CommEvent::Rlsd;
        if ((changed & MS_RING_ON) && (lines & MS_RING_ON))
            events |= CommEvent::Ring;
        return events;
    }

    void noteError(DWORD error)
    {
        if (!lostDeviceError(error) || m_lost.exchange(true))
            return;
        {
            m_heldErrors |= CommError::Ioe;
        }
        m_raised.fetch_or(CommEvent::Err);
        SetEvent(m_wake);
    }

    const HANDLE m_device;
    const bool m_modemLines;
    const HANDLE m_waitEvent;
    const HANDLE m_wake; // auto-reset: events raised outside the driver's wait, a new mask
    std::atomic<uint32_t> m_mask = 0;
    std::atomic<uint32_t> m_raised = 0;
    std::atomic<bool> m_lost = false;
    std::atomic<bool> m_polling = false;
    std::atomic<bool> m_txPending = false;
    std::atomic<uint32_t> m_inQueueSize = 0;
    std::atomic<uint64_t> m_readTotal = 0;
    DeviceTimeouts m_timeouts; // main thread only
    // Error flags a query took from the driver that no ClearCommError has handed out yet: both
    // threads query.
    std::atomic<uint32_t> m_heldErrors = 0;
    // The event thread's alone.
    OVERLAPPED m_waitBlock = {};
    DWORD m_waitMask = 0;
    bool m_waitPending = false;
    uint64_t m_arrivedSeen = 0;
    bool m_above80 = false;
    DWORD m_lastModemLines = 0;
    bool m_modemLinesKnown = false;
};

} // namespace

std::string deviceFileName(const std::string &name)
{
    return name.starts_with("\\\\") ? name : "\\\\.\\" + name;
}

OpenFailure classifyOpenError(uint32_t windowsError)
{
    switch (windowsError) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
        return OpenFailure::NotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        return OpenFailure::Busy;
    default:
        return OpenFailure::Other;
    }
}

std::unique_ptr<SerialDevice> openWin32Device(const std::string &name, OpenFailure &failure)
{
    failure = OpenFailure::None;
    const HANDLE device = CreateFileW(utf8Path(deviceFileName(name)).c_str(),
        GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (device == INVALID_HANDLE_VALUE) {
        failure = classifyOpenError(GetLastError());
        return nullptr;
    }
    // A device that cannot tell its modem lines has none (Wine's ports on a pseudo-terminal).
    DWORD lines = 0;
    const bool modemLines = ::GetCommModemStatus(device, &lines);
    auto opened = std::make_unique<Win32SerialDevice>(device, modemLines);
    if (!opened->valid()) {
        failure = OpenFailure::Other;
        return nullptr;
    }
    return opened;
}

std::unique_ptr<SerialDevice> openSystemDevice(const std::string &path, OpenFailure &failure)
{
    return openWin32Device(path, failure);
}

// Windows tells no "not permitted" apart from a held port; the text is the held port's.
std::string notPermittedMessage(const std::string &)
{
    return ComMessage::PortBusy;
}

} // namespace kelvane
