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
    explicit TComTimeouts(TBComPort &owner) : m_owner(owner) { }
    TComTimeouts(const TComTimeouts &) = delete;
    // Copies the five values without re-applying each (the port's SetTimeouts re-applies once).
    TComTimeouts &operator=(const TComTimeouts &other);

    int32_t ReadInterval() const { return m_readInterval; }
    int32_t ReadTotalMultiplier() const { return m_readTotalMultiplier; }
    int32_t ReadTotalConstant() const { return m_readTotalConstant; }
    int32_t WriteTotalMultiplier() const { return m_writeTotalMultiplier; }
    int32_t WriteTotalConstant() const { return m_writeTotalConstant; }
    void SetReadInterval(int32_t value);
    void SetReadTotalMultiplier(int32_t value);
    void SetReadTotalConstant(int32_t value);
    void SetWriteTotalMultiplier(int32_t value);
    void SetWriteTotalConstant(int32_t value);

    // The values as the device takes them: a negative time-out becomes 4294967295.
    DeviceTimeouts forDevice() const;

private:
    void set(int32_t &field, int32_t value);

    TBComPort &m_owner;
    int32_t m_readInterval = -1;
    int32_t m_readTotalMultiplier = 0;
    int32_t m_readTotalConstant = 0;
    int32_t m_writeTotalMultiplier = 100;
    int32_t m_writeTotalConstant = 1000;
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
    TBaudRate BaudRate() const { return m_baudRate; }
    void SetBaudRate(TBaudRate value);
    TByteSize ByteSize() const { return m_byteSize; }
    void SetByteSize(TByteSize value);
    TParity Parity() const { return m_parity; }
    void SetParity(TParity value);
    TStopBits StopBits() const { return m_stopBits; }
    void SetStopBits(TStopBits value);
    const std::string &Port() const { return m_port; }
    void SetPort(const std::string &value); // refused while open, even for the same name
    TSyncMethod SyncMethod() const { return m_syncMethod; }
    void SetSyncMethod(TSyncMethod value); // refused while open unless unchanged
    int32_t InBufSize() const { return m_inBufSize; }
    void SetInBufSize(int32_t value); // a positive odd value is stored one lower
    int32_t OutBufSize() const { return m_outBufSize; }
    void SetOutBufSize(int32_t value);
    TComTimeouts &Timeouts() { return m_timeouts; }
    const TComTimeouts &Timeouts() const { return m_timeouts; }
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
    // Called again from a handler while a close is under way (the close serves pending
    // hand-overs as it waits for the event thread), returns true at once: the close under way
    // finishes the job.
    bool ClosePort();
    bool IsOpen() const { return m_isOpen.load(std::memory_order_acquire); }

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
    MainThread &mainThread() { return m_mainThread; }
    SerialDevice *device() { return m_device.get(); }
    PortEventWindow *NotifyWindow() { return m_notifyWindow.get(); }

private:
    friend class TComTimeouts;
    friend class TComThread;

    void ApplyAllSettings();
    void ApplyBufferSizes();
    void ApplyLineSettings();
    void ApplyTimeoutSettings();
    void setBufSize(int32_t &field, int32_t value);
    void closeDevice();
    std::shared_ptr<PortEventWindow> notifyWindowRef() const { return m_notifyWindow; }

    MainThread &m_mainThread;
    DeviceOpener m_opener;

    TBaudRate m_baudRate = br9600;
    TByteSize m_byteSize = bs8;
    std::atomic<bool> m_isOpen = false;
    bool m_closing = false; // main thread only
    std::unique_ptr<TComThread> m_thread;
    std::unique_ptr<SerialDevice> m_device;
    int32_t m_inBufSize = 2048;
    int32_t m_outBufSize = 2048;
    TParity m_parity = paNone;
    std::string m_port = "COM2";
    TStopBits m_stopBits = sb1;
    TSyncMethod m_syncMethod = smThreadSync;
    TComTimeouts m_timeouts {*this};
    std::shared_ptr<PortEventWindow> m_notifyWindow;
};

} // namespace kelvane
