// Wake-ups of the program's main thread while it watches for ports and nothing changes, and how
// many refreshes a plugged adapter gives. The thread's voluntary context switches count each
// time it slept and was woken; the one timer that ends each run adds one.
//
//   build/bench/kelvane_bench_port_watch_idle [seconds]
#include "connection/port_watcher.h"
#include "support/fake_machine.h"
#include "support/pty_pair.h"

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <sys/syscall.h>
#include <unistd.h>

using namespace kelvane;

namespace {

long voluntarySwitches()
{
    std::ifstream status("/proc/self/task/" + std::to_string(syscall(SYS_gettid)) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("voluntary_ctxt_switches:", 0) == 0)
            return std::stol(line.substr(line.find(':') + 1));
    return -1;
}

struct Run
{
    long wakeUps;
    int refreshes;
};

// Serves the event loop for `seconds` with `watcher` on, running `during` once at the start.
Run serve(PortWatcher &watcher, int seconds, const std::function<void()> &during = {})
{
    int refreshes = 0;
    const QMetaObject::Connection counting
        = QObject::connect(&watcher, &PortWatcher::portsChanged, [&] { ++refreshes; });
    QCoreApplication::processEvents();
    const long before = voluntarySwitches();
    if (during)
        QTimer::singleShot(0, during);
    QTimer::singleShot(seconds * 1000, [] { QCoreApplication::exit(); });
    QCoreApplication::exec();
    const long after = voluntarySwitches();
    QObject::disconnect(counting);
    return {after - before, refreshes};
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;

    {
        PortWatcher watcher {PortInventory {}};
        const Run idle = serve(watcher, seconds);
        std::printf("this machine's /dev, idle %d s: %ld wake-ups, %d refreshes\n", seconds,
            idle.wakeUps, idle.refreshes);
    }

    const std::filesystem::path root = std::filesystem::temp_directory_path()
        / ("kelvane-bench-ports-" + std::to_string(getpid()));
    {
        PortInventory inventory;
        FakeMachine machine(root, inventory);
        PortWatcher watcher(inventory);
        const Run idle = serve(watcher, seconds);
        std::printf("fake machine, idle %d s: %ld wake-ups, %d refreshes\n", seconds, idle.wakeUps,
            idle.refreshes);
        PtyPair adapter, drive;
        const Run plugged = serve(watcher, seconds, [&] {
            machine.plug(UsbAdapter {.tty = "ttyUSB0"}, adapter.slavePath());
            machine.publish("drive", drive.slavePath());
        });
        std::printf("fake machine, an adapter and a virtual drive appear, then %d s idle: %ld "
                    "wake-ups, %d refreshes\n",
            seconds, plugged.wakeUps, plugged.refreshes);
    }
    std::filesystem::remove_all(root);
    return 0;
}
