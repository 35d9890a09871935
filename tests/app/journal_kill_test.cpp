// The real program ended from outside in the middle of a session: it runs offscreen as a child
// process, connected from its command line to a pty where the test plays the drive. Killed with
// SIGKILL while the drive keeps talking, whatever the journal held stays, and nothing in it is
// torn; ended with SIGTERM or SIGHUP, it ends as when its window is closed.
#include "support/pty_pair.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstring>
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

// The program on `pty`, with its own folders under `root` and its output in root/output.txt.
pid_t startProgram(const fs::path &root, PtyPair &pty)
{
    fs::remove_all(root);
    fs::create_directories(root);
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
    if (posix_spawn(&pid, argv[0], &files, nullptr, argv.data(), envp.data()) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&files);
    return pid;
}

// The session's journal file, once the program has made it; an empty path after 20 s.
fs::path journalOf(const fs::path &root)
{
    const fs::path folder = root / "STATE" / "kelvane" / "journal";
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    fs::path journal;
    while (journal.empty() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(20ms);
        journal = onlyFile(folder);
    }
    return journal;
}

TEST(JournalKill, KilledProgramLeavesEveryLineWrittenWholeAndInOrder)
{
    const fs::path root
        = fs::path(::testing::TempDir()) / ("kelvane-kill-" + std::to_string(getpid()));
    PtyPair pty;
    const pid_t pid = startProgram(root, pty);
    ASSERT_GT(pid, 0);
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    const fs::path journal = journalOf(root);
    if (journal.empty()) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        FAIL() << "no journal; the program said: " << readFile(root / "output.txt");
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
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
        << readFile(root / "output.txt");

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

TEST(JournalKill, TermAndHangUpEndTheProgramAsClosingItsWindowDoes)
{
    for (const int signal : {SIGTERM, SIGHUP}) {
        SCOPED_TRACE(strsignal(signal));
        const fs::path root = fs::path(::testing::TempDir())
            / ("kelvane-end-" + std::to_string(getpid()) + "-" + std::to_string(signal));
        PtyPair pty;
        const pid_t pid = startProgram(root, pty);
        ASSERT_GT(pid, 0);
        const fs::path journal = journalOf(root);
        pty.Write("F3 T>");
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        while (readFile(journal).find("< F3 T>") == std::string::npos
            && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(10ms);
        kill(pid, signal);
        int status = 0;
        while (waitpid(pid, &status, WNOHANG) == 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(10ms);
        if (std::chrono::steady_clock::now() >= deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
        }
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << status << ": " << readFile(root / "output.txt");
        const std::string text = readFile(journal);
        EXPECT_TRUE(text.ends_with(" Программа завершена\n")) << text;
        EXPECT_NE(readFile(root / "CONFIG" / "kelvane" / "kelvane.conf").find("geometry="),
            std::string::npos)
            << "the window's place is kept";
        fs::remove_all(root);
    }
}

} // namespace
