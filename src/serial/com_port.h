// TBComPort: the serial port component. It owns one serial device while open, holds the line
// settings, writes and reads text with blocking calls, drives DTR and RTS, reports the modem input
// lines, and fires its eight events from the port's event thread (TComThread) by SyncMethod.
// Every failure is raised as EComPort with one of the fixed messages of com_error.h.
//
// Threading: every member is called from the main thread, except the Fire steps, which the event
// thread runs (smNone) or has the main thread run (smThreadSync, smWindowSync). Settings do not
// change while the event thread runs (Port and SyncMethod are frozen; the others are re-applied by
// the main thread only).
#pragma once

#include "serial/com_error.h"
#include "serial/com_types.h"
#include "serial/serial_device.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace kelvane {

class TBComPort;
class TComThread;
class MainThread;
class PortEventWindow;

using TComSignalEvent = std::function<void(TBComPort &Sender, bool State)>;
using TComErrorEvent = std::function<void(TBComPort &Sender, TComErrors Errors)>;
using TRxCharEvent = std::function<void(TBComPort &Sender, int32_t Count)>;
using TNotifyEvent = std::function<void(TBComPort &Sender)>;

// The port's read and write time-outs in milliseconds. Owned by its port; each change is handed
// to the device at once while the port is open.
class TComTimeouts
{
public:
    explicit TComTimeouts(TBComPort &owner) : owner_(owner) { }
    TComTimeouts(const TComTimeouts &) = delete;
    // Copies the five values without re-applying each (the port's SetTimeouts re-applies once).
    TComTimeouts &operator=(const TComTimeouts &other);

    int32_t ReadInterval() const { return readInterval_; }
    int32_t ReadTotalMultiplier() const { return readTotalMultiplier_; }
    int32_t ReadTotalConstant() const { return readTotalConstant_; }
    int32_t WriteTotalMultiplier() const { return writeTotalMultiplier_; }
    int32_t WriteTotalConstant() const { return writeTotalConstant_; }
    void SetReadInterval(int32_t value);
    void SetReadTotalMultiplier(int32_t value);
    void SetReadTotalConstant(int32_t value);
    void SetWriteTotalMultiplier(int32_t value);
    void SetWriteTotalConstant(int32_t value);

    // The values as the device takes them: a negative time-out becomes 4294967295.
    DeviceTimeouts ForDevice() const;

private:
    void set(int32_t &field, int32_t value);

    TBComPort &owner_;
    int32_t readInterval_ = -1;
    int32_t readTotalMultiplier_ = 0;
    int32_t readTotalConstant_ = 0;
    int32_t writeTotalMultiplier_ = 100;
    int32_t writeTotalConstant_ = 1000;
};

class TBComPort
{
public:
    // `mainThread` receives the hand-overs and error reports and must outlive the port.
    // `opener` opens devices by path; the default opens POSIX serial devices.
    explicit TBComPort(MainThread &mainThread, DeviceOpener opener = {});
    ~TBComPort(); // closes the port
    TBComPort(const TBComPort &) = delete;
    TBComPort &operator=(const TBComPort &) = delete;

    // Settings. Setting a value equal to the current one does nothing.
    TBaudRate BaudRate() const { return baudRate_; }
    void SetBaudRate(TBaudRate value);
    TByteSize ByteSize() const { return byteSize_; }
    void SetByteSize(TByteSize value);
    TParity Parity() const { return parity_; }
    void SetParity(TParity value);
    TStopBits StopBits() const { return stopBits_; }
    void SetStopBits(TStopBits value);
    const std::string &Port() const { return port_; }
    void SetPort(const std::string &value); // refused while open, even for the same name
    TSyncMethod SyncMethod() const { return syncMethod_; }
    void SetSyncMethod(TSyncMethod value); // refused while open unless unchanged
    int32_t InBufSize() const { return inBufSize_; }
    void SetInBufSize(int32_t value); // a positive odd value is stored one lower
    int32_t OutBufSize() const { return outBufSize_; }
    void SetOutBufSize(int32_t value);
    TComTimeouts &Timeouts() { return timeouts_; }
    const TComTimeouts &Timeouts() const { return timeouts_; }
    void SetTimeouts(const TComTimeouts &value); // always copies and re-applies

    // Event handlers; empty means not assigned.
    TComSignalEvent OnCTSChange;
    TComSignalEvent OnDSRChange;
    TComErrorEvent OnError;
    TNotifyEvent OnRing;
    TComSignalEvent OnRLSDChange;
    TNotifyEvent OnRx80Full;
    TRxCharEvent OnRxChar;
    TNotifyEvent OnTxEmpty;

    bool OpenPort();
    bool ClosePort();
    bool IsOpen() const { return isOpen_.load(std::memory_order_acquire); }

    // Writes exactly the bytes of `text`; returns when the write has completed.
    int32_t SendText(std::string_view text);
    // Reads up to `count` bytes that have arrived into `text`; returns their number.
    int32_t ReceiveText(std::string &text, int32_t count);
    void SetDtrLine(bool on);
    void SetRtsLine(bool on);
    TModemLines ReadModemLines();
    int32_t PendingInputCount();
    void AbortPendingIo();

    // One step per event, run by the event thread's delivery.
    void FireError();
    void FireRxChar();
    void FireTxEmpty();
    void FireRing();
    void FireCTSChange();
    void FireDSRChange();
    void FireRLSDChange();
    void FireRx80Full();

    // The device-level block that the line settings produce.
    LineSettings lineSettings() const;
    MainThread &mainThread() { return mainThread_; }
    SerialDevice *Device() { return device_.get(); }
    PortEventWindow *NotifyWindow() { return notifyWindow_.get(); }

private:
    friend class TComTimeouts;
    friend class TComThread;

    void ApplyAllSettings();
    void ApplyBufferSizes();
    void ApplyLineSettings();
    void ApplyTimeoutSettings();
    void setBufSize(int32_t &field, int32_t value);
    void closeDevice();
    std::shared_ptr<PortEventWindow> notifyWindowRef() const { return notifyWindow_; }

    MainThread &mainThread_;
    DeviceOpener opener_;

    TBaudRate baudRate_ = br9600;
    TByteSize byteSize_ = bs8;
    std::atomic<bool> isOpen_ = false;
    std::unique_ptr<TComThread> thread_;
    std::unique_ptr<SerialDevice> device_;
    int32_t inBufSize_ = 2048;
    int32_t outBufSize_ = 2048;
    TParity parity_ = paNone;
    std::string port_ = "COM2";
    TStopBits stopBits_ = sb1;
    TSyncMethod syncMethod_ = smThreadSync;
    TComTimeouts timeouts_ {*this};
    std::shared_ptr<PortEventWindow> notifyWindow_;
};

} // namespace kelvane
