#include "serial/com_port.h"

#include "serial/com_thread.h"
#include "serial/main_thread.h"
#include "serial/posix_device.h"

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
    readInterval_ = other.readInterval_;
    readTotalMultiplier_ = other.readTotalMultiplier_;
    readTotalConstant_ = other.readTotalConstant_;
    writeTotalMultiplier_ = other.writeTotalMultiplier_;
    writeTotalConstant_ = other.writeTotalConstant_;
    return *this;
}

void TComTimeouts::SetReadInterval(int32_t value)
{
    set(readInterval_, value);
}

void TComTimeouts::SetReadTotalMultiplier(int32_t value)
{
    set(readTotalMultiplier_, value);
}

void TComTimeouts::SetReadTotalConstant(int32_t value)
{
    set(readTotalConstant_, value);
}

void TComTimeouts::SetWriteTotalMultiplier(int32_t value)
{
    set(writeTotalMultiplier_, value);
}

void TComTimeouts::SetWriteTotalConstant(int32_t value)
{
    set(writeTotalConstant_, value);
}

void TComTimeouts::set(int32_t &field, int32_t value)
{
    if (field == value)
        return;
    field = value;
    owner_.ApplyTimeoutSettings();
}

DeviceTimeouts TComTimeouts::ForDevice() const
{
    return {deviceTimeout(readInterval_), deviceTimeout(readTotalMultiplier_),
        deviceTimeout(readTotalConstant_), deviceTimeout(writeTotalMultiplier_),
        deviceTimeout(writeTotalConstant_)};
}

TBComPort::TBComPort(MainThread &mainThread, DeviceOpener opener)
    : mainThread_(mainThread), opener_(opener ? std::move(opener) : OpenPosixDevice)
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
    if (baudRate_ == value)
        return;
    baudRate_ = value;
    ApplyLineSettings();
}

void TBComPort::SetByteSize(TByteSize value)
{
    if (byteSize_ == value)
        return;
    byteSize_ = value;
    ApplyLineSettings();
}

void TBComPort::SetParity(TParity value)
{
    if (parity_ == value)
        return;
    parity_ = value;
    ApplyLineSettings();
}

void TBComPort::SetStopBits(TStopBits value)
{
    if (stopBits_ == value)
        return;
    stopBits_ = value;
    ApplyLineSettings();
}

void TBComPort::SetPort(const std::string &value)
{
    if (IsOpen())
        raise(ComMessage::PropertyWhileOpen);
    port_ = value;
}

void TBComPort::SetSyncMethod(TSyncMethod value)
{
    if (syncMethod_ == value)
        return;
    if (IsOpen())
        raise(ComMessage::PropertyWhileOpen);
    syncMethod_ = value;
}

void TBComPort::SetInBufSize(int32_t value)
{
    setBufSize(inBufSize_, value);
}

void TBComPort::SetOutBufSize(int32_t value)
{
    setBufSize(outBufSize_, value);
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
    timeouts_ = value;
    ApplyTimeoutSettings();
}

bool TBComPort::OpenPort()
{
    if (IsOpen())
        return true;
    OpenFailure failure = OpenFailure::None;
    device_ = opener_(port_, failure);
    if (!device_) {
        if (failure == OpenFailure::NotFound)
            raise(ComMessage::NoSuchPort);
        if (failure == OpenFailure::Busy)
            raise(ComMessage::PortBusy);
        if (failure == OpenFailure::NotPermitted)
            throw EComPort(ComMessage::NoPermission(port_, DeviceGroup(port_)));
        raise(ComMessage::SetupComm);
    }
    isOpen_.store(true, std::memory_order_release);
    try {
        ApplyAllSettings();
        if (syncMethod_ == smWindowSync)
            notifyWindow_ = std::make_shared<PortEventWindow>(*this);
        thread_ = std::make_unique<TComThread>(*this);
    } catch (...) {
        notifyWindow_.reset();
        device_.reset();
        isOpen_.store(false, std::memory_order_release);
        throw;
    }
    return IsOpen();
}

bool TBComPort::ClosePort()
{
    if (!IsOpen())
        return true;
    // Dropping the lines of a device that has gone away is moot; the close must still succeed.
    try {
        SetDtrLine(false);
        SetRtsLine(false);
        AbortPendingIo();
    } catch (const EComPort &) {
        if (!device_->Lost())
            throw;
    }
    closeDevice();
    return true;
}

void TBComPort::closeDevice()
{
    thread_.reset();
    notifyWindow_.reset();
    device_.reset();
    isOpen_.store(false, std::memory_order_release);
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
    if (!device_->SetupComm(static_cast<uint32_t>(inBufSize_), static_cast<uint32_t>(outBufSize_)))
        raise(ComMessage::SetupComm);
}

void TBComPort::ApplyLineSettings()
{
    if (!IsOpen())
        return;
    if (!device_->SetCommState(lineSettings()))
        raise(ComMessage::SetCommState);
}

void TBComPort::ApplyTimeoutSettings()
{
    if (!IsOpen())
        return;
    if (!device_->SetCommTimeouts(timeouts_.ForDevice()))
        raise(ComMessage::SetCommTimeouts);
}

LineSettings TBComPort::lineSettings() const
{
    LineSettings dcb;
    dcb.BaudRate = BaudRateValues[baudRate_];
    dcb.Flags = DcbFlag::Binary | DcbFlag::DtrControlEnable | DcbFlag::RtsControlEnable;
    if (parity_ != paNone)
        dcb.Flags |= DcbFlag::Parity;
    dcb.ByteSize = static_cast<uint8_t>(5 + byteSize_);
    dcb.Parity = static_cast<uint8_t>(parity_);
    dcb.StopBits = static_cast<uint8_t>(stopBits_);
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    return dcb;
}

int32_t TBComPort::SendText(std::string_view text)
{
    if (text.empty())
        return 0;
    uint32_t written = 0;
    if (!device_ || !device_->Write(text, written))
        raise(ComMessage::WriteFailed);
    return static_cast<int32_t>(written);
}

int32_t TBComPort::ReceiveText(std::string &text, int32_t count)
{
    text.clear();
    if (count <= 0)
        return 0;
    if (!device_ || !device_->Read(static_cast<uint32_t>(count), text))
        raise(ComMessage::ReadFailed);
    return static_cast<int32_t>(text.size());
}

void TBComPort::SetDtrLine(bool on)
{
    if (!device_ || !device_->EscapeCommFunction(on ? Escape::SetDtr : Escape::ClrDtr))
        raise(ComMessage::EscapeCommFunction);
}

void TBComPort::SetRtsLine(bool on)
{
    if (!device_ || !device_->EscapeCommFunction(on ? Escape::SetRts : Escape::ClrRts))
        raise(ComMessage::EscapeCommFunction);
}

TModemLines TBComPort::ReadModemLines()
{
    uint32_t status = 0;
    if (!device_ || !device_->GetCommModemStatus(status))
        raise(ComMessage::GetCommModemStatus);
    TModemLines lines;
    if (status & ModemStatus::Cts)
        lines.Include(mlCTS);
    if (status & ModemStatus::Dsr)
        lines.Include(mlDSR);
    if (status & ModemStatus::Ring)
        lines.Include(mlRing);
    if (status & ModemStatus::Rlsd)
        lines.Include(mlRLSD);
    return lines;
}

int32_t TBComPort::PendingInputCount()
{
    uint32_t errors = 0;
    uint32_t inQueue = 0;
    if (!device_ || !device_->ClearCommError(errors, inQueue))
        raise(ComMessage::ClearCommError);
    return static_cast<int32_t>(inQueue);
}

void TBComPort::AbortPendingIo()
{
    if (!device_ || !device_->PurgeComm(Purge::TxAbort | Purge::RxAbort))
        raise(ComMessage::PurgeComm);
}

void TBComPort::FireError()
{
    uint32_t flags = 0;
    uint32_t inQueue = 0;
    if (!device_ || !device_->ClearCommError(flags, inQueue))
        raise(ComMessage::ClearCommError);
    TComErrors errors;
    if (flags & CommError::Frame)
        errors.Include(errFrame);
    if ((flags & CommError::RxParity) && parity_ != paNone)
        errors.Include(errRxParity);
    if (flags & CommError::Overrun)
        errors.Include(errOverrun);
    if (flags & CommError::Break)
        errors.Include(errBreak);
    if (flags & CommError::Ioe)
        errors.Include(errIO);
    if (flags & CommError::Mode)
        errors.Include(errMode);
    if (flags & CommError::RxOver)
        errors.Include(errRxOver);
    if (flags & CommError::TxFull)
        errors.Include(errTxFull);
    if (!errors.Empty() && OnError)
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
        OnCTSChange(*this, ReadModemLines().Contains(mlCTS));
}

void TBComPort::FireDSRChange()
{
    if (OnDSRChange)
        OnDSRChange(*this, ReadModemLines().Contains(mlDSR));
}

void TBComPort::FireRLSDChange()
{
    if (OnRLSDChange)
        OnRLSDChange(*this, ReadModemLines().Contains(mlRLSD));
}

void TBComPort::FireRx80Full()
{
    if (OnRx80Full)
        OnRx80Full(*this);
}

} // namespace kelvane
