// kelvane-batch as a user runs it, against the virtual drive's executable: the exit status, the
// report, and what the drive received (its log).
#include "serial/posix_device.h"
#include "support/child_process.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

using namespace kelvane;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

bool eventually(const std::function<bool()> &done)
{
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

bool contains(const std::string &text, const std::string &part)
{
    return text.find(part) != std::string::npos;
}

class BatchProcessTest : public ::testing::Test
{
protected:
    fs::path m_root;
    fs::path m_port;
    std::unique_ptr<ChildProcess> m_drive;

    void SetUp() override
    {
        char name[] = "/tmp/kelvane-batch-test-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        m_root = name;
        m_port = m_root / "ports" / "virtual-drive";
        m_drive = std::make_unique<ChildProcess>(VIRTUAL_DRIVE_PATH,
            std::vector<std::string> {"--ports-folder", (m_root / "ports").string(), "--log",
                (m_root / "drive.log").string()},
            m_root / "drive.out");
        ASSERT_TRUE(eventually([&] { return fs::exists(m_port); }))
            << readFile(m_root / "drive.out");
    }
    void TearDown() override
    {
        m_drive.reset();
        fs::remove_all(m_root);
    }

    fs::path procedure(const std::string &text)
    {
        std::ofstream(m_root / "procedure.txt") << text;
        return m_root / "procedure.txt";
    }
    std::unique_ptr<ChildProcess> start(std::vector<std::string> args)
    {
        return std::make_unique<ChildProcess>(BATCH_PATH, args, m_root / "out");
    }
    int run(const std::string &text)
    {
        return start({"--port", m_port.string(), "--report", (m_root / "report").string(),
                         procedure(text).string()})
            ->wait();
    }
    std::string out() { return readFile(m_root / "out"); }
    std::string report() { return readFile(m_root / "report"); }
    // What the drive took in, as its log says (it writes a line per command as it comes).
    std::string driveLog() { return readFile(m_root / "drive.log"); }
};

TEST_F(BatchProcessTest, PassingProcedureChangesLevelsExpectsAnswersAndUploads)
{
    std::string overlay(5000, '\0');
    for (size_t i = 0; i < overlay.size(); ++i)
        overlay[i] = static_cast<char>(i * 7);
    fs::create_directory(m_root / "fw");
    std::ofstream(m_root / "fw" / "OVL.BIN", std::ios::binary) << overlay;
    EXPECT_EQ(run("# firmware version, then the overlay\n"
                  "level 1\n"
                  "expect F3 1>$\n"
                  "send M\n"
                  "expect firmware KVD-\\S+ 5\n"
                  "fail-on upload rejected\n"
                  "level T\n"
                  "upload overlay fw/OVL.BIN\n"
                  "expect 5000 bytes received.*accepted 10\n"),
        0)
        << out();
    EXPECT_TRUE(contains(report(), "шаг 2 из 8, строка 3: expect F3 1>$")) << report();
    EXPECT_TRUE(contains(report(), "  < virtual drive: firmware KVD-0.99")) << report();
    EXPECT_TRUE(contains(report(), "совпало: «firmware KVD-0.99,»")) << report();
    EXPECT_TRUE(contains(report(), "процедура выполнена: шагов 8")) << report();
    EXPECT_EQ(out(), report()) << "the report is what was printed";
    EXPECT_TRUE(eventually([&] { return contains(driveLog(), "OVL.BIN\": 5000 bytes"); }))
        << driveLog();

    EXPECT_EQ(start({"--port", m_port.string(), EXAMPLES_DIR "/rom-version.txt"})->wait(), 0)
        << "the example procedure: " << out();
}

TEST_F(BatchProcessTest, ExpectThatTimesOutAndFailOnStopAtTheirLine)
{
    EXPECT_EQ(run("level 2\n"
                  "send U\n"
                  "expect never said 0.5\n"
                  "send Z\n"),
        1);
    EXPECT_TRUE(contains(report(), "ОШИБКА, строка 3: нет ответа «never said» за 0.5 с"))
        << report();

    EXPECT_EQ(run("fail-on not supported\n"
                  "level T\n"
                  "send B999\n"
                  "wait 30\n"
                  "send R\n"),
        1);
    EXPECT_TRUE(contains(report(), "ОШИБКА, строка 4: получено «not supported»")) << report();
    EXPECT_TRUE(contains(report(), "fail-on строки 1")) << report();

    EXPECT_TRUE(eventually([&] { return contains(driveLog(), "\"B999\""); })) << driveLog();
    EXPECT_FALSE(contains(driveLog(), "\"Z\"")) << "nothing after the failed step";
    EXPECT_FALSE(contains(driveLog(), "\"R\""));
}

TEST_F(BatchProcessTest, UsageFileAndPortErrorsEndWithStatusTwoAndSendNothing)
{
    EXPECT_EQ(run("level 1\nsend M\nsend-raw\n"), 2);
    EXPECT_TRUE(contains(out(), "строка 3: у send-raw нет текста")) << out();
    EXPECT_EQ(start({"--port", m_port.string()})->wait(), 2) << "no procedure";
    EXPECT_EQ(start({"--port", m_port.string(), "--rate", "12345", procedure("level 1").string()})
                  ->wait(),
        2);
    EXPECT_EQ(start({"--port", m_port.string(), (m_root / "none.txt").string()})->wait(), 2);
    EXPECT_EQ(start({"--port", m_port.string(), "--report", (m_root / "no" / "r").string(),
                        procedure("level 1").string()})
                  ->wait(),
        2);

    OpenFailure failure = OpenFailure::None;
    std::unique_ptr<SerialDevice> held = openPosixDevice(m_port.string(), failure);
    ASSERT_TRUE(held);
    EXPECT_EQ(run("level 1\n"), 2);
    EXPECT_TRUE(contains(out(), "Порт занят другой программой")) << out();
    held.reset();

    // The drive logs each level line as it comes: a line it got would be there by now.
    EXPECT_EQ(run("level 3\n"), 0);
    EXPECT_TRUE(eventually([&] { return contains(driveLog(), "\"/3\""); }));
    EXPECT_FALSE(contains(driveLog(), "\"/1\"")) << driveLog();
}

TEST_F(BatchProcessTest, InterruptClosesThePortAndEndsWith130)
{
    std::unique_ptr<ChildProcess> batch = start({"--port", m_port.string(), "--report",
        (m_root / "report").string(), procedure("level 1\nwait 60\nsend M\n").string()});
    ASSERT_TRUE(eventually([&] { return contains(report(), "строка 2: wait 60"); })) << out();
    batch->signal(SIGINT);
    EXPECT_EQ(batch->wait(), 130);
    EXPECT_TRUE(contains(report(), "процедура прервана на строке 2")) << report();
    OpenFailure failure = OpenFailure::None;
    EXPECT_TRUE(openPosixDevice(m_port.string(), failure)) << "the port is free again";
}

// "Anything, then the prompt" over all the text the runner keeps, the prompt never coming: the
// search is under way when SIGTERM comes (std::regex held the program, or crashed it).
TEST_F(BatchProcessTest, TermDuringALongSearchClosesThePortAndEndsWith143)
{
    std::string line;
    while (line.size() < 60000)
        line += "aZ b";
    std::unique_ptr<ChildProcess> batch
        = start({"--port", m_port.string(), "--report", (m_root / "report").string(),
            procedure("level 1\nsend " + line + "\nexpect [\\s\\S]*ZZZ 60\nsend M\n").string()});
    // Most of the drive's answer is in: it says so for every 128 bytes.
    const auto said = [&] {
        const std::string text = report();
        size_t count = 0;
        for (size_t at = text.find("longer than"); at != std::string::npos;
             at = text.find("longer than", at + 1))
            ++count;
        return count;
    };
    ASSERT_TRUE(eventually([&] { return said() >= 400; })) << said();
    batch->signal(SIGTERM);
    ASSERT_TRUE(eventually([&] { return !batch->running(); })) << "the search held it";
    EXPECT_EQ(batch->wait(), 143);
    EXPECT_TRUE(contains(report(), "процедура прервана на строке 3")) << out();
    OpenFailure failure = OpenFailure::None;
    EXPECT_TRUE(openPosixDevice(m_port.string(), failure)) << "the port is free again";
    EXPECT_FALSE(contains(driveLog(), "\"M\"")) << "nothing after the stop";
}

// In an English locale whatever kelvane-batch says of its own is English: usage, the faults of a
// file, the steps, notes and outcome; the drive's answers are printed as they came.
TEST_F(BatchProcessTest, InAnEnglishLocaleItSaysEverythingInEnglish)
{
    const auto russianIn = [](const std::string &text) {
        // Cyrillic letters are two UTF-8 bytes led by 0xD0 to 0xD3.
        return std::any_of(text.begin(), text.end(), [](char c) {
            const auto byte = static_cast<unsigned char>(c);
            return byte >= 0xD0 && byte <= 0xD3;
        });
    };
    setenv("LC_ALL", "en_US.UTF-8", 1);
    const int failed = run("level 1\n"
                           "expect F3 1>$\n"
                           "fail-on refused\n"
                           "expect never said 0.5\n");
    const std::string run = out();
    const int faulty
        = start({"--port", m_port.string(), procedure("level 1\nfrob x\n").string()})->wait();
    const std::string fault = out();
    const int usage = start({"--port"})->wait();
    const std::string help = out();
    setenv("LC_ALL", "C.UTF-8", 1);
    EXPECT_EQ(failed, 1);
    EXPECT_TRUE(contains(run, "step 2 of 4, line 2: expect F3 1>$")) << run;
    EXPECT_TRUE(contains(run, "matched: \"F3 1>\"")) << run;
    EXPECT_TRUE(contains(run, "ERROR, line 4: no answer \"never said\" within 0.5 s")) << run;
    EXPECT_FALSE(russianIn(run)) << run;
    EXPECT_EQ(faulty, 2);
    EXPECT_TRUE(contains(fault, "line 2: unknown step \"frob\"")) << fault;
    EXPECT_FALSE(russianIn(fault)) << fault;
    EXPECT_EQ(usage, 2);
    EXPECT_TRUE(contains(help, "Usage: kelvane-batch --port PORT")) << help;
    EXPECT_FALSE(russianIn(help)) << help;
}

} // namespace
