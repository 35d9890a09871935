// The port's fixed Russian messages and their English for an English interface.
#include "serial/com_error.h"

#include <gtest/gtest.h>
#include <set>

using namespace kelvane;

namespace {

bool hasCyrillic(const std::string &text)
{
    // Every Cyrillic letter starts with the UTF-8 lead byte 0xD0 or 0xD1.
    return text.find_first_of("\xD0\xD1") != std::string::npos;
}

TEST(ComErrorTest, EveryMessageOfThePortHasItsEnglish)
{
    std::vector<std::string> messages = {ComMessage::NoSuchPort, ComMessage::PortBusy,
        ComMessage::WriteFailed, ComMessage::ReadFailed, ComMessage::PurgeComm,
        ComMessage::SetCommState, ComMessage::SetCommTimeouts, ComMessage::SetupComm,
        ComMessage::ClearCommError, ComMessage::GetCommModemStatus, ComMessage::EscapeCommFunction,
        ComMessage::PropertyWhileOpen, ComMessage::PortList,
        ComMessage::noPermission("/dev/ttyUSB0", "dialout"),
        ComMessage::noPermission("/dev/tty. S1", ""),
        ComMessage::noPermission("/dev/ttyS2", "root")};
    std::set<std::string> english;
    for (const std::string &message : messages) {
        EXPECT_EQ(comMessageIn(Language::Russian, message), message);
        const std::string text = comMessageIn(Language::English, message);
        EXPECT_FALSE(hasCyrillic(text)) << message << " -> " << text;
        english.insert(text);
    }
    EXPECT_EQ(english.size(), messages.size()) << "two messages share an English text";

    // What the English of a missing permission keeps: the port, the group and the command.
    const std::string dialout = comMessageIn(Language::English, messages[13]);
    EXPECT_NE(dialout.find("/dev/ttyUSB0"), std::string::npos) << dialout;
    EXPECT_NE(dialout.find("sudo usermod -aG dialout $USER"), std::string::npos) << dialout;
    EXPECT_NE(
        comMessageIn(Language::English, messages[14]).find("/dev/tty. S1."), std::string::npos);
    EXPECT_EQ(comMessageIn(Language::English, messages[15]).find("usermod"), std::string::npos);

    // A text the port never gives, however like one, is left as it is.
    for (const std::string &other : {std::string("Cannot open file"), messages[13] + " ",
             std::string("Нет прав на доступ к порту ")})
        EXPECT_EQ(comMessageIn(Language::English, other), other);
}

} // namespace
