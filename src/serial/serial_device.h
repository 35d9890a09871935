// SerialDevice: the operating-system side of one open serial device, as the port component
// needs it. Each call stands for one call of the Windows communications interface and keeps its
// meaning (the names say which); the POSIX and the Win32 implementation sit side by side, one
// built per platform.
//
// Threading: WaitCommEvent is called by the port's event thread; SetCommMask by both threads
// (the event thread clears the mask when it ends); every other call comes from the main thread.
// Implementations must allow a WaitCommEvent to run concurrently with the other calls.
#pragma once

#include "serial/stop_signal.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace kelvane {

// Event mask bits (EV_*).
namespace CommEvent {
inline constexpr uint32_t RxChar = 0x0001;
inline constexpr uint32_t TxEmpty = 0x0004;
inline constexpr uint32_t Cts = 0x0008;
inline constexpr uint32_t Dsr = 0x0010;
inline constexpr uint32_t Rlsd = 0x0020;
inline constexpr uint32_t Err = 0x0080;
inline constexpr uint32_t Ring = 0x0100;
inline constexpr uint32_t Rx80Full = 0x0400;
} // namespace CommEvent

// Line error flags reported by ClearCommError (CE_*).
namespace CommError {
inline constexpr uint32_t RxOver = 0x0001;
inline constexpr uint32_t Overrun = 0x0002;
inline constexpr uint32_t RxParity = 0x0004;
inline constexpr uint32_t Frame = 0x0008;
inline constexpr uint32_t Break = 0x0010;
inline constexpr uint32_t TxFull = 0x0100;
inline constexpr uint32_t Ioe = 0x0400;
inline constexpr uint32_t Mode = 0x8000;
} // namespace CommError

// Modem status bits (MS_*_ON).
namespace ModemStatus {
inline constexpr uint32_t Cts = 0x0010;
inline constexpr uint32_t Dsr = 0x0020;
inline constexpr uint32_t Ring = 0x0040;
inline constexpr uint32_t Rlsd = 0x0080;
} // namespace ModemStatus

// PurgeComm flags.
namespace Purge {
inline constexpr uint32_t TxAbort = 0x0001;
inline constexpr uint32_t RxAbort = 0x0002;
inline constexpr uint32_t TxClear = 0x0004;
inline constexpr uint32_t RxClear = 0x0008;
} // namespace Purge

// EscapeCommFunction functions.
namespace Escape {
inline constexpr uint32_t SetRts = 3;
inline constexpr uint32_t ClrRts = 4;
inline constexpr uint32_t SetDtr = 5;
inline constexpr uint32_t ClrDtr = 6;
} // namespace Escape

// The line-settings block (the Windows DCB, 28 bytes).
struct LineSettings
{
    uint32_t DCBlength = 28;
    uint32_t BaudRate = 0;
    uint32_t Flags = 0;
    uint16_t wReserved = 0;
    uint16_t XonLim = 0;
    uint16_t XoffLim = 0;
    uint8_t ByteSize = 0;
    uint8_t Parity = 0; // 0 none, 1 odd, 2 even, 3 mark, 4 space
    uint8_t StopBits = 0; // 0 one, 1 one and a half, 2 two
    char XonChar = 0;
    char XoffChar = 0;
    char ErrorChar = 0;
    char EofChar = 0;
    char EvtChar = 0;
    uint16_t wReserved1 = 0;

    bool operator==(const LineSettings &) const = default;
};
static_assert(sizeof(LineSettings) == 28);

// Bits one character takes on the line: start, data, parity, stop (one and a half count as two).
constexpr uint32_t bitsPerCharacter(const LineSettings &settings)
{
    return 1 + settings.ByteSize + (settings.Parity != 0 ? 1 : 0)
        + (settings.StopBits == 0 ? 1 : 2);
}

// Bits of LineSettings::Flags.
namespace DcbFlag {
inline constexpr uint32_t Binary = 0x0001;
inline constexpr uint32_t Parity = 0x0002;
inline constexpr uint32_t DtrControlEnable = 0x0010;
inline constexpr uint32_t RtsControlEnable = 0x1000;
} // namespace DcbFlag

// Read and write time-outs in milliseconds (COMMTIMEOUTS); 0xFFFFFFFF is MAXDWORD.
struct DeviceTimeouts
{
    uint32_t ReadIntervalTimeout = 0;
    uint32_t ReadTotalTimeoutMultiplier = 0;
    uint32_t ReadTotalTimeoutConstant = 0;
    uint32_t WriteTotalTimeoutMultiplier = 0;
    uint32_t WriteTotalTimeoutConstant = 0;

    bool operator==(const DeviceTimeouts &) const = default;
};

class SerialDevice
{
public:
    enum class WaitResult {
        Event, // an event completed; the mask word holds it
        ResultFailed, // the wait completed but its result could not be obtained
        Stopped, // the stop signal was set (it wins over a simultaneous event)
        Failed // the wait itself failed
    };

    virtual ~SerialDevice() = default; // closes the device

    virtual bool SetupComm(uint32_t inQueue, uint32_t outQueue) = 0;
    virtual bool SetCommState(const LineSettings &settings) = 0;
    virtual bool SetCommTimeouts(const DeviceTimeouts &timeouts) = 0;
    virtual bool SetCommMask(uint32_t mask) = 0;
    // Blocks until an event of the mask occurs or `stop` is set.
    virtual WaitResult WaitCommEvent(uint32_t &mask, const StopSignal &stop) = 0;
    // Writes all of `data` within the write time-outs; false when that fails. `written` is what
    // went out either way.
    virtual bool Write(std::string_view data, uint32_t &written) = 0;
    // Reads up to `count` bytes into `data` (replacing its content) by the read time-outs.
    virtual bool Read(uint32_t count, std::string &data) = 0;
    virtual bool PurgeComm(uint32_t flags) = 0;
    // Returns and clears the accumulated error flags, and the receive queue's byte count.
    virtual bool ClearCommError(uint32_t &errors, uint32_t &inQueue) = 0;
    virtual bool EscapeCommFunction(uint32_t function) = 0;
    virtual bool GetCommModemStatus(uint32_t &status) = 0;
    // The device went away while open (hang-up, adapter pulled).
    virtual bool lost() const = 0;
};

// NotPermitted: the device exists but this user may not open it (not in the owning group).
enum class OpenFailure { None, NotFound, Busy, NotPermitted, Other };

// Opens the device at `path` exclusively; on failure returns null and says why.
using DeviceOpener
    = std::function<std::unique_ptr<SerialDevice>(const std::string &path, OpenFailure &failure)>;

// The system's own serial devices: a tty by its path on POSIX, a COM port by its name on Windows
// ("COM3", or a full device name such as "\\.\COM3").
std::unique_ptr<SerialDevice> openSystemDevice(const std::string &path, OpenFailure &failure);

// What a user is told who may not open the device at `path` (OpenFailure::NotPermitted).
std::string notPermittedMessage(const std::string &path);

} // namespace kelvane
