// Uploading a 4 MiB file over a pseudo-terminal, against writing the same bytes raw through the
// port: what the pacing by transmit-empty events costs.
//
//   build/bench/kelvane_bench_upload
#include "app/program.h"
#include "framework/guarded_application.h"
#include "support/gui/scripted_dialogs.h"
#include "support/pty_pair.h"
#include "support/pumped_main_thread.h"

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace kelvane;

namespace {

using Clock = std::chrono::steady_clock;
constexpr size_t FileSize = 4 * 1024 * 1024;

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double seconds(Clock::time_point since)
{
    return std::chrono::duration<double>(Clock::now() - since).count();
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    GuardedApplication app(argc, argv);
    Q_INIT_RESOURCE(resources);
    const std::string folder = "/tmp/kelvane-bench-" + std::to_string(getpid());
    std::filesystem::create_directories(folder + "/class");
    makeVirtualPortsFolder(folder + "/ports");
    const std::string file = folder + "/FW.BIN";
    std::string data(FileSize, '\0');
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>(i * 131 + 7);
    std::ofstream(file, std::ios::binary) << data;
    std::filesystem::copy_file(KELVANE_DEFAULT_TABLE, folder + "/com.dbf");

    ScriptedDialogs dialogs;
    std::vector<double> uploads;
    std::vector<double> raws;
    for (int round = 0; round < 3; ++round) {
        {
            PtyPair pty;
            std::filesystem::remove(folder + "/ports/drive");
            std::filesystem::create_symlink(pty.slavePath(), folder + "/ports/drive");
            ProgramEnvironment environment;
            environment.inventory.ttyClass = folder + "/class";
            environment.inventory.virtualPorts = folder + "/ports";
            environment.programFolder = folder;
            dialogs.answerOpenFile(QString::fromStdString(file));
            Program program(app.errors(), environment);
            program.MainForm().findChild<QPushButton *>("btnConnect")->click();
            PtyReader sink(pty);
            const auto start = Clock::now();
            program.MainForm().findChild<QAction *>("overley1")->trigger();
            while (sink.received() < FileSize)
                QCoreApplication::processEvents();
            uploads.push_back(seconds(start));
        }
        {
            PtyPair pty;
            PumpedMainThread mainThread;
            TBComPort port(mainThread);
            port.SetPort(pty.slavePath());
            port.OpenPort();
            PtyReader sink(pty);
            const auto start = Clock::now();
            for (size_t at = 0; at < data.size(); at += 2048)
                port.SendText(std::string_view(data).substr(at, 2048));
            while (sink.received() < FileSize)
                std::this_thread::yield();
            raws.push_back(seconds(start));
        }
    }
    std::filesystem::remove_all(folder);
    for (const QString &error : dialogs.errors)
        std::fprintf(stderr, "error: %s\n", qPrintable(error));
    const double upload = median(uploads);
    const double raw = median(raws);
    std::printf("4 MiB over a pseudo-terminal, median of 3:\n");
    std::printf("  upload, paced by transmit-empty: %7.3f s  (%6.1f MiB/s)\n", upload, 4 / upload);
    std::printf("  raw writes of 2048 bytes:        %7.3f s  (%6.1f MiB/s)\n", raw, 4 / raw);
    std::printf("  ratio upload/raw:                %7.2f\n", upload / raw);
    return 0;
}
