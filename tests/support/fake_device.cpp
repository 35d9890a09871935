#include "support/fake_device.h"

#include <chrono>
#include <utility>

namespace kelvane {

class FakeSerialDevice final : public SerialDevice
{
public:
    explicit FakeSerialDevice(std::shared_ptr<FakeDeviceScript> script) : m_s(std::move(script))
    {
        std::lock_guard lock(m_s->m_mutex);
        ++m_s->m_devicesOpen;
    }

    ~FakeSerialDevice() override
    {
        m_s->record({"CloseHandle", {}, {}});
        std::lock_guard lock(m_s->m_mutex);
        --m_s->m_devicesOpen;
    }

    bool SetupComm(uint32_t in, uint32_t out) override
    {
        return m_s->record({"SetupComm", {in, out}, {}});
    }

    bool SetCommState(const LineSettings &d) override
    {
        return m_s->record({"SetCommState",
            {d.DCBlength, d.BaudRate, d.Flags, d.XonLim, d.XoffLim, d.ByteSize, d.Parity,
                d.StopBits, static_cast<uint64_t>(d.XonChar), static_cast<uint64_t>(d.XoffChar),
                static_cast<uint64_t>(d.ErrorChar), static_cast<uint64_t>(d.EofChar),
                static_cast<uint64_t>(d.EvtChar)},
            {}});
    }

    bool SetCommTimeouts(const DeviceTimeouts &t) override
    {
        return m_s->record({"SetCommTimeouts",
            {t.ReadIntervalTimeout, t.ReadTotalTimeoutMultiplier, t.ReadTotalTimeoutConstant,
                t.WriteTotalTimeoutMultiplier, t.WriteTotalTimeoutConstant},
            {}});
    }

    bool SetCommMask(uint32_t mask) override { return m_s->record({"SetCommMask", {mask}, {}}); }

    WaitResult WaitCommEvent(uint32_t &mask, const StopSignal &stop) override
    {
        {
            std::unique_lock lock(m_s->m_mutex);
            ++m_s->m_waitsStarted;
            m_s->m_changed.notify_all();
            // A held wait also ends once the port asks the thread to stop.
            while (m_s->m_held && !stop.isSet())
                m_s->m_changed.wait_for(lock, std::chrono::milliseconds(1));
        }
        m_s->record({"WaitCommEvent", {}, {}});
        std::unique_lock lock(m_s->m_mutex);
        for (;;) {
            if (stop.isSet())
                return WaitResult::Stopped;
            if (!m_s->m_waits.empty()) {
                auto [result, value] = m_s->m_waits.front();
                m_s->m_waits.pop_front();
                mask = value;
                return result;
            }
            // Nothing wakes the condition on a stop: it is looked at now and then.
            m_s->m_changed.wait_for(lock, std::chrono::milliseconds(2));
        }
    }

    bool Write(std::string_view data, uint32_t &written) override
    {
        written = 0;
        if (!m_s->record({"Write", {data.size()}, std::string(data)}))
            return false;
        uint32_t event = 0;
        {
            std::lock_guard lock(m_s->m_mutex);
            m_s->m_written.append(data);
            written = static_cast<uint32_t>(data.size());
            event = m_s->m_eventAfterWrite;
        }
        if (event != 0)
            m_s->queueEvent(event);
        return true;
    }

    bool Read(uint32_t count, std::string &data) override
    {
        data.clear();
        if (!m_s->record({"Read", {count}, {}}))
            return false;
        std::lock_guard lock(m_s->m_mutex);
        data = m_s->m_input.substr(0, count);
        m_s->m_input.erase(0, data.size());
        return true;
    }

    bool PurgeComm(uint32_t flags) override { return m_s->record({"PurgeComm", {flags}, {}}); }

    bool ClearCommError(uint32_t &errors, uint32_t &inQueue) override
    {
        errors = 0;
        inQueue = 0;
        if (!m_s->record({"ClearCommError", {}, {}}))
            return false;
        std::lock_guard lock(m_s->m_mutex);
        errors = std::exchange(m_s->m_errors, 0);
        inQueue = static_cast<uint32_t>(m_s->m_input.size());
        return true;
    }

    bool EscapeCommFunction(uint32_t function) override
    {
        return m_s->record({"EscapeCommFunction", {function}, {}});
    }

    bool GetCommModemStatus(uint32_t &status) override
    {
        status = 0;
        if (!m_s->record({"GetCommModemStatus", {}, {}}))
            return false;
        std::lock_guard lock(m_s->m_mutex);
        status = m_s->m_modemStatus;
        return true;
    }

    bool lost() const override
    {
        std::lock_guard lock(m_s->m_mutex);
        return m_s->m_lost;
    }

private:
    std::shared_ptr<FakeDeviceScript> m_s;
};

FakeDeviceScript::FakeDeviceScript() = default;

FakeDeviceScript::~FakeDeviceScript() = default;

DeviceOpener FakeDeviceScript::opener()
{
    std::weak_ptr<FakeDeviceScript> weak = shared_from_this();
    return [weak](const std::string &path, OpenFailure &failure) -> std::unique_ptr<SerialDevice> {
        auto script = weak.lock();
        script->record({"CreateFile", {}, path});
        {
            std::lock_guard lock(script->m_mutex);
            script->m_lastPath = path;
            failure = script->m_openFailure;
        }
        if (failure != OpenFailure::None)
            return nullptr;
        return std::make_unique<FakeSerialDevice>(script);
    };
}

void FakeDeviceScript::setOpenFailure(OpenFailure failure)
{
    std::lock_guard lock(m_mutex);
    m_openFailure = failure;
}

void FakeDeviceScript::failCall(const std::string &name, bool fail)
{
    std::lock_guard lock(m_mutex);
    if (fail)
        m_failing.insert(name);
    else
        m_failing.erase(name);
}

void FakeDeviceScript::queueEvent(uint32_t mask)
{
    std::lock_guard lock(m_mutex);
    m_waits.emplace_back(SerialDevice::WaitResult::Event, mask);
    m_changed.notify_all();
}

void FakeDeviceScript::queueWaitResult(SerialDevice::WaitResult result)
{
    std::lock_guard lock(m_mutex);
    m_waits.emplace_back(result, 0);
    m_changed.notify_all();
}

void FakeDeviceScript::setModemStatus(uint32_t status)
{
    std::lock_guard lock(m_mutex);
    m_modemStatus = status;
}

void FakeDeviceScript::addErrors(uint32_t flags)
{
    std::lock_guard lock(m_mutex);
    m_errors |= flags;
}

void FakeDeviceScript::supplyInput(const std::string &bytes)
{
    std::lock_guard lock(m_mutex);
    m_input += bytes;
}

void FakeDeviceScript::setLost(bool lost)
{
    std::lock_guard lock(m_mutex);
    m_lost = lost;
}

void FakeDeviceScript::eventAfterWrite(uint32_t mask)
{
    std::lock_guard lock(m_mutex);
    m_eventAfterWrite = mask;
}

void FakeDeviceScript::holdWaits()
{
    std::lock_guard lock(m_mutex);
    m_held = true;
}

void FakeDeviceScript::release()
{
    std::lock_guard lock(m_mutex);
    m_held = false;
    m_changed.notify_all();
}

int FakeDeviceScript::waitsStarted()
{
    std::lock_guard lock(m_mutex);
    return m_waitsStarted;
}

std::vector<FakeCall> FakeDeviceScript::calls()
{
    std::lock_guard lock(m_mutex);
    return m_calls;
}

std::vector<std::string> FakeDeviceScript::callNames()
{
    std::lock_guard lock(m_mutex);
    std::vector<std::string> names;
    for (const FakeCall &c : m_calls)
        names.push_back(c.name);
    return names;
}

int FakeDeviceScript::Count(const std::string &name)
{
    std::lock_guard lock(m_mutex);
    int n = 0;
    for (const FakeCall &c : m_calls)
        n += c.name == name;
    return n;
}

std::string FakeDeviceScript::written()
{
    std::lock_guard lock(m_mutex);
    return m_written;
}

std::string FakeDeviceScript::lastPath()
{
    std::lock_guard lock(m_mutex);
    return m_lastPath;
}

int FakeDeviceScript::devicesOpen()
{
    std::lock_guard lock(m_mutex);
    return m_devicesOpen;
}

void FakeDeviceScript::clearCalls()
{
    std::lock_guard lock(m_mutex);
    m_calls.clear();
}

bool FakeDeviceScript::record(FakeCall call)
{
    std::lock_guard lock(m_mutex);
    const bool fails = m_failing.count(call.name) != 0;
    m_calls.push_back(std::move(call));
    return !fails;
}

} // namespace kelvane
