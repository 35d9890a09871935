#include "support/child_process.h"

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>

extern char **environ;

namespace kelvane {

std::string readFile(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

ChildProcess::ChildProcess(const std::string &program, const std::vector<std::string> &options,
    const std::filesystem::path &output)
{
    std::vector<std::string> args = {program};
    args.insert(args.end(), options.begin(), options.end());
    std::vector<char *> argv;
    for (std::string &arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&files, 1, 2);
    if (posix_spawn(&m_pid, argv[0], &files, nullptr, argv.data(), environ) != 0)
        m_pid = -1;
    posix_spawn_file_actions_destroy(&files);
}

ChildProcess::~ChildProcess()
{
    if (m_pid > 0)
        stop(SIGKILL);
}

long ChildProcess::cpuTicks() const
{
    std::istringstream stat(readFile("/proc/" + std::to_string(m_pid) + "/stat"));
    std::string field;
    for (int i = 1; i < 14 && stat >> field; ++i) { }
    long user = 0, system = 0;
    stat >> user >> system;
    return user + system;
}

bool ChildProcess::running()
{
    int status = 0;
    if (m_pid <= 0 || waitpid(m_pid, &status, WNOHANG) == 0)
        return m_pid > 0;
    m_status = status;
    m_pid = -1;
    return false;
}

int ChildProcess::stop(int signal)
{
    if (m_pid > 0) {
        kill(m_pid, signal);
        waitpid(m_pid, &m_status, 0);
        m_pid = -1;
    }
    return exitCode();
}

int ChildProcess::wait()
{
    if (m_pid > 0) {
        waitpid(m_pid, &m_status, 0);
        m_pid = -1;
    }
    return exitCode();
}

void ChildProcess::signal(int signal)
{
    if (m_pid > 0)
        kill(m_pid, signal);
}

int ChildProcess::exitCode() const
{
    return WIFEXITED(m_status) ? WEXITSTATUS(m_status) : 128 + WTERMSIG(m_status);
}

} // namespace kelvane
