// The virtual drive's check of the upload framing: start command, NAME:SIZE[BEGIN], SIZE raw
// bytes, [END], b,,22, c. Right framings are accepted whatever the data holds and however it is
// cut; every kind of wrong framing ends in a report with its error, and the monitor goes on.
#include "base/crc32.h"
#include "virtual_drive/virtual_drive.h"

#include <algorithm>
#include <cctype>
#include <gtest/gtest.h>

using namespace kelvane;

namespace {

using namespace std::chrono_literals;
using Clock = VirtualDrive::Clock;

const Clock::duration Silence = VirtualDrive::Timing {}.uploadSilence;

// Data with every byte value, and with the framing's own words inside it.
std::string trickyData(size_t size)
{
    static const std::string Words = "[END]b,,22c[BEGIN]/1\r\ne0,0h0,0";
    std::string data;
    data.reserve(size);
    for (size_t i = 0; data.size() < size; ++i) {
        if (i % 3000 == 7)
            data += Words;
        data.push_back(static_cast<char>((i * 7 + i / 256) & 0xFF));
    }
    data.resize(size);
    return data;
}

uint32_t crcOf(std::string_view data)
{
    Crc32 crc;
    crc.update(data);
    return crc.value();
}

class UploadTest : public ::testing::Test
{
protected:
    VirtualDrive m_drive;
    Clock::time_point m_now = Clock::time_point {} + 1h;
    std::string m_said; // everything the drive sent back

    void feed(std::string_view bytes, Clock::duration after = 1ms)
    {
        m_now += after;
        m_said += m_drive.feed(bytes, m_now);
    }
    void tick(Clock::duration after)
    {
        m_now += after;
        m_said += m_drive.tick(m_now);
    }
    // The data in chunks of `chunk` bytes with a pause between, as the program paces it.
    void feedChunks(std::string_view data, size_t chunk, Clock::duration pause = 50ms)
    {
        for (size_t at = 0; at < data.size(); at += chunk)
            feed(data.substr(at, chunk), pause);
    }
    // The program's upload: start, then (after the file dialog) the header, the chunks and the
    // closing commands.
    void upload(std::string_view start, std::string_view name, std::string_view data)
    {
        feed(start);
        feed(std::string(name) + ":" + std::to_string(data.size()) + "[BEGIN]", 20s);
        feedChunks(data, 2048);
        for (const char *closing : {"[END]", "b,,22", "c"})
            feed(closing, 0ms);
    }
    const UploadReport &only()
    {
        EXPECT_EQ(m_drive.uploads().size(), 1u);
        return m_drive.uploads().back();
    }
    void expectMonitorBack()
    {
        EXPECT_FALSE(m_drive.uploading());
        const std::string answer = m_drive.feed("/1", m_now);
        EXPECT_EQ(answer, "/1\r\nF3 1>");
    }
};

class AcceptedSizeTest : public UploadTest, public ::testing::WithParamInterface<size_t>
{
};

TEST_P(AcceptedSizeTest, DataOfEveryByteValueIsCountedAndChecksummed)
{
    const std::string data = trickyData(GetParam());
    upload("e0,0", "OVL.BIN", data);
    const UploadReport &report = only();
    EXPECT_TRUE(report.ok()) << report.error;
    EXPECT_EQ(report.kind, UploadReport::Kind::Overlay);
    EXPECT_EQ(report.name, "OVL.BIN");
    EXPECT_EQ(report.declaredSize, data.size());
    EXPECT_EQ(report.received, data.size());
    EXPECT_EQ(report.crc32, crcOf(data));
    EXPECT_NE(m_said.find("upload accepted"), std::string::npos) << m_said.substr(0, 300);
    EXPECT_TRUE(m_said.ends_with("F3 T>"));
    expectMonitorBack();
}

INSTANTIATE_TEST_SUITE_P(Sizes, AcceptedSizeTest,
    ::testing::Values(size_t {0}, size_t {1}, size_t {2047}, size_t {2048}, size_t {2049},
        size_t {4096}, size_t {3} << 20));

TEST_F(UploadTest, EverySingleByteValueAsTheWholeFile)
{
    for (int b = 0; b < 256; ++b)
        upload("h0,0", "ONE", std::string(1, static_cast<char>(b)));
    ASSERT_EQ(m_drive.uploads().size(), 256u);
    for (int b = 0; b < 256; ++b) {
        const UploadReport &report = m_drive.uploads()[static_cast<size_t>(b)];
        EXPECT_TRUE(report.ok()) << b << ": " << report.error;
        EXPECT_EQ(report.crc32, crcOf(std::string(1, static_cast<char>(b)))) << b;
    }
}

TEST_F(UploadTest, DataIsNotEchoedButHeaderAndClosingAre)
{
    const std::string data(5000, 'D');
    upload("h0,0", "CERT.TBL", data);
    EXPECT_EQ(only().kind, UploadReport::Kind::CertTable);
    EXPECT_LT(std::count(m_said.begin(), m_said.end(), 'D'), 10) << "no data byte comes back";
    EXPECT_TRUE(m_said.starts_with("h0,0\r\n")) << m_said;
    EXPECT_NE(m_said.find("CERT.TBL:5000[BEGIN][END]b,,22c"), std::string::npos) << m_said;
    EXPECT_NE(m_said.find("CERT table \"CERT.TBL\": 5000 bytes received"), std::string::npos)
        << m_said;
}

TEST_F(UploadTest, WholeUploadInOnePieceWithoutAnyPause)
{
    const std::string data = trickyData(3000);
    feed("e0,0OVL.BIN:3000[BEGIN]" + data + "[END]b,,22c/2");
    EXPECT_TRUE(only().ok()) << only().error;
    EXPECT_EQ(only().crc32, crcOf(data));
    EXPECT_EQ(m_drive.State().level, '2') << "what follows the upload is the monitor's";
}

TEST_F(UploadTest, DataCutAtEveryPlaceGivesTheSameReport)
{
    const std::string whole = "e0,0F:20[BEGIN]" + trickyData(20) + "[END]b,,22c";
    for (size_t cut = 1; cut < whole.size(); ++cut) {
        feed(whole.substr(0, cut));
        feed(whole.substr(cut), 30ms);
    }
    ASSERT_EQ(m_drive.uploads().size(), whole.size() - 1);
    for (const UploadReport &report : m_drive.uploads()) {
        EXPECT_TRUE(report.ok()) << report.error;
        EXPECT_EQ(report.crc32, crcOf(trickyData(20)));
    }
}

TEST_F(UploadTest, HeaderMayWaitAsLongAsTheUserTakesToChooseTheFile)
{
    feed("e0,0");
    EXPECT_TRUE(m_drive.uploading());
    EXPECT_FALSE(m_drive.deadline()) << "no time limit before the header";
    tick(1h);
    EXPECT_TRUE(m_drive.uploading());
    feed("A.BIN:2[BEGIN]xy[END]b,,22c", 1h);
    EXPECT_TRUE(only().ok()) << only().error;
}

TEST_F(UploadTest, StartTypedByHandWithEnterStillTakesTheHeader)
{
    feed("e0,0\r\n");
    feed("A.BIN:1[BEGIN]\r[END]b,,22c", 5s);
    EXPECT_TRUE(only().ok()) << only().error;
    EXPECT_EQ(only().crc32, crcOf("\r"));
}

TEST_F(UploadTest, NameKeepsItsBytesAndMayHoldAColon)
{
    upload("e0,0", "\xcf\xf0\xee\xf8\xe8\xe2\xea\xe0.bin", "z");
    EXPECT_EQ(only().name, "\xcf\xf0\xee\xf8\xe8\xe2\xea\xe0.bin") << "Windows-1251 bytes as sent";
    upload("e0,0", "a:b", "z");
    EXPECT_EQ(m_drive.uploads().back().name, "a:b");
    EXPECT_TRUE(m_drive.uploads().back().ok());
}

TEST_F(UploadTest, PausesShorterThanTheSilenceKeepTheUploadGoing)
{
    feed("e0,0");
    feed("X:10[BEGIN]12345");
    tick(Silence - 100ms);
    EXPECT_TRUE(m_drive.uploading());
    feed("67890", 50ms);
    tick(Silence - 1ms);
    EXPECT_TRUE(m_drive.uploading()) << "the silence counts from the last byte";
    feed("[END]b,,22c", 0ms);
    EXPECT_TRUE(only().ok());
}

struct BadFraming
{
    const char *what;
    std::string afterStart; // what follows "e0,0"
    const char *errorHas;
};

void PrintTo(const BadFraming &bad, std::ostream *out)
{
    *out << bad.what;
}

class BadFramingTest : public UploadTest, public ::testing::WithParamInterface<BadFraming>
{
};

TEST_P(BadFramingTest, EndsInAReportWithItsErrorAndTheMonitorGoesOn)
{
    const BadFraming &bad = GetParam();
    feed("e0,0");
    feed(bad.afterStart);
    if (m_drive.uploading()) {
        ASSERT_TRUE(m_drive.deadline()) << "an upload that has begun never waits for ever";
        tick(Silence);
    }
    const UploadReport &report = only();
    EXPECT_FALSE(report.ok());
    EXPECT_NE(report.error.find(bad.errorHas), std::string::npos) << report.error;
    EXPECT_NE(m_said.find("upload rejected: " + report.error), std::string::npos) << m_said;
    m_drive.feed("\r", m_now); // whatever was handed back to the monitor ends here
    expectMonitorBack();
}

std::string bytes(size_t n)
{
    return std::string(n, '\0');
}

INSTANTIATE_TEST_SUITE_P(Framings, BadFramingTest,
    ::testing::Values(BadFraming {"no colon", "OVL.BIN5[BEGIN]", "no ':'"},
        BadFraming {"no name", ":5[BEGIN]", "no file name"},
        BadFraming {"empty size", "A:[BEGIN]", "not a plain decimal"},
        BadFraming {"sign", "A:+5[BEGIN]", "not a plain decimal"},
        BadFraming {"leading zero", "A:05[BEGIN]", "not a plain decimal"},
        BadFraming {"hex", "A:0x10[BEGIN]", "not a plain decimal"},
        BadFraming {"blank", "A: 5[BEGIN]", "not a plain decimal"},
        BadFraming {"overflow", "A:99999999999999999999[BEGIN]", "not a plain decimal"},
        BadFraming {"too big", "A:67108865[BEGIN]", "exceeds the RAM"},
        BadFraming {"control byte", "A\x01:5[BEGIN]", "control byte"},
        BadFraming {"CR in header", "A:5\r", "control byte"},
        BadFraming {"level line", "A:5/1", "level line"},
        BadFraming {"header too long", std::string(400, 'n'), "too long"},
        BadFraming {"header cut", "A:5[BEG", "incomplete"},
        BadFraming {"data short", "A:5000[BEGIN]" + bytes(3000) + "[END]b,,22c",
            "3011 of 5000 bytes came; the closing commands were taken as data: the file is 2000 "
            "bytes shorter"},
        BadFraming {
            "data short by one", "A:10[BEGIN]" + bytes(9) + "[END]b,,22c", "1 byte(s) shorter"},
        BadFraming {
            "data short by six", "A:10[BEGIN]" + bytes(4) + "[END]b,,22c", "6 byte(s) shorter"},
        BadFraming {"extra bytes", "A:10[BEGIN]" + bytes(12) + "[END]b,,22c",
            "2 bytes more than the declared 10"},
        BadFraming {"extra bracket", "A:1[BEGIN]x[[END]b,,22c", "1 bytes more"},
        BadFraming {"no [END]", "A:2[BEGIN]xyb,,22c", "no [END] after the 2 data bytes; 6 more"},
        BadFraming {"nothing after data", "A:2[BEGIN]xy", "no [END] after the data"},
        BadFraming {"[END] cut", "A:2[BEGIN]xy[EN", "only \"[EN\""},
        BadFraming {"no b,,22", "A:2[BEGIN]xy[END]", "\"b,,22\" missing"},
        BadFraming {"no c", "A:0[BEGIN][END]b,,22", "\"c\" missing"},
        BadFraming {"wrong b", "A:0[BEGIN][END]b,,23c", "got \"b,,23\""},
        BadFraming {"c without b", "A:0[BEGIN][END]c", "got \"c\""}),
    [](const auto &info) {
        std::string name;
        for (const char c : std::string(info.param.what))
            name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

TEST_F(UploadTest, WrongClosingHandsTheRestBackToTheMonitor)
{
    feed("e0,0A:0[BEGIN][END]/2");
    EXPECT_FALSE(only().ok());
    EXPECT_EQ(m_drive.State().level, '2');
}

TEST_F(UploadTest, ReportsStayInOrderAfterAFailure)
{
    upload("e0,0", "FIRST", "abc");
    feed("h0,0B:1[BEGIN]");
    tick(Silence);
    upload("h0,0", "THIRD", "xyz");
    ASSERT_EQ(m_drive.uploads().size(), 3u);
    EXPECT_TRUE(m_drive.uploads()[0].ok());
    EXPECT_FALSE(m_drive.uploads()[1].ok());
    EXPECT_EQ(m_drive.uploads()[1].received, 0u);
    EXPECT_EQ(m_drive.uploads()[2].name, "THIRD");
    EXPECT_TRUE(m_drive.uploads()[2].ok());
}

TEST_F(UploadTest, LogNamesTheUploadAndSumsUpItsData)
{
    upload("e0,0", "OVL.BIN", trickyData(5000));
    std::string log;
    for (const std::string &line : m_drive.takeLog())
        log += line + "\n";
    EXPECT_NE(log.find("\"e0,0\""), std::string::npos) << log;
    EXPECT_NE(log.find("\"OVL.BIN:5000[BEGIN]\""), std::string::npos) << log;
    EXPECT_NE(log.find("5000 байт"), std::string::npos) << log;
    EXPECT_NE(log.find("\"[END]b,,22c\""), std::string::npos) << log;
    EXPECT_LT(log.size(), 1000u) << "the data itself is not logged";
}

} // namespace
