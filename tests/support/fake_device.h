// FakeSerialDevice: an in-memory serial device for unit tests of the port component. A
// FakeDeviceScript, shared by the test and every device it opens, scripts what the device does
// (events, modem lines, error flags, input bytes, the failure of any call) and records every call
// made to it. Thread-safe: the port's event thread and the test's thread both use it.
#pragma once

#include "serial/serial_device.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace kelvane {

struct FakeCall
{
    std::string name;
    std::vector<uint64_t> args;
    std::string data; // bytes of a Write
};

class FakeDeviceScript : public std::enable_shared_from_this<FakeDeviceScript>
{
public:
    FakeDeviceScript();
    ~FakeDeviceScript();

    // An opener that hands out devices driven by this script.
    DeviceOpener opener();

    // Scripting.
    void setOpenFailure(OpenFailure failure);
    void failCall(const std::string &name, bool fail = true);
    void queueEvent(uint32_t mask);
    void queueWaitResult(SerialDevice::WaitResult result);
    void setModemStatus(uint32_t status);
    void addErrors(uint32_t flags);
    void supplyInput(const std::string &bytes);
    void setLost(bool lost);
    // Every successful Write queues this event (0: none), as a port whose output drains at once.
    void eventAfterWrite(uint32_t mask);
    // Blocks every WaitCommEvent until release() or until the port asks its thread to stop (for
    // tests that need a stop and an event to be present together before the thread looks).
    void holdWaits();
    void release();
    // Number of WaitCommEvent calls that have begun.
    int waitsStarted();

    // Recording.
    std::vector<FakeCall> calls();
    std::vector<std::string> callNames();
    int Count(const std::string &name);
    std::string written();
    std::string lastPath();
    int devicesOpen();
    void clearCalls();

private:
    friend class FakeSerialDevice;

    bool record(FakeCall call); // false when the call is scripted to fail

    std::mutex m_mutex;
    std::condition_variable m_changed;
    OpenFailure m_openFailure = OpenFailure::None;
    std::set<std::string> m_failing;
    std::deque<std::pair<SerialDevice::WaitResult, uint32_t>> m_waits;
    uint32_t m_modemStatus = 0;
    uint32_t m_errors = 0;
    std::string m_input;
    bool m_lost = false;
    uint32_t m_eventAfterWrite = 0;
    bool m_held = false;
    int m_waitsStarted = 0;
    std::vector<FakeCall> m_calls;
    std::string m_written;
    std::string m_lastPath;
    int m_devicesOpen = 0;
};

} // namespace kelvane
