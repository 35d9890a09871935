// Reading procedure files: what each step becomes, and that every fault is found with its line.
#include "procedures/procedure.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace kelvane;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Kind = ProcedureStep::Kind;

class ProcedureTest : public ::testing::Test
{
protected:
    fs::path m_folder
        = fs::path(::testing::TempDir()) / ("kelvane-procedure-" + std::to_string(getpid()));

    void SetUp() override
    {
        fs::create_directories(m_folder / "fw");
        std::ofstream(m_folder / "fw" / "ovl.bin") << "overlay";
    }
    void TearDown() override { fs::remove_all(m_folder); }

    // The error's text, or "" when the text parses.
    std::string faultOf(const std::string &text)
    {
        try {
            parseProcedure(text, m_folder);
        } catch (const ProcedureError &e) {
            return e.what();
        }
        return "";
    }
};

TEST_F(ProcedureTest, StepsBecomeWhatTheDriveIsSentAndWaitedFor)
{
    const Procedure procedure = parseProcedure("\xEF\xBB\xBF# level one\r\n"
                                               "\r\n"
                                               "  level 1\r\n"
                                               "send M\r\n"
                                               "send \r\n"
                                               "send-raw  Ab \n"
                                               "send Тест\n"
                                               "   # indented comment\n"
                                               "rate 115200\n"
                                               "expect F3 1> 2.5\n"
                                               "expect Heads: (5)\n"
                                               "expect ^Готово$\n"
                                               "fail-on Error \\d+\n"
                                               "wait 0.25\n"
                                               "upload overlay fw/ovl.bin\n"
                                               "upload cert  fw/ovl.bin",
        m_folder);
    const auto &s = procedure.steps;
    ASSERT_EQ(s.size(), 13u);
    EXPECT_EQ(s[0].line, 3);
    EXPECT_EQ(s[0].kind, Kind::Level);
    EXPECT_EQ(s[0].bytes, "/1");
    EXPECT_EQ(s[1].bytes, "M\r");
    EXPECT_EQ(s[2].bytes, "\r"); // Enter on an empty line
    EXPECT_EQ(s[3].kind, Kind::SendRaw);
    EXPECT_EQ(s[3].bytes, " Ab "); // exactly what follows the one blank
    EXPECT_EQ(s[4].bytes, "\xD2\xE5\xF1\xF2\r"); // Windows-1251
    EXPECT_EQ(s[5].line, 9);
    EXPECT_EQ(s[5].rate->driveCommand, std::string("B1152"));
    PatternSearcher searcher;
    const auto found = [&](const ProcedureStep &step, std::string_view text) {
        return searcher.search(*step.pattern, text).outcome == PatternSearcher::Outcome::Matched;
    };
    EXPECT_EQ(s[6].time, 2500ms);
    EXPECT_TRUE(found(s[6], "\r\nF3 1>"));
    EXPECT_EQ(s[7].time, DefaultExpectTime);
    EXPECT_TRUE(found(s[7], "Heads: 5"));
    // Multi-line: ^ and $ at the drive's line ends.
    EXPECT_TRUE(found(s[8], "M\r\nГотово\r\nF3 1>"));
    EXPECT_EQ(s[9].kind, Kind::FailOn);
    EXPECT_EQ(s[10].time, 250ms);
    EXPECT_EQ(s[11].upload, UploadKind::Overlay);
    EXPECT_EQ(s[11].file, m_folder / "fw" / "ovl.bin");
    EXPECT_EQ(s[12].upload, UploadKind::CertTable);
    EXPECT_EQ(s[12].source, "upload cert  fw/ovl.bin");
}

TEST_F(ProcedureTest, EveryFaultNamesItsLine)
{
    // Patterns the engine cannot take, refused while the file is read: std::regex compiled them
    // recursively and ended the program.
    const std::string longest = "expect " + std::string(100000, 'a');
    const auto nested = [](size_t depth) {
        return "fail-on " + std::string(depth, '(') + "a" + std::string(depth, ')');
    };
    const std::pair<std::string, const char *> faults[] = {
        {"send A\n" + longest, "строка 2: регулярное выражение длиннее 4096 байт"},
        {nested(20000), "строка 1: регулярное выражение длиннее 4096 байт"},
        {nested(65), "строка 1: в регулярном выражении больше 64 вложенных скобок"},
        {"send M\nsnd M", "строка 2: неизвестный шаг «snd»"},
        {"\n\nlevel 12", "строка 3: уровень"},
        {"level", "строка 1: уровень"},
        {"level Ж", "строка 1: уровень"},
        {"rate 56700", "строка 1: скорость «56700» не из списка"},
        {"expect", "строка 1: нет регулярного выражения"},
        {"expect (unclosed", "строка 1: ошибка в регулярном выражении «(unclosed», знак 10"},
        {"expect F3 1> 0", "строка 1: время ожидания"},
        {"expect F3 1> 2,5", "строка 1: время ожидания"},
        {"expect F3 1> 86401", "строка 1: время ожидания"},
        {"wait", "строка 1: время"},
        {"wait -1", "строка 1: время"},
        {"send-raw", "строка 1: у send-raw нет текста"},
        {"send \xF0\x9F\x98\x80", "строка 1: в тексте есть знаки"},
        {"upload overlay", "строка 1: загрузка пишется"},
        {"upload firmware fw/ovl.bin", "строка 1: загрузка пишется"},
        {"send M\nupload cert fw/none.bin", "строка 2: файл"},
        {"upload cert fw", "строка 1: файл"},
        {"send M\n\xC3(", "файл не в кодировке UTF-8"},
        {"# nothing\n\n", "в файле нет ни одного шага"},
    };
    for (const auto &[text, fault] : faults)
        EXPECT_TRUE(faultOf(text).starts_with(fault))
            << text.substr(0, 80) << " gave: " << faultOf(text);
}

} // namespace
