#include "virtual_drive/drive_server.h"

#include "virtual_drive/drive_texts.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <poll.h>
#include <stdexcept>
#include <sys/inotify.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace kelvane {

namespace {

sigset_t stopSignals()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    return set;
}

std::string timestamp()
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto ms
        = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()) % 1000;
    std::tm local {};
    localtime_r(&seconds, &local);
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min,
        local.tm_sec, static_cast<int>(ms.count()));
    return text;
}

} // namespace

DriveServer::DriveServer(
    VirtualDrive &drive, int master, const std::string &slavePath, std::ostream &log)
    : m_drive(drive), m_master(master), m_log(log)
{
    const sigset_t set = stopSignals();
    sigprocmask(SIG_BLOCK, &set, nullptr);
    m_signals = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
    m_opens = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_signals < 0 || m_opens < 0
        || inotify_add_watch(m_opens, slavePath.c_str(), IN_OPEN) < 0) {
        const int error = errno;
        release();
        throw std::runtime_error(localText(DriveText::NotWatched, {std::strerror(error)}));
    }
    m_hostConnected = !masterHungUp();
}

DriveServer::~DriveServer()
{
    release();
}

void DriveServer::release()
{
    if (m_signals >= 0)
        close(m_signals);
    if (m_opens >= 0)
        close(m_opens);
}

int DriveServer::run()
{
    for (;;) {
        pollfd fds[3] = {
            {m_signals, POLLIN, 0},
            {m_opens, POLLIN, 0},
            // A hung-up master reports POLLHUP whatever it is asked: leave it out meanwhile.
            {m_hostConnected ? m_master : -1,
                static_cast<short>(POLLIN | (m_pending.empty() ? 0 : POLLOUT)), 0},
        };
        if (poll(fds, 3, pollTimeout()) < 0) {
            if (errno == EINTR)
                continue;
            throw std::runtime_error(localText(DriveText::PollFailed, {std::strerror(errno)}));
        }
        if (fds[0].revents != 0)
            return takeSignal();
        if (fds[1].revents != 0)
            noticeOpens();
        if (fds[2].revents & (POLLIN | POLLHUP | POLLERR))
            receive();
        if (fds[2].revents & POLLOUT)
            flush();
        send(m_drive.tick(VirtualDrive::Clock::now()));
        logDrive();
    }
}

int DriveServer::pollTimeout() const
{
    const auto deadline = m_drive.deadline();
    if (!deadline)
        return -1;
    const auto left
        = std::chrono::ceil<std::chrono::milliseconds>(*deadline - VirtualDrive::Clock::now());
    return static_cast<int>(std::clamp<int64_t>(left.count(), 0, 60'000));
}

int DriveServer::takeSignal()
{
    signalfd_siginfo info {};
    if (read(m_signals, &info, sizeof info) != sizeof info)
        return SIGTERM;
    log(localText(DriveText::Stopped, {strsignal(static_cast<int>(info.ssi_signo))}));
    return static_cast<int>(info.ssi_signo);
}

void DriveServer::noticeOpens()
{
    char events[4096];
    while (read(m_opens, events, sizeof events) > 0) { }
    if (m_hostConnected)
        return;
    m_hostConnected = true;
    log(localText(DriveText::HostOpened));
    // A program that opened, wrote and closed before this notice left its bytes on the master.
    if (masterHungUp())
        receive();
}

void DriveServer::receive()
{
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(m_master, buffer, sizeof buffer);
        if (n > 0) {
            const std::string_view bytes(buffer, static_cast<size_t>(n));
            send(m_drive.feed(bytes, VirtualDrive::Clock::now()));
            logDrive();
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
            return;
        return hostGone(); // EIO: the program closed the slave
    }
}

void DriveServer::send(std::string bytes)
{
    if (!m_hostConnected || bytes.empty())
        return;
    if (m_pending.size() + bytes.size() > MaxPending) {
        log(localText(DriveText::AnswerDropped, {std::to_string(bytes.size())}));
        return;
    }
    m_pending += bytes;
    flush();
}

void DriveServer::flush()
{
    while (!m_pending.empty()) {
        const ssize_t n = write(m_master, m_pending.data(), m_pending.size());
        if (n > 0) {
            m_pending.erase(0, static_cast<size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
            return;
        return hostGone();
    }
}

void DriveServer::hostGone()
{
    if (!m_hostConnected)
        return;
    m_hostConnected = false;
    m_pending.clear();
    log(localText(DriveText::HostClosed));
}

bool DriveServer::masterHungUp() const
{
    pollfd fd {m_master, 0, 0};
    return poll(&fd, 1, 0) == 1 && (fd.revents & POLLHUP);
}

void DriveServer::log(const std::string &line)
{
    m_log << timestamp() << ' ' << line << std::endl;
}

void DriveServer::logDrive()
{
    for (const std::string &line : m_drive.takeLog())
        log(line);
}

} // namespace kelvane
