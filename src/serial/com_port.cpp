#include "serial/com_port.h"

#include "serial/com_thread.h"
#include "serial/main_thread.h"

namespace kelvane {

namespace {

[[noreturn]] void raise(const char *message)
{
    throw EComPort(message);
}

// The device takes time-outs as unsigned words; a negative one means "no limit" there.
uint32_t deviceTimeout(int32_t value)
{
    return value < 0 ? 0xFFFFFFFFu : static_cast<uint32_t>(value);
}

} // namespace

TComTimeouts &TComTimeouts::operator=(const TComTimeouts &other)
{
    m_readInterval = other.m_readInterval;
    m_readTotalMultiplier = other.m_readTotalMultiplier;
    m_readTotalConstant = other.m_readTotalConstant;
    m_writeTotalMultiplier = other.m_writeTotalMultiplier;
    m_writeTotalConstant = other.m_writeTotalConstant;
    return *this;
}

void TComTimeouts::SetReadInterval(int32_t value)
{
    set(m_readInterval, value);
}

void TComTimeouts::SetReadTotalMultiplier(int32_t value)
{
    set(m_readTotalMultiplier, value);
}

void TComTimeouts::SetReadTotalConstant(int32_t value)
{
    set(m_readTotalConstant, value);
}

void TComTimeouts::SetWriteTotalMultiplier(int32_t value)
{
    set(m_writeTotalMultiplier, value);
}

void TComTimeouts::SetWriteTotalConstant(int32_t value)
{
    set(m_writeTotalConstant, value);
}

void TComTimeouts::set(int32_t &field, int32_t value)
{
    if (field == value)
        return;
    field = value;
    m_owner.ApplyTimeoutSettings();
}

DeviceTimeouts TComTimeouts::forDevice() const
{
    return {deviceTimeout(m_readInterval), deviceTimeout(m_readTotalMultiplier),
        deviceTimeout(m_readTotalConstant), deviceTimeout(m_writeTotalMultiplier),
        deviceTimeout(m_writeTotalConstant)};
}

TBComPort::TBComPort(MainThread &mainThread, DeviceOpener opener)
    : m_mainThread(mainThread), m_opener(opener ? std::move(opener) : openSystemDevice)
{ }

TBComPort::~TBComPort()
{
    try {
        ClosePort();
    } catch (const EComPort &) {
        // The device refused to drop its lines; the port must be released all the same.
        closeDevice();
    }
}

void TBComPort::SetBaudRate(TBaudRate value)
{
    if (m_baudRate == value)
        return;
    m_baudRate = value;
    ApplyLineSettings();
}

void TBComPort::SetByteSize(TByteSize value)
{
    if (m_byteSize == value)
        return;
    m_byteSize = value;
    ApplyLineSettings();
}

void TBComPort::SetParity(TParity value)
{
    if (m_parity == value)
        return;
    m_parity = value;
    ApplyLineSettings();
}

void TBComPort::SetStopBits(TStopBits value)
{
    if (m_stopBits == value)
        return;
    m_stopBits = value;
    ApplyLineSettings();
}

void TBComPort::SetPort(const std::string &value)
{
    if (IsOpen())
        raise(ComMessage::PropertyWhileOpen);
    m_port = value;
}

void TBComPort::SetSyncMethod(TSyncMethod value)
{
    if (m_syncMethod == value)
        return;
    if (IsOpen())
        raise(ComMessage::PropertyWhileOpen);
    m_syncMethod = value;
}

void TBComPort::SetInBufSize(int32_t value)
{
    setBufSize(m_inBufSize, value);
}

void TBComPort::SetOutBufSize(int32_t value)
{
    setBufSize(m_outBufSize, value);
}

void TBComPort::setBufSize(int32_t &field, int32_t value)
{
    if (field == value)
        return;
    field = (value > 0 && value % 2 != 0) ? value - 1 : value;
    ApplyBufferSizes();
}

void TBComPort::SetTimeouts(const TComTimeouts &value)
{
    m_timeouts = value;
    ApplyTimeoutSettings();
}

bool TBComPort::OpenPort()
{
    if (IsOpen())
        return true;
    OpenFailure failure = OpenFailure::None;
    m_device = m_opener(m_port, failure);
    if (!m_device) {
        if (failure == OpenFailure::NotFound)
            raise(ComMessage::NoSuchPort);
        if (failure == OpenFailure::Busy)
            raise(ComMessage::PortBusy);
        if (failure == OpenFailure::NotPermitted)
            throw EComPort(notPermittedMessage(m_port));
        raise(ComMessage::SetupComm);
    }
    m_isOpen.store(true, std::memory_order_release);
    try {
        ApplyAllSettings();
        if (m_syncMethod == smWindowSync)
            m_notifyWindow = std::make_shared<PortEventWindow>(*this);
        m_thread = std::make_unique<TComThread>(*this);
    } catch (...) {
        m_notifyWindow.reset();
        m_device.reset();
        m_isOpen.store(false, std::memory_order_release);
        throw;
    }
    return IsOpen();
}

bool TBComPort::ClosePort()
{
    if (!IsOpen())
        return true;
    // A handler that the close under way serves (while it waits for the event thread) may close
    // the port too, as the window does when the device is lost. Ending the device there would
    // pull it from under the event thread; the close under way finishes the job.
    if (m_closing)
        return true;
    m_closing = true;
    struct ClosingFlag
    {
        bool &flag;
        ~ClosingFlag() { flag = false; }
    } closing {m_closing};
    // Dropping the lines of a device that has gone away is moot; the close must still succeed.
    try {
        SetDtrLine(false);
        SetRtsLine(false);
        AbortPendingIo();
    } catch (const EComPort &) {
        if (!m_device->lost())
            throw;
    }
    closeDevice();
    return true;
}

void TBComPort::closeDevice()
{
    m_thread.reset();
    m_notifyWindow.reset();
    m_device.reset();
    m_isOpen.store(false, std::memory_order_release);
}

void TBComPort::ApplyAllSettings()
{
    ApplyBufferSizes();
    ApplyLineSettings();
    ApplyTimeoutSettings();
}

void TBComPort::ApplyBufferSizes()
{
    if (!IsOpen())
        return;
    if (!m_device->SetupComm(
            static_cast<uint32_t>(m_inBufSize), static_cast<uint32_t>(m_outBufSize)))
        raise(ComMessage::SetupComm);
}

void TBComPort::ApplyLineSettings()
{
    if (!IsOpen())
        return;
    if (!m_device->SetCommState(lineSettings()))
        raise(ComMessage::SetCommState);
}

void TBComPort::ApplyTimeoutSettings()
{
    if (!IsOpen())
        return;
    if (!m_device->SetCommTimeouts(m_timeouts.forDevice()))
        raise(ComMessage::SetCommTimeouts);
}

LineSettings TBComPort::lineSettings() const
{
    LineSettings dcb;
    dcb.BaudRate = BaudRateValues[m_baudRate];
    dcb.Flags = DcbFlag::Binary | DcbFlag::DtrControlEnable | DcbFlag::RtsControlEnable;
    if (m_parity != paNone)
        dcb.Flags |= DcbFlag::Parity;
    dcb.ByteSize = static_cast<uint8_t>(5 + m_byteSize);
    dcb.Parity = static_cast<uint8_t>(m_parity);
    dcb.StopBits = static_cast<uint8_t>(m_stopBits);
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    return dcb;
}

int32_t TBComPort::SendText(std::string_view text)
{
    if (text.empty())
        return 0;
    uint32_t written = 0;
    if (!m_device || !m_device->Write(text, written))
        raise(ComMessage::WriteFailed);
    return static_cast<int32_t>(written);
}

int32_t TBComPort::ReceiveText(std::string &text, int32_t count)
{
    text.clear();
    if (count <= 0)
        return 0;
    if (!m_device || !m_device->Read(static_cast<uint32_t>(count), text))
        raise(ComMessage::ReadFailed);
    return static_cast<int32_t>(text.size());
}

void TBComPort::SetDtrLine(bool on)
{
    if (!m_device || !m_device->EscapeCommFunction(on ? Escape::SetDtr : Escape::ClrDtr))
        raise(ComMessage::EscapeCommFunction);
}

void TBComPort::SetRtsLine(bool on)
{
    if (!m_device || !m_device->EscapeCommFunction(on ? Escape::SetRts : Escape::ClrRts))
        raise(ComMessage::EscapeCommFunction);
}

TModemLines TBComPort::ReadModemLines()
{
    uint32_t status = 0;
    if (!m_device || !m_device->GetCommModemStatus(status))
        raise(ComMessage::GetCommModemStatus);
    TModemLines lines;
    if (status & ModemStatus::Cts)
        lines.include(mlCTS);
    if (status & ModemStatus::Dsr)
        lines.include(mlDSR);
    if (status & ModemStatus::Ring)
        lines.include(mlRing);
    if (status & ModemStatus::Rlsd)
        lines.include(mlRLSD);
    return lines;
}

int32_t TBComPort::PendingInputCount()
{
    uint32_t errors = 0;
    uint32_t inQueue = 0;
    if (!m_device || !m_device->ClearCommError(errors, inQueue))
        raise(ComMessage::ClearCommError);
    return static_cast<int32_t>(inQueue);
}

void TBComPort::AbortPendingIo()
{
    if (!m_device || !m_device->PurgeComm(Purge::TxAbort | Purge::RxAbort))
        raise(ComMessage::PurgeComm);
}

void TBComPort::FireError()
{
    uint32_t flags = 0;
    uint32_t inQueue = 0;
    if (!m_device || !m_device->ClearCommError(flags, inQueue))
        raise(ComMessage::ClearCommError);
    TComErrors errors;
    if (flags & CommError::Frame)
        errors.include(errFrame);
    if ((flags & CommError::RxParity) && m_parity != paNone)
        errors.include(errRxParity);
    if (flags & CommError::Overrun)
        errors.include(errOverrun);
    if (flags & CommError::Break)
        errors.include(errBreak);
    if (flags & CommError::Ioe)
        errors.include(errIO);
    if (flags & CommError::Mode)
        errors.include(errMode);
    if (flags & CommError::RxOver)
        errors.include(errRxOver);
    if (flags & CommError::TxFull)
        errors.include(errTxFull);
    if (!errors.empty() && OnError)
        OnError(*this, errors);
}

void TBComPort::FireRxChar()
{
    const int32_t count = PendingInputCount();
    if (count > 0 && OnRxChar)
        OnRxChar(*this, count);
}

void TBComPort::FireTxEmpty()
{
    if (OnTxEmpty)
        OnTxEmpty(*this);
}

void TBComPort::FireRing()
{
    if (OnRing)
        OnRing(*this);
}

void TBComPort::FireCTSChange()
{
    if (OnCTSChange)
        OnCTSChange(*this, ReadModemLines().contains(mlCTS));
}

void TBComPort::FireDSRChange()
{
    if (OnDSRChange)
        OnDSRChange(*this, ReadModemLines().contains(mlDSR));
}

void TBComPort::FireRLSDChange()
{
    if (OnRLSDChange)
        OnRLSDChange(*this, ReadModemLines().contains(mlRLSD));
}

void TBComPort::FireRx80Full()
{
    if (OnRx80Full)
        OnRx80Full(*this);
}

} // namespace kelvane
