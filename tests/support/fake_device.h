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
    DeviceOpener Opener();

    // Scripting.
    void SetOpenFailure(OpenFailure failure);
    void FailCall(const std::string &name, bool fail = true);
    void QueueEvent(uint32_t mask);
    void QueueWaitResult(SerialDevice::WaitResult result);
    void SetModemStatus(uint32_t status);
    void AddErrors(uint32_t flags);
    void SupplyInput(const std::string &bytes);
    void SetLost(bool lost);
    // Every successful Write queues this event (0: none), as a port whose output drains at once.
    void EventAfterWrite(uint32_t mask);
    // Blocks every WaitCommEvent until Release() or until the port asks its thread to stop (for
    // tests that need a stop and an event to be present together before the thread looks).
    void HoldWaits();
    void Release();
    // Number of WaitCommEvent calls that have begun.
    int WaitsStarted();

    // Recording.
    std::vector<FakeCall> Calls();
    std::vector<std::string> CallNames();
    int Count(const std::string &name);
    std::string Written();
    std::string LastPath();
    int DevicesOpen();
    void ClearCalls();

private:
    friend class FakeSerialDevice;

    bool record(FakeCall call); // false when the call is scripted to fail

    std::mutex mutex_;
    std::condition_variable changed_;
    OpenFailure openFailure_ = OpenFailure::None;
    std::set<std::string> failing_;
    std::deque<std::pair<SerialDevice::WaitResult, uint32_t>> waits_;
    int eventFd_;
    uint32_t modemStatus_ = 0;
    uint32_t errors_ = 0;
    std::string input_;
    bool lost_ = false;
    uint32_t eventAfterWrite_ = 0;
    bool held_ = false;
    int waitsStarted_ = 0;
    std::vector<FakeCall> calls_;
    std::string written_;
    std::string lastPath_;
    int devicesOpen_ = 0;
};

} // namespace kelvane
