// A port on the fake device, with a pumped main thread: the base of the component's unit tests.
#pragma once

#include "serial/com_port.h"
#include "support/expect_com_error.h"
#include "support/fake_device.h"
#include "support/pumped_main_thread.h"

#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace kelvane {

class FakePortTest : public ::testing::Test
{
protected:
    std::shared_ptr<FakeDeviceScript> m_device = std::make_shared<FakeDeviceScript>();
    PumpedMainThread m_mainThread;
    std::unique_ptr<TBComPort> m_port
        = std::make_unique<TBComPort>(m_mainThread, m_device->opener());

    // The arguments of the last recorded call of that name.
    std::vector<uint64_t> lastArgs(const std::string &name)
    {
        std::vector<uint64_t> args;
        for (const FakeCall &c : m_device->calls())
            if (c.name == name)
                args = c.args;
        return args;
    }
};

} // namespace kelvane
