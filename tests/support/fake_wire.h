// FakeWire: the drive's end of the wire where there are no pseudo-terminals (Windows). The port
// opens a fake device (FakeDeviceScript); what the program writes to it is read here as a pty's
// master end would read it, and what is written here arrives at the port as received bytes. Like
// a pty, the device says its output has gone (transmit-empty) after each write.
#pragma once

#include "support/fake_device.h"

#include <chrono>
#include <memory>
#include <string>
#include <string_view>

namespace kelvane {

class FakeWire
{
public:
    FakeWire();

    // Opens the port's devices on this wire, whatever their name.
    DeviceOpener opener() { return m_script->opener(); }
    FakeDeviceScript &script() { return *m_script; }

    // Sends bytes to the port.
    void Write(std::string_view bytes);
    // Reads until `count` bytes have come or `timeout` has passed; returns what came.
    std::string Read(size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // Reads what arrives until nothing more comes for `quiet`.
    std::string readUntilQuiet(std::chrono::milliseconds quiet = std::chrono::milliseconds(100));

private:
    std::string take(size_t count);

    std::shared_ptr<FakeDeviceScript> m_script = std::make_shared<FakeDeviceScript>();
    size_t m_taken = 0; // of what the program wrote
};

} // namespace kelvane
