#include "journal/recording_device.h"

#include "serial/serial_device.h"

namespace kelvane {

namespace {

class RecordingDevice final : public SerialDevice
{
public:
    RecordingDevice(std::unique_ptr<SerialDevice> device, SessionLog &log)
        : m_device(std::move(device)), m_log(log)
    { }

    bool Write(std::string_view data, uint32_t &written) override
    {
        written = 0;
        const bool ok = m_device->Write(data, written);
        m_log.sent(data.substr(0, std::min<size_t>(written, data.size())), ok);
        return ok;
    }

    bool SetCommState(const LineSettings &settings) override
    {
        const bool ok = m_device->SetCommState(settings);
        if (ok)
            m_log.rateSet(settings.BaudRate);
        return ok;
    }

    bool SetupComm(uint32_t inQueue, uint32_t outQueue) override
    {
        return m_device->SetupComm(inQueue, outQueue);
    }
    bool SetCommTimeouts(const DeviceTimeouts &timeouts) override
    {
        return m_device->SetCommTimeouts(timeouts);
    }
    bool SetCommMask(uint32_t mask) override { return m_device->SetCommMask(mask); }
    WaitResult WaitCommEvent(uint32_t &mask, const StopSignal &stop) override
    {
        return m_device->WaitCommEvent(mask, stop);
    }
    bool Read(uint32_t count, std::string &data) override { return m_device->Read(count, data); }
    bool PurgeComm(uint32_t flags) override { return m_device->PurgeComm(flags); }
    bool ClearCommError(uint32_t &errors, uint32_t &inQueue) override
    {
        return m_device->ClearCommError(errors, inQueue);
    }
    bool EscapeCommFunction(uint32_t function) override
    {
        return m_device->EscapeCommFunction(function);
    }
    bool GetCommModemStatus(uint32_t &status) override
    {
        return m_device->GetCommModemStatus(status);
    }
    bool lost() const override { return m_device->lost(); }

private:
    std::unique_ptr<SerialDevice> m_device;
    SessionLog &m_log;
};

} // namespace

DeviceOpener recordingOpener(DeviceOpener opener, SessionLog &log)
{
    if (!opener)
        opener = openSystemDevice;
    return [opener = std::move(opener), &log](
               const std::string &path, OpenFailure &failure) -> std::unique_ptr<SerialDevice> {
        std::unique_ptr<SerialDevice> device = opener(path, failure);
        if (!device)
            return nullptr;
        return std::make_unique<RecordingDevice>(std::move(device), log);
    };
}

} // namespace kelvane
