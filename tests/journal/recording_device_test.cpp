// The port's device seen through the session log: what a write puts on the wire is what the log
// is told, a failed write says so, and every line rate applied is told too.
#include "journal/recording_device.h"
#include "serial/com_port.h"
#include "support/expect_com_error.h"
#include "support/fake_device.h"
#include "support/pumped_main_thread.h"

#include <gtest/gtest.h>
#include <vector>

using namespace kelvane;

namespace {

class ToldLog final : public SessionLog
{
public:
    std::vector<std::string> told;

    void connected(std::string_view, uint32_t) override { }
    void ended(Ending) override { }
    void rateSet(uint32_t rate) override { told.push_back("rate " + std::to_string(rate)); }
    void sent(std::string_view bytes, bool complete) override
    {
        told.push_back((complete ? "sent " : "failed ") + std::string(bytes));
    }
    void received(std::string_view) override { }
    void action(std::string_view) override { }
    void error(std::string_view) override { }
    void fileStarted(std::string_view, int64_t, uint32_t) override { }
    void fileEnded() override { }
};

TEST(RecordingDeviceTest, TheLogIsToldTheBytesOnTheWireAndEveryRate)
{
    auto device = std::make_shared<FakeDeviceScript>();
    ToldLog log;
    PumpedMainThread mainThread;
    TBComPort port(mainThread, recordingOpener(device->opener(), log));
    port.SetBaudRate(br57600);
    ASSERT_TRUE(port.OpenPort());
    port.SendText(std::string("N1\r\0\xFF", 5));
    port.SendText("");
    port.SetBaudRate(br115200);
    device->failCall("Write");
    EXPECT_COM_ERROR(port.SendText("/T"), "Ошибка записи в порт");
    port.ClosePort();

    EXPECT_EQ(device->written(), std::string("N1\r\0\xFF", 5));
    const std::vector<std::string> expected
        = {"rate 57600", "sent " + std::string("N1\r\0\xFF", 5), "rate 115200", "failed "};
    std::vector<std::string> told;
    // An empty text may or may not reach the device; it puts nothing on the wire either way.
    for (const std::string &t : log.told)
        if (t != "sent ")
            told.push_back(t);
    EXPECT_EQ(told, expected);
}

} // namespace
