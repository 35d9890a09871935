#include "support/fake_device.h"

#include <chrono>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <utility>

namespace kelvane {

class FakeSerialDevice final : public SerialDevice
{
public:
    explicit FakeSerialDevice(std::shared_ptr<FakeDeviceScript> script) : s_(std::move(script))
    {
        std::lock_guard lock(s_->mutex_);
        ++s_->devicesOpen_;
    }

    ~FakeSerialDevice() override
    {
        s_->record({"CloseHandle", {}, {}});
        std::lock_guard lock(s_->mutex_);
        --s_->devicesOpen_;
    }

    bool SetupComm(uint32_t in, uint32_t out) override
    {
        return s_->record({"SetupComm", {in, out}, {}});
    }

    bool SetCommState(const LineSettings &d) override
    {
        return s_->record({"SetCommState",
            {d.DCBlength, d.BaudRate, d.Flags, d.XonLim, d.XoffLim, d.ByteSize, d.Parity,
                d.StopBits, static_cast<uint64_t>(d.XonChar), static_cast<uint64_t>(d.XoffChar),
                static_cast<uint64_t>(d.ErrorChar), static_cast<uint64_t>(d.EofChar),
                static_cast<uint64_t>(d.EvtChar)},
            {}});
    }

    bool SetCommTimeouts(const DeviceTimeouts &t) override
    {
        return s_->record({"SetCommTimeouts",
            {t.ReadIntervalTimeout, t.ReadTotalTimeoutMultiplier, t.ReadTotalTimeoutConstant,
                t.WriteTotalTimeoutMultiplier, t.WriteTotalTimeoutConstant},
            {}});
    }

    bool SetCommMask(uint32_t mask) override { return s_->record({"SetCommMask", {mask}, {}}); }

    WaitResult WaitCommEvent(uint32_t &mask, const StopSignal &stop) override
    {
        {
            std::unique_lock lock(s_->mutex_);
            ++s_->waitsStarted_;
            s_->changed_.notify_all();
            // A held wait also ends once the port asks the thread to stop.
            while (s_->held_ && !stop.IsSet())
                s_->changed_.wait_for(lock, std::chrono::milliseconds(1));
        }
        s_->record({"WaitCommEvent", {}, {}});
        for (;;) {
            if (stop.IsSet())
                return WaitResult::Stopped;
            {
                std::lock_guard lock(s_->mutex_);
                if (!s_->waits_.empty()) {
                    auto [result, value] = s_->waits_.front();
                    s_->waits_.pop_front();
                    mask = value;
                    return result;
                }
                uint64_t drained = 0;
                [[maybe_unused]] ssize_t n = read(s_->eventFd_, &drained, sizeof drained);
            }
            pollfd fds[2] = {{stop.Fd(), POLLIN, 0}, {s_->eventFd_, POLLIN, 0}};
            poll(fds, 2, -1);
        }
    }

    bool Write(std::string_view data, uint32_t &written) override
    {
        written = 0;
        if (!s_->record({"Write", {data.size()}, std::string(data)}))
            return false;
        uint32_t event = 0;
        {
            std::lock_guard lock(s_->mutex_);
            s_->written_.append(data);
            written = static_cast<uint32_t>(data.size());
            event = s_->eventAfterWrite_;
        }
        if (event != 0)
            s_->QueueEvent(event);
        return true;
    }

    bool Read(uint32_t count, std::string &data) override
    {
        data.clear();
        if (!s_->record({"Read", {count}, {}}))
            return false;
        std::lock_guard lock(s_->mutex_);
        data = s_->input_.substr(0, count);
        s_->input_.erase(0, data.size());
        return true;
    }

    bool PurgeComm(uint32_t flags) override { return s_->record({"PurgeComm", {flags}, {}}); }

    bool ClearCommError(uint32_t &errors, uint32_t &inQueue) override
    {
        errors = 0;
        inQueue = 0;
        if (!s_->record({"ClearCommError", {}, {}}))
            return false;
        std::lock_guard lock(s_->mutex_);
        errors = std::exchange(s_->errors_, 0);
        inQueue = static_cast<uint32_t>(s_->input_.size());
        return true;
    }

    bool EscapeCommFunction(uint32_t function) override
    {
        return s_->record({"EscapeCommFunction", {function}, {}});
    }

    bool GetCommModemStatus(uint32_t &status) override
    {
        status = 0;
        if (!s_->record({"GetCommModemStatus", {}, {}}))
            return false;
        std::lock_guard lock(s_->mutex_);
        status = s_->modemStatus_;
        return true;
    }

    bool Lost() const override
    {
        std::lock_guard lock(s_->mutex_);
        return s_->lost_;
    }

private:
    std::shared_ptr<FakeDeviceScript> s_;
};

FakeDeviceScript::FakeDeviceScript() : eventFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) { }

FakeDeviceScript::~FakeDeviceScript()
{
    close(eventFd_);
}

DeviceOpener FakeDeviceScript::Opener()
{
    std::weak_ptr<FakeDeviceScript> weak = shared_from_this();
    return [weak](const std::string &path, OpenFailure &failure) -> std::unique_ptr<SerialDevice> {
        auto script = weak.lock();
        script->record({"CreateFile", {}, path});
        {
            std::lock_guard lock(script->mutex_);
            script->lastPath_ = path;
            failure = script->openFailure_;
        }
        if (failure != OpenFailure::None)
            return nullptr;
        return std::make_unique<FakeSerialDevice>(script);
    };
}

void FakeDeviceScript::SetOpenFailure(OpenFailure failure)
{
    std::lock_guard lock(mutex_);
    openFailure_ = failure;
}

void FakeDeviceScript::FailCall(const std::string &name, bool fail)
{
    std::lock_guard lock(mutex_);
    if (fail)
        failing_.insert(name);
    else
        failing_.erase(name);
}

void FakeDeviceScript::QueueEvent(uint32_t mask)
{
    std::lock_guard lock(mutex_);
    waits_.emplace_back(SerialDevice::WaitResult::Event, mask);
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t n = write(eventFd_, &one, sizeof one);
}

void FakeDeviceScript::QueueWaitResult(SerialDevice::WaitResult result)
{
    std::lock_guard lock(mutex_);
    waits_.emplace_back(result, 0);
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t n = write(eventFd_, &one, sizeof one);
}

void FakeDeviceScript::SetModemStatus(uint32_t status)
{
    std::lock_guard lock(mutex_);
    modemStatus_ = status;
}

void FakeDeviceScript::AddErrors(uint32_t flags)
{
    std::lock_guard lock(mutex_);
    errors_ |= flags;
}

void FakeDeviceScript::SupplyInput(const std::string &bytes)
{
    std::lock_guard lock(mutex_);
    input_ += bytes;
}

void FakeDeviceScript::SetLost(bool lost)
{
    std::lock_guard lock(mutex_);
    lost_ = lost;
}

void FakeDeviceScript::EventAfterWrite(uint32_t mask)
{
    std::lock_guard lock(mutex_);
    eventAfterWrite_ = mask;
}

void FakeDeviceScript::HoldWaits()
{
    std::lock_guard lock(mutex_);
    held_ = true;
}

void FakeDeviceScript::Release()
{
    std::lock_guard lock(mutex_);
    held_ = false;
    changed_.notify_all();
}

int FakeDeviceScript::WaitsStarted()
{
    std::lock_guard lock(mutex_);
    return waitsStarted_;
}

std::vector<FakeCall> FakeDeviceScript::Calls()
{
    std::lock_guard lock(mutex_);
    return calls_;
}

std::vector<std::string> FakeDeviceScript::CallNames()
{
    std::lock_guard lock(mutex_);
    std::vector<std::string> names;
    for (const FakeCall &c : calls_)
        names.push_back(c.name);
    return names;
}

int FakeDeviceScript::Count(const std::string &name)
{
    std::lock_guard lock(mutex_);
    int n = 0;
    for (const FakeCall &c : calls_)
        n += c.name == name;
    return n;
}

std::string FakeDeviceScript::Written()
{
    std::lock_guard lock(mutex_);
    return written_;
}

std::string FakeDeviceScript::LastPath()
{
    std::lock_guard lock(mutex_);
    return lastPath_;
}

int FakeDeviceScript::DevicesOpen()
{
    std::lock_guard lock(mutex_);
    return devicesOpen_;
}

void FakeDeviceScript::ClearCalls()
{
    std::lock_guard lock(mutex_);
    calls_.clear();
}

bool FakeDeviceScript::record(FakeCall call)
{
    std::lock_guard lock(mutex_);
    const bool fails = failing_.count(call.name) != 0;
    calls_.push_back(std::move(call));
    return !fails;
}

} // namespace kelvane
