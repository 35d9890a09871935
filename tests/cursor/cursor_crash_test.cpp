// What reaches the file when the program dies: a child process edits, appends and inserts through
// the cursor and is killed before it closes the table; the next open repairs the record count and
// finds every stored record. And a store that cannot reach the file is an error, not a loss.
#include "cursor/table_cursor.h"
#include "dbf/errors.h"
#include "support/dbf/dbf_test_support.h"

#include <csignal>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace kelvane;

using namespace DbfTest;
using ::testing::ElementsAre;

namespace {

const std::vector<FieldLayout> Fields = {{"NAME", 'C', 10}, {"COMAND", 'C', 8}};
// Runs `work` in a child process. The child hands its report ("ready", or the error that escaped)
// to the parent through a pipe and then waits, with all its objects alive, to be killed; the
// parent kills it with SIGKILL once it has the report.
using Reporter = std::function<void(const std::string &)>;

[[noreturn]] void reportAndWait(int fd, const std::string &report)
{
    (void)!write(fd, report.data(), report.size());
    close(fd);
    for (;;)
        pause();
}

std::string runAndKill(const std::function<void(const Reporter &)> &work)
{
    int fds[2];
    if (pipe(fds) != 0)
        return "no pipe";
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        try {
            work([&](const std::string &report) { reportAndWait(fds[1], report); });
            reportAndWait(fds[1], "the work did not report");
        } catch (const std::exception &error) {
            reportAndWait(fds[1], error.what());
        }
    }
    close(fds[1]);
    char text[256] = {};
    const ssize_t n = read(fds[0], text, sizeof text - 1);
    close(fds[0]);
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFSIGNALED(status) || WTERMSIG(status) != SIGKILL)
        return "the child was not killed";
    return n > 0 ? std::string(text, size_t(n)) : "no report";
}

class CursorCrash : public ::testing::Test
{
protected:
    void SetUp() override
    {
        TableImage image(0x03, Fields);
        for (const char *name : {"one", "two"})
            image.records.push_back(recordBytes(Fields, {name, "old"}));
        WriteFile(m_path, image.bytes());
    }

    void Open(TDbf &dbf)
    {
        dbf.SetFileName(m_path);
        dbf.setErrorSink(m_hooks);
        dbf.setToday(RecordingHooks::today);
        dbf.Open();
    }

    TempDir m_dir;
    std::string m_path = m_dir.path("com.dbf");
    RecordingHooks m_hooks;
};

TEST_F(CursorCrash, KilledBeforeCloseLosesNoStoredRecord)
{
    const std::string report = runAndKill([&](const Reporter &report) {
        TDbf dbf;
        Open(dbf);
        dbf.Edit();
        dbf.FieldByName("COMAND").SetAsString("edited");
        dbf.Post();
        for (const char *name : {"three", "four"}) {
            dbf.Append();
            dbf.FieldByName("NAME").SetAsString(name);
            dbf.Post();
        }
        dbf.First();
        dbf.Insert();
        dbf.FieldByName("NAME").SetAsString("five");
        dbf.Next(); // leaving the modified insert stores it
        dbf.Edit();
        dbf.FieldByName("NAME").SetAsString("unstored");
        // Killed while waiting: the edit in progress and the header never reach the file.
        report("ready");
    });
    ASSERT_EQ(report, "ready");

    TDbf dbf;
    Open(dbf);
    EXPECT_THAT(m_hooks.messages,
        ElementsAre("Invalid Record Count,\rRecordCount in Hdr : 2\rexpected : 5"));
    std::vector<std::string> rows;
    for (dbf.First(); !dbf.Eof(); dbf.Next())
        rows.push_back(
            dbf.FieldByName("NAME").AsString() + "/" + dbf.FieldByName("COMAND").AsString());
    EXPECT_THAT(rows, ElementsAre("one/edited", "two/old", "three/", "four/", "five/"));
    dbf.Close();
    EXPECT_EQ(runPython("import dbfread\nprint(len(dbfread.DBF('" + m_path + "')))\n"), "5\n");
}

TEST_F(CursorCrash, StoreThatCannotReachTheFileIsAnErrorAndStaysPending)
{
    const size_t size = ReadFile(m_path).size();
    const std::string report = runAndKill([&](const Reporter &report) {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit {size, size};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
            throw std::runtime_error("setrlimit failed");
        TDbf dbf;
        Open(dbf);
        dbf.Append();
        dbf.FieldByName("NAME").SetAsString("lost?");
        try {
            dbf.Post();
        } catch (const EWriteError &error) {
            report(dbf.State() == dsInsert && dbf.Modified() ? error.what() : "insert dropped");
        }
        report("stored");
    });
    EXPECT_EQ(report, "Stream write error");
    EXPECT_EQ(ReadFile(m_path).size(), size) << "nothing was appended";
}

} // namespace
