// DriveServer: serves a VirtualDrive on the master of a pseudo-terminal until SIGINT, SIGTERM or
// SIGHUP. One thread, one poll: it wakes for received bytes, for room to send, for a signal, for
// the end of a command's silence (only while one is pending) and for the slave being opened.
//
// While no program has the slave open the master reports a hang-up on every poll; the server
// then stops watching the master and waits for an open of the slave (inotify) instead, so an
// idle drive costs no CPU. What the drive says while nobody listens is dropped.
//
// The server borrows the drive, the master and the log stream. It blocks the three signals for
// the process and leaves them blocked, so that a signal coming late cannot end the process before
// its owner has cleaned up; create it before anything that must be cleaned up. Not thread-safe.
#pragma once

#include "virtual_drive/virtual_drive.h"

#include <ostream>
#include <string>

namespace kelvane {

class DriveServer
{
public:
    // Raises std::runtime_error when the signals or the slave cannot be watched.
    DriveServer(VirtualDrive &drive, int master, const std::string &slavePath, std::ostream &log);
    ~DriveServer();
    DriveServer(const DriveServer &) = delete;
    DriveServer &operator=(const DriveServer &) = delete;

    // Serves until a stop signal comes; returns its number.
    int run();

private:
    void release();
    void log(const std::string &line);
    void logDrive();
    int pollTimeout() const;
    int takeSignal();
    void noticeOpens();
    void receive();
    void send(std::string bytes);
    void flush();
    void hostGone();
    bool masterHungUp() const;

    static constexpr size_t MaxPending = 1 << 20;

    VirtualDrive &m_drive;
    const int m_master;
    std::ostream &m_log;
    int m_signals = -1;
    int m_opens = -1;
    bool m_hostConnected = false;
    std::string m_pending; // bytes the master could not take yet
};

} // namespace kelvane
