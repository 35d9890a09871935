#include "batch/stop_signals.h"

#include <atomic>
#include <csignal>
#include <mutex>
#include <windows.h>

namespace kelvane {

namespace {

// Ctrl+C, Ctrl+Break and the console's close, a logoff and a shutdown come to a handler, a plain
// function that the system runs on a thread of its own; what it needs is here. One StopSignals
// lives in the program at a time.
struct ConsoleStop
{
    std::mutex mutex;
    std::function<void()> stop; // guarded by mutex
    std::atomic<int> signal = 0;
    HANDLE finished = nullptr; // set when the run has ended
};

// Never destroyed: the system may call the handler while the program ends.
ConsoleStop &consoleStop()
{
    static ConsoleStop *const Instance = new ConsoleStop;
    return *Instance;
}

BOOL WINAPI onConsoleEvent(DWORD event)
{
    ConsoleStop &console = consoleStop();
    // Ctrl+C and closing the window are a person's stop, as Ctrl+C on Linux; the session's end is
    // the system's, as SIGTERM there.
    const bool sessionEnds = event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT;
    int none = 0;
    if (console.signal.compare_exchange_strong(none, sessionEnds ? SIGTERM : SIGINT)) {
        std::lock_guard lock(console.mutex);
        if (console.stop)
            console.stop();
    }
    // After a close the system ends the process as soon as the handler returns (and after 5 s
    // at the latest): the port is closed first.
    if (event == CTRL_CLOSE_EVENT || sessionEnds)
        WaitForSingleObject(console.finished, 4500);
    return TRUE;
}

} // namespace

struct StopSignals::Watch
{
};

StopSignals::StopSignals(std::function<void()> stop) : m_watch(std::make_unique<Watch>())
{
    ConsoleStop &console = consoleStop();
    {
        std::lock_guard lock(console.mutex);
        console.stop = std::move(stop);
    }
    console.signal = 0;
    if (!console.finished)
        console.finished = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ResetEvent(console.finished);
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

StopSignals::~StopSignals()
{
    ConsoleStop &console = consoleStop();
    {
        // A handler that is calling the stop finishes first: the loop it stops ends after this.
        std::lock_guard lock(console.mutex);
        console.stop = nullptr;
    }
    SetEvent(console.finished);
}

int StopSignals::signal() const
{
    return consoleStop().signal.load();
}

} // namespace kelvane
