// What showing the drive's output costs: the terminal pane against a QPlainTextEdit, and the whole
// program against a minimal terminal built on one, on the same streams in the same run.
//
//   stream   CPU of the GUI thread for a drive printing at 115 200 bit/s (16-byte pieces, 720 a
//            second), read from a pipe: the pane, then a QPlainTextEdit, twice each
//   program  the same through a pseudo-terminal: the whole program's CPU (all its threads)
//            against a minimal program that reads the pty into a QPlainTextEdit
//   flood    how fast the whole program takes in bytes written as fast as the pty allows
//   latency  how long an isolated line takes from the pty to the pane's paint
//   chunk    CPU of one 100-byte chunk appended and painted, empty pane against 50 MB held
//
// Runs offscreen unless QT_QPA_PLATFORM says otherwise; offscreen paints into memory, so the
// painting is counted. CPU time is used (other load on the machine matters less than for wall
// time); the feeders run in child processes, so their CPU is not counted.
//
//   build/bench/kelvane_bench_terminal_pane [stream] [program] [flood] [latency] [chunk]
#include "app/program.h"
#include "framework/cp1251_text.h"
#include "support/pty_pair.h"
#include "terminal/terminal_pane.h"

#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSocketNotifier>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <memory>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace kelvane;

namespace {

using Clock = std::chrono::steady_clock;

// The pane's size in the main window at its default size.
constexpr int PaneWidth = 383;
constexpr int PaneHeight = 364;
constexpr double StreamRate = 720; // pieces a second at 115 200 bit/s
constexpr size_t StreamPiece = 16;
constexpr double StreamSeconds = 5;

std::string driveText(size_t size, const char *lineEnd)
{
    std::string text;
    text.reserve(size + 64);
    for (unsigned i = 0; text.size() < size; ++i) {
        char line[96];
        std::snprintf(line, sizeof line, "F3 T>Track %5u Head %u Zone %2u LBA 0x%08X ok%s",
            i % 100000, i % 4, i % 16, i * 2654435761U, lineEnd);
        text += line;
    }
    text.resize(size);
    return text;
}

double processCpu()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double threadCpu()
{
    timespec t {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

QFont paneFont()
{
    QFont fixed(QStringLiteral("Courier New"));
    fixed.setStyleHint(QFont::TypeWriter);
    fixed.setPixelSize(11);
    return fixed;
}

// A child process writing `text` to `fd` in pieces of `piece` bytes, `rate` pieces a second
// (0: as fast as the reader takes them). Only async-signal-safe calls after the fork.
class Feeder
{
public:
    Feeder(int fd, const std::string &text, size_t piece, double rate)
    {
        m_pid = fork();
        if (m_pid != 0)
            return;
        timespec due {};
        clock_gettime(CLOCK_MONOTONIC, &due);
        const long step = rate > 0 ? static_cast<long>(1e9 / rate) : 0;
        for (size_t at = 0; at < text.size();) {
            if (step > 0) {
                due.tv_nsec += step;
                while (due.tv_nsec >= 1000000000L) {
                    due.tv_nsec -= 1000000000L;
                    ++due.tv_sec;
                }
                clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &due, nullptr);
            }
            const size_t end = std::min(text.size(), at + piece);
            while (at < end) {
                const ssize_t n = ::write(fd, text.data() + at, end - at);
                if (n > 0) {
                    at += static_cast<size_t>(n);
                } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
                    pollfd p {fd, POLLOUT, 0};
                    poll(&p, 1, 100);
                } else {
                    _exit(1);
                }
            }
        }
        _exit(0);
    }
    ~Feeder()
    {
        if (!m_done) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
    }
    bool done()
    {
        if (!m_done && waitpid(m_pid, nullptr, WNOHANG) == m_pid)
            m_done = true;
        return m_done;
    }

private:
    pid_t m_pid = -1;
    bool m_done = false;
};

// Serves the event loop until `finished` holds, sleeping while there is nothing to do as a
// program's event loop does (a busy loop would add the same CPU to both sides of a ratio). A tick
// wakes it for what no event reports (a feeder's exit).
void serveUntil(const std::function<bool()> &finished)
{
    QTimer tick;
    tick.start(10);
    while (!finished())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// A minimal terminal: a QPlainTextEdit that gets each read as Windows-1251 text, CR before LF
// dropped, appended at the end as a user-facing terminal built on it would.
class PlainTerminal
{
public:
    PlainTerminal()
    {
        m_edit.setFont(paneFont());
        m_edit.setReadOnly(true);
        m_edit.resize(PaneWidth, PaneHeight);
        m_edit.show();
    }
    void append(std::string_view bytes)
    {
        m_received += bytes.size();
        QString text = fromCp1251(bytes);
        text.remove(QLatin1Char('\r'));
        m_edit.moveCursor(QTextCursor::End);
        m_edit.insertPlainText(text);
    }
    size_t received() const { return m_received; }

private:
    QPlainTextEdit m_edit;
    size_t m_received = 0;
};

class PaneTerminal
{
public:
    PaneTerminal()
    {
        m_pane.setFont(paneFont());
        m_pane.resize(PaneWidth, PaneHeight);
        m_pane.show();
    }
    void append(std::string_view bytes)
    {
        m_received += bytes.size();
        m_pane.Append(bytes);
    }
    size_t received() const { return m_received; }
    TerminalPane &pane() { return m_pane; }

private:
    TerminalPane m_pane;
    size_t m_received = 0;
};

// Reads `fd` on the main thread as data arrives, as an event-driven terminal does.
class Reader
{
public:
    Reader(int fd, std::function<void(std::string_view)> sink)
        : m_fd(fd), m_notifier(fd, QSocketNotifier::Read), m_sink(std::move(sink))
    {
        QObject::connect(&m_notifier, &QSocketNotifier::activated, [this] { read(); });
    }

private:
    void read()
    {
        char buffer[4096];
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n > 0)
            m_sink(std::string_view(buffer, static_cast<size_t>(n)));
    }
    int m_fd;
    QSocketNotifier m_notifier;
    std::function<void(std::string_view)> m_sink;
};

// CPU of the calling thread while `Terminal` shows the stream read from a pipe.
template<typename Terminal> double streamCpu(const std::string &text)
{
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0)
        return -1;
    Terminal terminal;
    QCoreApplication::processEvents();
    Reader reader(pipeFds[0], [&](std::string_view bytes) { terminal.append(bytes); });
    const double before = threadCpu();
    {
        Feeder feeder(pipeFds[1], text, StreamPiece, StreamRate);
        serveUntil([&] { return terminal.received() >= text.size(); });
        feeder.done();
    }
    QTest::qWait(50); // the last frame
    const double cpu = threadCpu() - before;
    close(pipeFds[0]);
    close(pipeFds[1]);
    return cpu;
}

void stream()
{
    const std::string text
        = driveText(static_cast<size_t>(StreamRate * StreamSeconds) * StreamPiece, "\r\n");
    double pane = 0;
    double plain = 0;
    for (int round = 0; round < 2; ++round) {
        pane += streamCpu<PaneTerminal>(text);
        plain += streamCpu<PlainTerminal>(text);
    }
    const double seconds = 2 * StreamSeconds;
    std::printf(
        "stream: 115 200 bit/s in %zu-byte pieces, %.0f s, GUI thread CPU\n", StreamPiece, seconds);
    std::printf("  terminal pane:   %6.2f %% of a core\n", 100 * pane / seconds);
    std::printf("  QPlainTextEdit:  %6.2f %% of a core\n", 100 * plain / seconds);
    std::printf("  ratio pane/edit: %6.3f   (goal <= 0.5)\n", pane / plain);
}

// A scratch folder with the default command table and a pty published as the only port.
class ProgramSetup
{
public:
    ProgramSetup()
    {
        m_folder = std::filesystem::temp_directory_path()
            / ("kelvane-bench-" + std::to_string(getpid()));
        std::filesystem::remove_all(m_folder);
        std::filesystem::create_directories(m_folder / "class");
        makeVirtualPortsFolder((m_folder / "ports").string());
        std::filesystem::copy_file(KELVANE_DEFAULT_TABLE, m_folder / "com.dbf");
        std::filesystem::create_symlink(pty.slavePath(), m_folder / "ports" / "drive");
        environment.inventory.ttyClass = (m_folder / "class").string();
        environment.inventory.virtualPorts = (m_folder / "ports").string();
        environment.programFolder = m_folder.string();
    }
    ~ProgramSetup() { std::filesystem::remove_all(m_folder); }

    PtyPair pty;
    ProgramEnvironment environment;

private:
    std::filesystem::path m_folder;
};

// The program, connected to a fresh pty.
class ConnectedProgram
{
public:
    ConnectedProgram() : program(errors, setup.environment)
    {
        TMainForm &form = program.MainForm();
        form.resize(form.size());
        form.show();
        form.findChild<QPushButton *>("btnConnect")->click();
        pane = form.findChild<TerminalPane *>("Memo1");
        QCoreApplication::processEvents();
    }
    ~ConnectedProgram() { program.MainForm().findChild<QPushButton *>("btnDisconnect")->click(); }

    // Bytes the pane has taken in since the program started, also those its scroll-back dropped.
    size_t received() const { return static_cast<size_t>(pane->lines().end()); }

    ProgramSetup setup;
    ErrorDisplay errors;
    Program program;
    TerminalPane *pane = nullptr;
};

double programStreamCpu(const std::string &text)
{
    ConnectedProgram connected;
    const double before = processCpu();
    {
        Feeder feeder(connected.setup.pty.master(), text, StreamPiece, StreamRate);
        serveUntil([&] { return feeder.done() && connected.received() >= text.size(); });
    }
    QTest::qWait(50);
    return processCpu() - before;
}

double plainStreamCpu(const std::string &text)
{
    PtyPair pty;
    const int fd = open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    termios raw {};
    tcgetattr(fd, &raw);
    cfmakeraw(&raw);
    tcsetattr(fd, TCSANOW, &raw);
    double cpu = 0;
    {
        PlainTerminal terminal;
        Reader reader(fd, [&](std::string_view bytes) { terminal.append(bytes); });
        QCoreApplication::processEvents();
        const double before = processCpu();
        {
            Feeder feeder(pty.master(), text, StreamPiece, StreamRate);
            serveUntil([&] { return feeder.done() && terminal.received() >= text.size(); });
        }
        QTest::qWait(50);
        cpu = processCpu() - before;
    }
    close(fd);
    return cpu;
}

void program()
{
    const std::string text
        = driveText(static_cast<size_t>(StreamRate * StreamSeconds) * StreamPiece, "\r\n");
    double whole = 0;
    double plain = 0;
    for (int round = 0; round < 2; ++round) {
        whole += programStreamCpu(text);
        plain += plainStreamCpu(text);
    }
    const double seconds = 2 * StreamSeconds;
    std::printf(
        "program: 115 200 bit/s through a pty, %.0f s, process CPU (all threads)\n", seconds);
    std::printf("  whole program:                  %6.2f %% of a core\n", 100 * whole / seconds);
    std::printf("  minimal QPlainTextEdit program: %6.2f %% of a core\n", 100 * plain / seconds);
    std::printf("  ratio program/minimal:          %6.3f   (goal <= 0.5)\n", whole / plain);
}

void flood()
{
    constexpr size_t Size = 64 * 1024 * 1024;
    for (const char *lineEnd : {"\n", ""}) {
        // LF alone, so the CR+LF rule adds nothing and the pane takes exactly what was written.
        const std::string text = *lineEnd ? driveText(Size, lineEnd) : std::string(Size, 'x');
        ConnectedProgram connected;
        const auto start = Clock::now();
        const double before = processCpu();
        {
            Feeder feeder(connected.setup.pty.master(), text, 4096, 0);
            serveUntil([&] { return feeder.done() && connected.received() >= text.size(); });
        }
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        const double cpu = processCpu() - before;
        std::printf("flood %s: %.0f MB in %.2f s: %6.1f MB/s, %.2f s CPU   (goal >= 20 MB/s)\n",
            *lineEnd ? "with line feeds   " : "without line feeds", Size / 1e6, seconds,
            Size / 1e6 / seconds, cpu);
    }
}

void latency()
{
    ConnectedProgram connected;
    struct PaintTimes : QObject
    {
        std::vector<Clock::time_point> times;
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::Paint)
                times.push_back(Clock::now());
            return false;
        }
    } paints;
    connected.pane->viewport()->installEventFilter(&paints);
    QTest::qWait(200);
    std::vector<Clock::time_point> writes;
    std::atomic<bool> finished = false;
    std::thread drive([&] {
        for (int i = 0; i < 100; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            writes.push_back(Clock::now());
            connected.setup.pty.Write("F3 T>Track 12345 Head 0 ok\r\n");
        }
        finished = true;
    });
    serveUntil([&] { return finished.load(); });
    drive.join();
    QTest::qWait(100);
    std::vector<double> delays;
    for (const Clock::time_point written : writes) {
        const auto painted = std::upper_bound(paints.times.begin(), paints.times.end(), written);
        if (painted != paints.times.end())
            delays.push_back(std::chrono::duration<double, std::milli>(*painted - written).count());
    }
    std::sort(delays.begin(), delays.end());
    if (delays.empty()) {
        std::printf("latency: no paint seen\n");
        return;
    }
    std::printf("latency: an isolated line, write on the pty to the pane's paint, %zu lines\n",
        delays.size());
    std::printf("  median %.3f ms, 90th percentile %.3f ms   (goal: median <= 2 ms)\n",
        delays[delays.size() / 2], delays[delays.size() * 9 / 10]);
}

// CPU per chunk appended and painted, and per chunk appended alone.
std::pair<double, double> chunkCost(size_t content, bool lineFeeds)
{
    const char *lineEnd = lineFeeds ? "\r\n" : " ";
    PaneTerminal terminal;
    TerminalPane &pane = terminal.pane();
    const std::string filler = driveText(8 * 1024 * 1024, lineEnd);
    for (size_t filled = 0; filled < content; filled += filler.size())
        pane.Append(std::string_view(filler).substr(0, std::min(filler.size(), content - filled)));
    QCoreApplication::processEvents();
    const std::string chunk = driveText(100, lineEnd);
    QImage screen(pane.size(), QImage::Format_ARGB32_Premultiplied);
    constexpr int Chunks = 2000;
    double before = threadCpu();
    for (int i = 0; i < Chunks; ++i) {
        pane.Append(chunk);
        pane.render(&screen); // what the user sees after each chunk
    }
    const double painted = (threadCpu() - before) / Chunks;
    before = threadCpu();
    for (int i = 0; i < Chunks; ++i)
        pane.Append(chunk);
    const double appended = (threadCpu() - before) / Chunks;
    return {painted, appended};
}

void chunk()
{
    std::printf("chunk: CPU of a 100-byte chunk, appended and painted (appended alone)\n");
    for (const bool lineFeeds : {true, false}) {
        const auto [emptyPainted, emptyAppended] = chunkCost(0, lineFeeds);
        const auto [fullPainted, fullAppended] = chunkCost(50 * 1000 * 1000, lineFeeds);
        std::printf("  %s: empty %7.2f us (%5.2f), 50 MB %7.2f us (%5.2f): ratio %.2f (%.2f)"
                    "   (goal <= 1.5)\n",
            lineFeeds ? "with line feeds   " : "without line feeds", emptyPainted * 1e6,
            emptyAppended * 1e6, fullPainted * 1e6, fullAppended * 1e6, fullPainted / emptyPainted,
            fullAppended / emptyAppended);
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(resources);
    const std::vector<std::pair<const char *, void (*)()>> sections = {{"stream", stream},
        {"program", program}, {"flood", flood}, {"latency", latency}, {"chunk", chunk}};
    std::printf("platform: %s\n", qPrintable(QGuiApplication::platformName()));
    for (const auto &[name, run] : sections) {
        const bool chosen = argc < 2 || std::any_of(argv + 1, argv + argc, [&](const char *arg) {
            return !strcmp(arg, name);
        });
        if (chosen) {
            run();
            std::fflush(stdout);
        }
    }
    return 0;
}
