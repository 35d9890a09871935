// ChildProcess: one of the project's executables run by a test as a user runs it, its standard
// output and error going to one file.
#pragma once

#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

namespace kelvane {

std::string readFile(const std::filesystem::path &path);

class ChildProcess
{
public:
    ChildProcess(const std::string &program, const std::vector<std::string> &options,
        const std::filesystem::path &output);
    ~ChildProcess(); // kills it when still running
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;

    bool started() const { return m_pid > 0; }
    // Processor time it has used so far, in clock ticks.
    long cpuTicks() const;
    bool running();
    // Sends `signal` and waits; the exit code, or 128 + the signal that killed it.
    int stop(int signal);
    // Waits for the end; the exit code, or 128 + the signal that killed it.
    int wait();
    // Sends `signal` without waiting.
    void signal(int signal);

private:
    int exitCode() const;

    pid_t m_pid = -1;
    int m_status = 0;
};

} // namespace kelvane
