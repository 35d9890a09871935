// The journal of the real program killed with SIGKILL in the middle of a session: the program
// runs offscreen as a child process, connected from its command line to a pty where the test
// plays a drive that keeps talking. Whatever the journal held when the kill came stays, and
// nothing in it is torn.
#include "support/pty_pair.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace kelvane;

extern char **environ;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string readFile(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The one file in `folder`, or an empty path.
fs::path onlyFile(const fs::path &folder)
{
    std::vector<fs::path> files;
    std::error_code error;
    for (const auto &entry : fs::directory_iterator(folder, error))
        files.push_back(entry.path());
    return files.size() == 1 ? files[0] : fs::path();
}

// Lines "< line N" received so far, counted in the journal's text.
int receivedLines(const std::string &journal)
{
    int count = 0;
    for (size_t at = journal.find(" < line "); at != std::string::npos;
         at = journal.find(" < line ", at + 1))
        ++count;
    return count;
}

TEST(JournalKill, KilledProgramLeavesEveryLineWrittenWholeAndInOrder)
{
    const fs::path root
        = fs::path(::testing::TempDir()) / ("kelvane-kill-" + std::to_string(getpid()));
    fs::remove_all(root);
    fs::create_directories(root);
    PtyPair pty;

    std::vector<std::string> env;
    for (char **e = environ; *e; ++e)
        if (!std::regex_search(*e, std::regex("^(XDG_[A-Z_]+|QT_QPA_PLATFORM)=")))
            env.emplace_back(*e);
    env.push_back("QT_QPA_PLATFORM=offscreen");
    for (const char *name : {"CONFIG", "STATE", "DATA", "RUNTIME"}) {
        fs::create_directories(root / name);
        fs::permissions(root / name, fs::perms::owner_all);
        env.push_back(std::string("XDG_") + name
            + (std::string(name) == "RUNTIME" ? "_DIR=" : "_HOME=") + (root / name).string());
    }
    std::vector<std::string> args
        = {KELVANE_PATH, "--port", pty.slavePath(), "--rate", "57600", "--connect"};
    std::vector<char *> argv, envp;
    for (std::string &arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    for (std::string &entry : env)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    const std::string output = (root / "output.txt").string();
    posix_spawn_file_actions_addopen(&files, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&files, 1, 2);
    pid_t pid = -1;
    ASSERT_EQ(posix_spawn(&pid, argv[0], &files, nullptr, argv.data(), envp.data()), 0);
    posix_spawn_file_actions_destroy(&files);

    const fs::path folder = root / "STATE" / "kelvane" / "journal";
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    fs::path journal;
    while (journal.empty() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(20ms);
        journal = onlyFile(folder);
    }
    if (journal.empty()) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        FAIL() << "no journal; the program said: " << readFile(output);
    }

    // The drive talks on until the kill; at least 50 of its lines are in the journal first.
    std::atomic<bool> talking = true;
    std::thread drive([&] {
        for (int i = 1; talking; ++i) {
            pty.Write("line " + std::to_string(i) + "\r\n");
            std::this_thread::sleep_for(1ms);
        }
    });
    while (receivedLines(readFile(journal)) < 50 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(10ms);
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    talking = false;
    drive.join();
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << readFile(output);

    const std::string text = readFile(journal);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\n') << "the last line is whole";
    std::istringstream lines(text);
    static const std::regex Stamped(R"(^\d\d:\d\d:\d\d\.\d{3} .*$)");
    static const std::regex Received(R"(^\d\d:\d\d:\d\d\.\d{3} < line (\d+)$)");
    int expected = 1;
    for (std::string line; std::getline(lines, line);) {
        EXPECT_TRUE(std::regex_match(line, Stamped)) << line;
        std::smatch match;
        if (std::regex_match(line, match, Received)) {
            EXPECT_EQ(std::stoi(match[1].str()), expected++) << "no line lost before the last";
        }
    }
    EXPECT_GE(expected, 51);
    fs::remove_all(root);
}

} // namespace
