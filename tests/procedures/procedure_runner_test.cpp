// The runner on a real port over a pseudo-terminal, with the test's thread playing the drive:
// what an expect and a fail-on look at, and that both see Cyrillic text a character at a time.
#include "procedures/procedure_runner.h"
#include "serial/com_port.h"
#include "support/pty_pair.h"
#include "support/pumped_main_thread.h"

#include <gtest/gtest.h>
#include <thread>

using namespace kelvane;

namespace {

using namespace std::chrono_literals;

class PumpedHost : public ProcedureHost
{
public:
    explicit PumpedHost(PumpedMainThread &mainThread) : m_mainThread(mainThread) { }

    Wait waitUntil(const std::function<bool()> &done, Clock::time_point deadline) override
    {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        return m_mainThread.pumpUntil(done, std::max(left, 0ms)) ? Wait::Done : Wait::TimedOut;
    }
    bool stopRequested() const override { return false; }

private:
    PumpedMainThread &m_mainThread;
};

class Steps : public ProcedureObserver
{
public:
    void stepStarted(const ProcedureStep &step, size_t, size_t) override
    {
        lines.push_back(step.line);
    }
    void stepPassed(const ProcedureStep &, const std::string &note) override
    {
        if (!note.empty())
            notes.push_back(note);
    }
    std::vector<int> lines;
    std::vector<std::string> notes;
};

class ProcedureRunnerTest : public ::testing::Test
{
protected:
    PtyPair m_pty;
    PumpedMainThread m_mainThread;
    PumpedHost m_host {m_mainThread};
    Steps m_steps;
    TBComPort m_port {m_mainThread};
    ProcedureRunner m_runner {m_port, m_host, m_steps};
    std::string m_wire; // what the drive got

    void SetUp() override
    {
        m_port.SetPort(m_pty.slavePath());
        m_port.OnRxChar = [this](TBComPort &, int32_t count) {
            std::string chunk;
            m_port.ReceiveText(chunk, count);
            m_runner.received(chunk);
        };
        ASSERT_TRUE(m_port.OpenPort());
    }

    // Runs `text` while the drive answers each request with its reply, chunk by chunk.
    ProcedureOutcome run(const std::string &text,
        std::vector<std::pair<std::string, std::vector<std::string>>> script)
    {
        std::thread drive([&] {
            for (const auto &[request, reply] : script) {
                m_wire += m_pty.Read(request.size());
                for (const std::string &chunk : reply) {
                    m_pty.Write(chunk);
                    std::this_thread::sleep_for(30ms); // separate chunks on the port's side
                }
            }
        });
        const ProcedureOutcome outcome = m_runner.run(parseProcedure(text, "."));
        drive.join();
        m_wire += m_pty.readUntilQuiet(50ms);
        return outcome;
    }
};

TEST_F(ProcedureRunnerTest, ExpectLooksOnlyAtTheAnswerToTheLatestWrite)
{
    const ProcedureOutcome outcome = run("send A\n"
                                         "expect ^О.$ 2\n" // "ОК" in Cyrillic: two characters
                                         "expect ОК 2\n" // the same answer still counts
                                         "send-raw B\n"
                                         "expect ОК 0.3\n",
        {{"A\r", {"\r\n\xCE", "\xCA\r\n"}}, {"B", {"\r\nno\r\n"}}});
    EXPECT_EQ(outcome.status, ProcedureOutcome::Status::Failed);
    EXPECT_EQ(outcome.line, 5);
    EXPECT_EQ(outcome.message, "нет ответа «ОК» за 0.3 с");
    EXPECT_EQ(m_steps.notes, (std::vector<std::string> {"совпало: «ОК»", "совпало: «ОК»"}));
    EXPECT_EQ(m_wire, "A\rB");
}

TEST_F(ProcedureRunnerTest, FailOnWatchesFromItsLineAcrossChunksAndStopsTheProcedure)
{
    const ProcedureOutcome outcome = run("send A\n"
                                         "wait 0.3\n"
                                         "fail-on Ош.бка\n" // armed after the first answer
                                         "send B\n"
                                         "wait 5\n"
                                         "send C\n",
        {{"A\r", {"\xCE\xF8\xE8\xE1\xEA\xE0 1\r\n"}}, {"B\r", {"\xCE\xF8", "\xE8\xE1\xEA\xE0 2"}}});
    EXPECT_EQ(outcome.status, ProcedureOutcome::Status::Failed);
    EXPECT_EQ(outcome.line, 5);
    EXPECT_EQ(outcome.message, "получено «Ошибка», что запрещает fail-on строки 3 «Ош.бка»");
    EXPECT_EQ(m_steps.lines, (std::vector<int> {1, 2, 3, 4, 5}));
    EXPECT_EQ(m_wire, "A\rB\r"); // C never went out
}

// "Anything, then the prompt" over the most text the runner keeps, and a pattern whose search
// explodes: std::regex recursed per character (a crash) and backtracked for good (a hang).
TEST_F(ProcedureRunnerTest, SearchesOfTheLongestAnswerEndAndATooComplexOneFailsItsLine)
{
    std::string answer;
    while (answer.size() < ProcedureRunner::MaxText)
        answer += "abc xyz \xC4\xE0\r\n"; // "Да"
    const std::string line(300, 'a');
    const ProcedureOutcome outcome = run("send A\n"
                                         "expect [\\s\\S]*ZZZ 20\n"
                                         "send B\n"
                                         "expect [^Z]*ZZZ 20\n"
                                         "send-raw "
            + line
            + "Z\n"
              "expect (a|b|c|\\s|\\S)*ZZZ 20\n",
        {{"A\r", {answer + "ZZZ"}}, {"B\r", {answer + "ZZZ"}}, {line + "Z", {line + "Z"}}});
    EXPECT_EQ(outcome.status, ProcedureOutcome::Status::Failed);
    EXPECT_EQ(outcome.line, 6);
    EXPECT_EQ(outcome.message,
        "регулярное выражение «(a|b|c|\\s|\\S)*ZZZ» слишком сложно для полученного текста");
    ASSERT_EQ(m_steps.notes.size(), 2u);
    for (const std::string &note : m_steps.notes)
        EXPECT_TRUE(note.ends_with("Да\r\nZZZ»")) << note.substr(note.size() - 40);
}

} // namespace
