// The session journal's file: how bytes read in it, what each event of a session writes, the
// received lines and their pieces, the change of day, the parts past the size limit, the journal
// turned off, and a folder that cannot be written. Time is handed in, so nothing here waits.
#include "journal/journal.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

using namespace kelvane;

namespace {

std::string readFile(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Reads visibleBytes() back into bytes; the test's own decoder, so a text that could stand for
// two byte sequences shows up as a difference.
std::string bytesOf(const std::string &visible)
{
    std::string bytes;
    for (size_t i = 0; i < visible.size();) {
        const auto c = static_cast<unsigned char>(visible[i]);
        if (c == '\\') {
            const char kind = visible.at(i + 1);
            if (kind == '\\')
                bytes += '\\';
            else if (kind == 'r')
                bytes += '\r';
            else if (kind == 'x')
                bytes += static_cast<char>(std::stoi(visible.substr(i + 2, 2), nullptr, 16));
            else
                ADD_FAILURE() << "unknown escape \\" << kind;
            i += kind == 'x' ? 4 : 2;
            continue;
        }
        // The Cyrillic block of Windows-1251 and ASCII are enough for the bytes checked here.
        if (c < 0x80) {
            bytes += static_cast<char>(c);
            ++i;
        } else {
            const unsigned code
                = ((c & 0x1F) << 6) | (static_cast<unsigned char>(visible[i + 1]) & 0x3F);
            if (code >= 0x410 && code <= 0x44F)
                bytes += static_cast<char>(0xC0 + (code - 0x410));
            else
                bytes += '?';
            i += 2;
        }
    }
    return bytes;
}

class JournalTest : public ::testing::Test
{
public:
    std::filesystem::path folder;
    LocalTime clock {2026, 12, 8, 14, 3, 22, 101};

    void SetUp() override
    {
        folder = std::filesystem::path(::testing::TempDir())
            / ("kelvane-journal-" + std::to_string(getpid()) + "-"
                + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    JournalOptions options()
    {
        JournalOptions o;
        o.folder = folder.string();
        o.clock = [this] { return clock; };
        return o;
    }

    void advance(int milliseconds)
    {
        clock.millisecond += milliseconds;
        clock.second += clock.millisecond / 1000;
        clock.millisecond %= 1000;
        clock.minute += clock.second / 60;
        clock.second %= 60;
        clock.hour += clock.minute / 60;
        clock.minute %= 60;
        if (clock.hour >= 24) {
            clock.hour -= 24;
            ++clock.day;
        }
    }

    std::vector<std::string> files()
    {
        std::vector<std::string> names;
        if (std::filesystem::exists(folder))
            for (const auto &entry : std::filesystem::directory_iterator(folder))
                names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST(JournalTextTest, EveryByteReadsBackAndControlBytesShow)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    const std::string visible = visibleBytes(all);
    EXPECT_EQ(visible.find('\n'), std::string::npos) << "a byte broke the journal's line";
    for (int b = 0; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        if (b < 0x80 || b >= 0xC0) {
            EXPECT_EQ(bytesOf(visibleBytes(one)), one) << "byte " << b;
        }
    }
    EXPECT_EQ(visibleBytes("N1\r"), "N1\\r");
    EXPECT_EQ(visibleBytes("a\nb\tc\x1b\x7f"), "a\\x0Ab\\x09c\\x1B\\x7F");
    EXPECT_EQ(visibleBytes(std::string("\0\\", 2)), "\\x00\\\\");
    EXPECT_EQ(visibleBytes("\xCF\xF0\xE8\xE2\xE5\xF2 \xB8\x98"), "Привет ё\\x98");
}

TEST(JournalTextTest, FilesAreNamedAfterThePortAndTheStart)
{
    const LocalTime start {2026, 12, 8, 4, 3, 2, 999};
    EXPECT_EQ(journalFileName("/dev/ttyUSB0", start), "ttyUSB0_2026-12-08T04-03-02.txt");
    EXPECT_EQ(journalFileName("/dev/ttyUSB0", start, 2), "ttyUSB0_2026-12-08T04-03-02_2.txt");
    EXPECT_EQ(journalFileName("/run/user/1000/kelvane-ports/.my port:1", start),
        "_my_port_1_2026-12-08T04-03-02.txt");
    EXPECT_EQ(journalFileName("/dev/", start), "port_2026-12-08T04-03-02.txt");
    EXPECT_EQ(journalFileName("COM2", start), "COM2_2026-12-08T04-03-02.txt");
}

TEST_F(JournalTest, ASessionIsWrittenLineByLine)
{
    Journal journal(options());
    journal.connected("/dev/ttyUSB0", 57600);
    advance(5);
    journal.action("Меню: Команды › Тип и версия ПЗУ");
    journal.sent("/1", true);
    advance(1);
    journal.sent("M", true);
    journal.received("Firm");
    advance(30);
    // A line's stamp is the arrival of its first byte; the CR before its LF is dropped.
    journal.received("ware 3.AA\r\n\r\nT>");
    advance(10);
    // What has come of a line is written before anything else.
    journal.sent("x\r", true);
    journal.received("x\r");
    journal.received("\n\xCF\xF0\xE8\x98\r\n");
    journal.rateSet(57600);
    journal.rateSet(115200);
    journal.error("Ошибка записи в порт");
    journal.fileStarted("/home/u/OVL.BIN", 5000, 0x0a1b2c3d);
    journal.sent(std::string(2048, 'A'), true);
    journal.sent(std::string(2048, 'B'), true);
    journal.sent(std::string(904, 'C'), true);
    journal.fileEnded();
    journal.sent("[END]", true);
    journal.fileStarted("CERT.TBL", 3000, 0xffffffff);
    journal.sent(std::string(2048, 'A'), true);
    journal.fileEnded();
    journal.sent("c\\", false);
    journal.received("1>");
    journal.ended(SessionLog::Ending::Lost);
    journal.sent("after", true);

    ASSERT_EQ(files(), std::vector<std::string> {"ttyUSB0_2026-12-08T14-03-22.txt"});
    EXPECT_EQ(readFile(folder / files().front()),
        "14:03:22.101 Журнал сеанса Kelvane, 2026-12-08, порт /dev/ttyUSB0\n"
        "14:03:22.101 Соединение: /dev/ttyUSB0, 57600 бит/с\n"
        "14:03:22.106 Меню: Команды › Тип и версия ПЗУ\n"
        "14:03:22.106 > /1\n"
        "14:03:22.107 > M\n"
        "14:03:22.107 < Firmware 3.AA\n"
        "14:03:22.137 <\n"
        "14:03:22.137 < T>\n"
        "14:03:22.147 > x\\r\n"
        "14:03:22.147 <… x\n"
        "14:03:22.147 < При\\x98\n"
        "14:03:22.147 Скорость порта: 115200 бит/с\n"
        "14:03:22.147 Ошибка: Ошибка записи в порт\n"
        "14:03:22.147 Файл: /home/u/OVL.BIN, 5000 байт, CRC-32 0a1b2c3d\n"
        "14:03:22.147 > [END]\n"
        "14:03:22.147 Файл: CERT.TBL, 3000 байт, CRC-32 ffffffff\n"
        "14:03:22.147 Файл передан не полностью: 2048 из 3000 байт\n"
        "14:03:22.147 > c\\\\  (запись не завершена)\n"
        "14:03:22.147 < 1>\n"
        "14:03:22.147 Связь потеряна: устройство отключено или не отвечает\n");
    EXPECT_TRUE(journal.path().empty());
}

TEST_F(JournalTest, PiecesOfALineAreWrittenWhenAskedAndAfterACrLater)
{
    int pendingCalls = 0;
    JournalOptions o = options();
    o.linePending = [&] { ++pendingCalls; };
    Journal journal(o);
    journal.connected("ttyS1", 9600);
    journal.received("Scanning.");
    EXPECT_EQ(pendingCalls, 1);
    journal.flushReceived();
    journal.flushReceived(); // nothing more has come
    advance(1000);
    journal.received("..\r");
    EXPECT_EQ(pendingCalls, 2);
    journal.flushReceived(); // the CR waits: an LF may follow
    journal.received("\n");
    journal.received(std::string(20000, 'z')); // no LF for too long: written without waiting
    journal.received("\r");
    journal.ended(SessionLog::Ending::Disconnected);

    const std::string text = readFile(folder / files().front());
    const std::string expected = "14:03:22.101 Соединение: ttyS1, 9600 бит/с\n"
                                 "14:03:22.101 < Scanning.\n"
                                 "14:03:23.101 <… ..\n"
                                 "14:03:23.101 < "
        + std::string(20000, 'z') + "\n14:03:23.101 <… \\r\n14:03:23.101 Разъединение\n";
    EXPECT_EQ(text.substr(text.find('\n') + 1), expected);
}

TEST_F(JournalTest, ANewDayGetsADateLineAndAFullFileContinuesInTheNext)
{
    JournalOptions o = options();
    o.fileLimit = 400;
    Journal journal(o);
    clock = {2026, 12, 8, 23, 59, 59, 990};
    journal.connected("/dev/ttyUSB0", 115200);
    std::vector<std::string> sent;
    for (int i = 0; i < 40; ++i) {
        sent.push_back("line " + std::to_string(i));
        journal.sent(sent.back(), true);
        advance(1);
    }
    // The lines of one read go out together and are still split between parts only at a line.
    std::string read;
    for (int i = 0; i < 30; ++i)
        read += "read " + std::to_string(i) + "\r\n";
    journal.received(read);
    journal.sent(std::string(500, 'L'), true); // longer than a part: alone in one
    journal.ended(SessionLog::Ending::Disconnected);

    const std::vector<std::string> names = files();
    ASSERT_GE(names.size(), 6u);
    EXPECT_EQ(names[0], "ttyUSB0_2026-12-08T23-59-59.txt");
    std::string all;
    for (size_t part = 0; part < names.size(); ++part) {
        const std::string name = part == 0
            ? names[0]
            : "ttyUSB0_2026-12-08T23-59-59_" + std::to_string(part + 1) + ".txt";
        ASSERT_TRUE(std::filesystem::exists(folder / name)) << name;
        const std::string text = readFile(folder / name);
        ASSERT_FALSE(text.empty());
        EXPECT_EQ(text.back(), '\n');
        if (text.find(std::string(500, 'L')) == std::string::npos) {
            EXPECT_LE(text.size(), 400u) << name;
        }
        if (part > 0) {
            EXPECT_TRUE(text.substr(13).starts_with(
                "Журнал сеанса Kelvane, часть " + std::to_string(part + 1) + ","))
                << name;
            all += text.substr(text.find('\n') + 1);
        } else {
            all += text;
        }
    }
    // Every line whole and in order across the parts; the day changes once.
    std::istringstream lines(all);
    std::string line;
    size_t next = 0;
    int nextRead = 0;
    int dateLines = 0;
    while (std::getline(lines, line)) {
        ASSERT_GE(line.size(), 13u);
        if (line.substr(13) == "Дата: 2026-12-09") {
            ++dateLines;
            EXPECT_EQ(line.substr(0, 12), "00:00:00.000");
        }
        if (line.substr(13, 2) == "> " && next < sent.size()) {
            EXPECT_EQ(line.substr(15), sent[next]);
            ++next;
        }
        if (line.substr(13, 2) == "< ") {
            EXPECT_EQ(line.substr(15), "read " + std::to_string(nextRead));
            ++nextRead;
        }
    }
    EXPECT_EQ(next, sent.size());
    EXPECT_EQ(nextRead, 30);
    EXPECT_EQ(dateLines, 1);
}

TEST_F(JournalTest, OffMakesNoFileAndTurningItOnOrOffActsAtOnce)
{
    Journal journal(options());
    journal.setEnabled(false);
    journal.connected("/dev/ttyUSB0", 57600);
    journal.sent("/1", true);
    journal.received("text\r\n");
    journal.rateSet(9600);
    EXPECT_FALSE(std::filesystem::exists(folder));

    advance(1000);
    journal.setEnabled(true);
    journal.sent("/2", true);
    const std::string path = journal.path();
    ASSERT_FALSE(path.empty());
    journal.setEnabled(false);
    journal.sent("/T", true);
    EXPECT_TRUE(journal.path().empty());
    const std::string text = readFile(path);
    EXPECT_EQ(text.substr(text.find('\n') + 1),
        "14:03:23.101 Журнал включён; соединение: /dev/ttyUSB0, 9600 бит/с\n"
        "14:03:23.101 > /2\n"
        "14:03:23.101 Журнал выключен\n");
    EXPECT_EQ(files().size(), 1u);
}

TEST_F(JournalTest, AFolderThatCannotBeWrittenStopsTheJournalAndSaysWhy)
{
    std::filesystem::create_directories(folder.parent_path());
    std::ofstream(folder) << "a file where the folder should be";
    std::vector<std::string> failures;
    JournalOptions o = options();
    o.failed = [&](const std::string &why) { failures.push_back(why); };
    Journal journal(o);
    journal.connected("/dev/ttyUSB0", 57600);
    journal.sent("/1", true);
    journal.ended(SessionLog::Ending::Disconnected);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_NE(failures.front().find(folder.string()), std::string::npos) << failures.front();
    EXPECT_TRUE(journal.path().empty());
    std::filesystem::remove(folder);
}

} // namespace
