// The virtual drive's monitor as a state machine: level lines, echo, where commands end (CR, the
// next level line, silence), the rate commands, the service commands the program sends, and the
// log of what was received. Time is handed in, so nothing here waits.
#include "base/crc32.h"
#include "virtual_drive/byte_text.h"
#include "virtual_drive/virtual_drive.h"

#include <gtest/gtest.h>

using namespace kelvane;

namespace {

using namespace std::chrono_literals;
using Clock = VirtualDrive::Clock;

// Words that every refusal of the monitor carries, and no accepted command's answer does.
bool refused(const std::string &answer)
{
    for (const char *word : {"unknown", "is a level", "not supported", "not understood", "missing",
             "no level", "discarded"})
        if (answer.find(word) != std::string::npos)
            return true;
    return false;
}

size_t count(const std::string &text, const std::string &part)
{
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

class MonitorTest : public ::testing::Test
{
protected:
    VirtualDrive m_drive;
    Clock::time_point m_now = Clock::time_point {} + 1h;

    // Bytes arriving `after` the previous ones.
    std::string feed(std::string_view bytes, Clock::duration after = 1ms)
    {
        m_now += after;
        return m_drive.feed(bytes, m_now);
    }
    // What the drive says once `after` has passed without a byte.
    std::string tick(Clock::duration after)
    {
        m_now += after;
        return m_drive.tick(m_now);
    }
    // A command as a menu sends it: level line, command, then silence.
    std::string menu(std::string_view level, std::string_view command)
    {
        feed(level);
        const std::string echo = feed(command);
        return echo + tick(1s);
    }
};

TEST_F(MonitorTest, LevelLineAnswersAtOnceWithThePromptOfItsLevel)
{
    EXPECT_EQ(m_drive.State().level, 'T') << "the monitor starts at level T";
    EXPECT_EQ(feed("/1"), "/1\r\nF3 1>");
    EXPECT_EQ(m_drive.State().level, '1');
    EXPECT_FALSE(m_drive.deadline()) << "nothing is pending after a level line";
    EXPECT_EQ(feed("/2"), "/2\r\nF3 2>");
    EXPECT_EQ(feed("/T"), "/T\r\nF3 T>");
    EXPECT_EQ(m_drive.State().level, 'T');
}

TEST_F(MonitorTest, LevelCharacterMayComeInALaterPiece)
{
    EXPECT_EQ(feed("/"), "/");
    ASSERT_TRUE(m_drive.deadline());
    EXPECT_EQ(feed("2", 50ms), "2\r\nF3 2>");
    EXPECT_EQ(m_drive.State().level, '2');
}

TEST_F(MonitorTest, SlashWithoutALevelIsRefusedAndTheLevelStays)
{
    feed("/1");
    EXPECT_EQ(feed("/"), "/");
    EXPECT_EQ(tick(99ms), "") << "the level may still come";
    const std::string answer = tick(1ms);
    EXPECT_NE(answer.find("level missing"), std::string::npos) << answer;
    EXPECT_TRUE(answer.ends_with("\r\nF3 1>"));

    EXPECT_NE(feed("/\r").find("level missing"), std::string::npos);
    const std::string lower = feed("/t");
    EXPECT_NE(lower.find("no level \"t\""), std::string::npos) << lower;
    EXPECT_NE(feed("/\xd2").find("no level \"\\xd2\""), std::string::npos);
    EXPECT_EQ(m_drive.State().level, '1');

    const std::string doubled = feed("//2");
    EXPECT_NE(doubled.find("level missing"), std::string::npos) << doubled;
    EXPECT_TRUE(doubled.ends_with("/2\r\nF3 2>")) << "the second slash starts the level line";
    EXPECT_EQ(m_drive.State().level, '2');
}

TEST_F(MonitorTest, CommandEndsAfterTheSilenceCountedFromItsLastByte)
{
    feed("/1");
    EXPECT_EQ(feed("N"), "N") << "echo at once, answer later";
    EXPECT_EQ(feed("1", 80ms), "1");
    ASSERT_TRUE(m_drive.deadline());
    EXPECT_EQ(*m_drive.deadline(), m_now + 100ms);
    EXPECT_EQ(tick(99ms), "");
    const std::string answer = tick(1ms);
    EXPECT_NE(answer.find("SMART recreated"), std::string::npos) << answer;
    EXPECT_TRUE(answer.starts_with("\r\nvirtual drive: "));
    EXPECT_TRUE(answer.ends_with("\r\nF3 1>"));
    EXPECT_FALSE(m_drive.deadline());
}

TEST_F(MonitorTest, SilenceEndsACommandEvenWhenNobodyTicked)
{
    feed("/1");
    feed("M");
    const std::string out = feed("F", 500ms);
    const size_t firmware = out.find("firmware");
    ASSERT_NE(firmware, std::string::npos) << out;
    EXPECT_TRUE(out.ends_with("F3 1>F")) << "F is a new command, not \"MF\": " << out;
    EXPECT_NE(tick(1s).find("jumpers"), std::string::npos);
}

TEST_F(MonitorTest, CarriageReturnEndsACommandAtOnce)
{
    feed("/1");
    const std::string out = feed("N1\r");
    EXPECT_TRUE(out.starts_with("N1\r\r\nvirtual drive: SMART recreated")) << out;
    EXPECT_TRUE(out.ends_with("\r\nF3 1>"));
    EXPECT_FALSE(m_drive.deadline());
}

TEST_F(MonitorTest, LineFeedAfterCarriageReturnEndsNothingMore)
{
    feed("/1");
    const std::string out = feed("F\r\n");
    EXPECT_EQ(count(out, "virtual drive:"), 1u) << out;
    EXPECT_TRUE(out.ends_with("F3 1>\n")) << "the LF is echoed and nothing else";
    EXPECT_EQ(feed("\r"), "\r\r\nF3 1>") << "an empty line gets the prompt";
    EXPECT_NE(feed("M\n").find("firmware"), std::string::npos) << "LF alone ends a line too";
}

TEST_F(MonitorTest, NextLevelLineEndsTheCommandBeforeIt)
{
    const std::string out = feed("/1M/2");
    const size_t answer = out.find("firmware");
    const size_t level = out.rfind("/2");
    ASSERT_NE(answer, std::string::npos) << out;
    ASSERT_NE(level, std::string::npos);
    EXPECT_LT(answer, level) << "M is answered at level 1, before the level line";
    EXPECT_TRUE(out.ends_with("/2\r\nF3 2>"));
    EXPECT_EQ(m_drive.State().level, '2');
}

TEST_F(MonitorTest, DriveTypeEndsItselfBecauseWritingItFollowsWithoutAPause)
{
    // "Записать тип накопителя" writes "/T", "YE2" and "W" back to back.
    const std::string out = feed("/TYE2W");
    EXPECT_NE(out.find("drive type: 3 head(s)"), std::string::npos) << out;
    EXPECT_TRUE(out.ends_with("F3 T>W")) << out;
    EXPECT_NE(tick(1s).find("3 head(s) written"), std::string::npos);
    EXPECT_EQ(m_drive.State().heads, 3);

    const std::string typed = feed("YE0\r");
    EXPECT_EQ(count(typed, "virtual drive:"), 1u) << typed;
    EXPECT_TRUE(typed.ends_with("F3 T>\r")) << "the Enter after it adds no second prompt";
    EXPECT_EQ(feed("\r"), "\r\r\nF3 T>") << "the next Enter does";
}

TEST_F(MonitorTest, EveryByteIsEchoedAsItCame)
{
    std::string bytes;
    for (int b = 0; b < 256; ++b)
        if (b != '/' && b != '\r' && b != '\n' && b != '\b' && b != 0x7f)
            bytes.push_back(static_cast<char>(b));
    // Sent in pieces under the length limit, each ended by silence.
    for (size_t at = 0; at < bytes.size(); at += 100) {
        const std::string piece = bytes.substr(at, 100);
        EXPECT_EQ(feed(piece), piece);
        EXPECT_TRUE(refused(tick(1s)));
    }
    EXPECT_EQ(feed("\xcc\xe5\xed\xfe"), "\xcc\xe5\xed\xfe") << "Windows-1251 bytes stay bytes";
}

TEST_F(MonitorTest, BackspaceTypedInATerminalTakesBackTheLastByte)
{
    feed("/1");
    EXPECT_EQ(feed("MX\b"), "MX\b \b");
    EXPECT_NE(feed("\r").find("firmware"), std::string::npos);
    EXPECT_EQ(feed("\x7f"), "") << "nothing to take back";
}

TEST_F(MonitorTest, OverlongCommandIsDiscardedAndTheMonitorGoesOn)
{
    const std::string out = feed(std::string(VirtualDrive::MaxCommand + 1, 'x'));
    EXPECT_NE(out.find("discarded"), std::string::npos);
    EXPECT_FALSE(m_drive.deadline());
    EXPECT_EQ(feed("/1"), "/1\r\nF3 1>");
}

TEST_F(MonitorTest, RateCommandsNameTheRateTheyRead)
{
    const std::pair<const char *, uint32_t> rates[]
        = {{"B48", 4800}, {"B96", 9600}, {"B144", 14400}, {"B192", 19200}, {"B384", 38400},
            {"B576", 57600}, {"B625", 62500}, {"B1152", 115200}};
    for (const auto &[command, rate] : rates) {
        const std::string out = menu("/T", command);
        EXPECT_NE(out.find("rate set to " + std::to_string(rate) + " bits/s"), std::string::npos)
            << command << ": " << out;
        EXPECT_EQ(m_drive.State().rate, rate);
    }
}

TEST_F(MonitorTest, RateCommandsAreRefusedOutsideLevelTAndForOtherRates)
{
    menu("/T", "B1152");
    EXPECT_NE(menu("/1", "B96").find("is a level T command"), std::string::npos);
    EXPECT_NE(menu("/T", "B12").find("not supported"), std::string::npos);
    EXPECT_NE(menu("/T", "B").find("not supported"), std::string::npos);
    EXPECT_NE(menu("/T", "B0096").find("not supported"), std::string::npos);
    EXPECT_EQ(m_drive.State().rate, 115200u);
}

TEST_F(MonitorTest, RateCommandOfTheProgramRightAfterItsLevelLine)
{
    // The rate box writes "/T" and the rate command without anything between.
    const std::string out = feed("/TB625");
    EXPECT_EQ(out, "/T\r\nF3 T>B625");
    EXPECT_NE(tick(100ms).find("rate set to 62500"), std::string::npos);
}

struct ServiceCommand
{
    const char *level;
    const char *command;
    const char *answerHas;
};

void PrintTo(const ServiceCommand &c, std::ostream *out)
{
    *out << c.level << ' ' << c.command;
}

class ServiceCommandTest : public MonitorTest, public ::testing::WithParamInterface<ServiceCommand>
{
};

TEST_P(ServiceCommandTest, IsAnsweredAtItsLevelAndRefusedAtAnother)
{
    const ServiceCommand &c = GetParam();
    const std::string out = menu(c.level, c.command);
    EXPECT_NE(out.find(c.answerHas), std::string::npos) << out;
    EXPECT_NE(out.find("virtual drive: "), std::string::npos);
    EXPECT_FALSE(refused(out)) << out;
    EXPECT_TRUE(out.ends_with(std::string("F3 ") + c.level[1] + ">"));

    const char *other = c.level[1] == '1' ? "/2" : "/1";
    EXPECT_NE(menu(other, c.command).find("is a level"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(WhatTheMenusSend, ServiceCommandTest,
    ::testing::Values(ServiceCommand {"/1", "M", "firmware"}, ServiceCommand {"/1", "F", "jumpers"},
        ServiceCommand {"/2", "U", "spindle up"}, ServiceCommand {"/2", "Z", "spindle down"},
        ServiceCommand {"/T", "R", "system track read"},
        ServiceCommand {"/1", "E", "system information erased"},
        ServiceCommand {"/1", "fAAAA", "FlashROM rewritten"},
        ServiceCommand {"/1", "fCCCC", "CERT rewritten"},
        ServiceCommand {"/1", "N1", "SMART recreated"},
        ServiceCommand {"/1", "N2", "attributes updated"},
        ServiceCommand {"/1", "N3", "version updated"},
        ServiceCommand {"/1", "N5", "SMART attributes:"}, ServiceCommand {"/1", "N7", "G-List"},
        ServiceCommand {"/1", "N8", "critical event log"}, ServiceCommand {"/1", "N9", "P-List"},
        ServiceCommand {"/1", "NA", "health log"}, ServiceCommand {"/1", "NB", "DST short"},
        ServiceCommand {"/1", "NC", "DST long"},
        ServiceCommand {"/T", "T12", "factory test \"12\""},
        ServiceCommand {"/T", "T 12", "factory test \" 12\""},
        ServiceCommand {"/2", "H1", "head 1 selected"}, ServiceCommand {"/2", "H4", "head 4"},
        ServiceCommand {"/T", "YE0", "1 head(s)"}, ServiceCommand {"/T", "YE3", "4 head(s)"},
        ServiceCommand {"/T", "W", "written"},
        ServiceCommand {"/2", "S1000,3", "head 3 on track 1000"},
        ServiceCommand {"/2", "S0,1", "head 1 on track 0"},
        ServiceCommand {"/T", "N2,,22", "self-scan started"}));

TEST_F(MonitorTest, CommandsWithBadArgumentsAreRefused)
{
    for (const auto &[level, command] :
        {std::pair {"/2", "H5"}, {"/2", "H"}, {"/2", "S12"}, {"/2", "S,1"}, {"/2", "S12,9"},
            {"/T", "YE4"}, {"/T", "T"}, {"/1", "N4"}, {"/1", "Q"}, {"/1", "m"}})
        EXPECT_TRUE(refused(menu(level, command))) << level << command;
}

TEST_F(MonitorTest, SpindleStateCarriesOverToReadingTheSystemTrack)
{
    menu("/2", "Z");
    EXPECT_NE(menu("/T", "R").find("spindle stopped"), std::string::npos);
    menu("/2", "U");
    EXPECT_NE(menu("/T", "R").find("system track read"), std::string::npos);
}

TEST_F(MonitorTest, LogSaysWhatWasReceivedAndHowItEnded)
{
    feed("/1M");
    tick(1s);
    feed("N1\r\x01");
    const std::vector<std::string> log = m_drive.takeLog();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_NE(log[0].find("\"/1\""), std::string::npos) << log[0];
    EXPECT_NE(log[1].find("\"M\""), std::string::npos) << log[1];
    EXPECT_NE(log[1].find("пауза"), std::string::npos) << log[1];
    EXPECT_NE(log[2].find("\"N1\""), std::string::npos) << log[2];
    EXPECT_NE(log[2].find("CR"), std::string::npos) << log[2];
    EXPECT_TRUE(m_drive.takeLog().empty()) << "taken once";
    tick(1s);
    const std::vector<std::string> later = m_drive.takeLog();
    ASSERT_EQ(later.size(), 1u);
    EXPECT_NE(later[0].find("\"\\x01\""), std::string::npos) << later[0];
}

TEST(ByteTextTest, PrintableShowsEveryByteUnambiguously)
{
    EXPECT_EQ(printable("N1,,22"), "N1,,22");
    EXPECT_EQ(printable(std::string("\r\n\0\x7f\xff", 5)), "\\x0d\\x0a\\x00\\x7f\\xff");
    EXPECT_EQ(printable("a\\x0d"), "a\\\\x0d") << "a backslash in the data is doubled";
}

TEST(ByteTextTest, ParseDecimalTakesOnlyPlainNumbers)
{
    EXPECT_EQ(parseDecimal("0"), 0u);
    EXPECT_EQ(parseDecimal("5000"), 5000u);
    EXPECT_EQ(parseDecimal("18446744073709551615"), UINT64_MAX);
    for (const char *bad : {"", "05", "+5", "-5", " 5", "5 ", "5e3", "0x10", "18446744073709551616",
             "99999999999999999999"})
        EXPECT_FALSE(parseDecimal(bad)) << bad;
}

TEST(Crc32Test, MatchesTheStandardCheckValueWholeOrInPieces)
{
    Crc32 whole;
    whole.update("123456789");
    EXPECT_EQ(whole.value(), 0xCBF43926u);
    Crc32 pieces;
    for (const char *piece : {"1", "", "2345", "6789"})
        pieces.update(piece);
    EXPECT_EQ(pieces.value(), 0xCBF43926u);
    EXPECT_EQ(Crc32 {}.value(), 0u);
}

} // namespace
