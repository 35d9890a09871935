// The port's fixed Russian messages and their English for an English interface.
#include "serial/com_error.h"

#include <gtest/gtest.h>
#include <set>

using namespace kelvane;

namespace {

TEST(ComErrorTest, EveryMessageOfThePortHasItsEnglish)
{
    const std::string dialout = ComMessage::noPermission("/dev/ttyUSB0", "dialout");
    const std::vector<std::string> messages = {ComMessage::NoSuchPort, ComMessage::PortBusy,
        ComMessage::WriteFailed, ComMessage::ReadFailed, ComMessage::PurgeComm,
        ComMessage::SetCommState, ComMessage::SetCommTimeouts, ComMessage::SetupComm,
        ComMessage::ClearCommError, ComMessage::GetCommModemStatus, ComMessage::EscapeCommFunction,
        ComMessage::PropertyWhileOpen, ComMessage::PortList, dialout,
        ComMessage::noPermission("/dev/tty. S1", ""),
        ComMessage::noPermission("/dev/ttyS2", "root")};
    std::set<std::string> english;
    for (const std::string &message : messages) {
        EXPECT_EQ(comMessageIn(Language::Russian, message), message);
        const std::string text = comMessageIn(Language::English, message);
        // Cyrillic letters are two bytes in UTF-8, the first 0xD0 or 0xD1.
        EXPECT_EQ(text.find_first_of("\xD0\xD1"), std::string::npos) << text;
        english.insert(text);
    }
    EXPECT_EQ(english.size(), messages.size()) << "two messages share an English text";
    EXPECT_TRUE(english.contains("No permission to open the port /dev/tty. S1. Ask the "
                                 "administrator to give you access to this device, then log out "
                                 "and log in again."));
    EXPECT_NE(comMessageIn(Language::English, dialout).find("sudo usermod -aG dialout $USER"),
        std::string::npos);

    // A text the port never gives, however like one, is left as it is.
    for (const std::string &other : {std::string("Cannot open"), dialout + " "})
        EXPECT_EQ(comMessageIn(Language::English, other), other);
}

} // namespace
