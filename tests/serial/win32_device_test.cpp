// The Win32 device layer on a COM port of Wine's that a virtual drive is published on
// (KELVANE_WINE_PORT, set by the script that starts the drive), and on a port that is not there.
// Wine's ports on a pseudo-terminal have no modem lines and no comm-event wait, so these runs also
// cover the layer's way without them.
#include "serial/com_port.h"
#include "support/expect_com_error.h"
#include "support/pumped_main_thread.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

using namespace kelvane;

namespace {

class Win32PortTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const char *port = std::getenv("KELVANE_WINE_PORT");
        ASSERT_NE(port, nullptr) << "run by with_drive_port.sh, which names the drive's port";
        m_port.SetPort(port);
    }

    // Sends a level line and waits until the drive's prompt for it has come back through the
    // received-characters event.
    bool levelAnswered(char level)
    {
        m_received.clear();
        const std::string line = std::string("/") + level + "\r";
        EXPECT_EQ(m_port.SendText(line), static_cast<int32_t>(line.size()));
        const std::string prompt = std::string(" ") + level + ">";
        return m_main.pumpUntil([&] { return m_received.find(prompt) != std::string::npos; });
    }

    PumpedMainThread m_main;
    TBComPort m_port {m_main};
    std::string m_received;
};

TEST_F(Win32PortTest, TalksToTheDriveAtEveryRateThroughItsEvents)
{
    int txEmpty = 0;
    m_port.OnRxChar = [this](TBComPort &port, int32_t count) {
        std::string chunk;
        EXPECT_EQ(port.ReceiveText(chunk, count), count);
        m_received += chunk;
    };
    m_port.OnTxEmpty = [&](TBComPort &) { ++txEmpty; };
    ASSERT_TRUE(m_port.OpenPort());
    // No modem lines here: the lamps read off, and the lines go up and down without a word.
    EXPECT_TRUE(m_port.ReadModemLines().empty());
    m_port.SetDtrLine(true);
    m_port.SetRtsLine(false);
    for (size_t rate = 0; rate < BaudRateValues.size(); ++rate) {
        m_port.SetBaudRate(static_cast<TBaudRate>(rate));
        EXPECT_TRUE(levelAnswered(rate % 2 == 0 ? '1' : '2')) << BaudRateValues[rate];
    }
    EXPECT_TRUE(m_main.pumpUntil([&] { return txEmpty > 0; }));
    EXPECT_TRUE(m_port.ClosePort());
    EXPECT_FALSE(m_port.IsOpen());
    EXPECT_TRUE(m_main.reportedErrors().empty());
}

TEST_F(Win32PortTest, ReadTimeOutsEndAReadWithWhatHasArrived)
{
    ASSERT_TRUE(m_port.OpenPort());
    std::string text = "old";
    // The defaults: at once, with what is there, even nothing.
    EXPECT_EQ(m_port.ReceiveText(text, 64), 0);
    EXPECT_EQ(text, "");
    // A total time with nothing arriving ends the read empty.
    m_port.Timeouts().SetReadInterval(0);
    m_port.Timeouts().SetReadTotalConstant(200);
    EXPECT_EQ(m_port.ReceiveText(text, 64), 0);
    // Each read ends at its total time with the part of the answer that has come by then.
    ASSERT_EQ(m_port.SendText("/1\r"), 3);
    std::string answer;
    for (int read = 0; read < 100 && answer.find(" 1>") == std::string::npos; ++read) {
        ASSERT_LT(m_port.ReceiveText(text, 4096), 4096);
        answer += text;
    }
    EXPECT_NE(answer.find(" 1>"), std::string::npos) << answer;
    EXPECT_TRUE(m_port.ClosePort());
}

TEST_F(Win32PortTest, AMissingPortIsSaidToBeMissing)
{
    // A name no COM port of Wine's can have: opening it can reach no device of the machine.
    m_port.SetPort("\\\\.\\KelvaneNoSuchPort");
    EXPECT_COM_ERROR(m_port.OpenPort(), ComMessage::NoSuchPort);
    EXPECT_FALSE(m_port.IsOpen());
}

} // namespace
