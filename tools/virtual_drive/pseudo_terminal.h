// PseudoTerminal: the pseudo-terminal the virtual drive plays its serial port on. It owns the
// master side for its whole life; the slave is opened once, made raw (so every byte passes
// unaltered in both directions, CR included) and closed again, so that the program can open it
// exclusively the way it opens a real port. The tests play the drive on it too. Not thread-safe.
#pragma once

#include <string>

namespace kelvane {

class PseudoTerminal
{
public:
    // Raises std::runtime_error with a message for the user when the system has no pty to give.
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    int master() const { return m_master; } // non-blocking; -1 once closed
    const std::string &slavePath() const { return m_slavePath; }
    // Closes the master early: for whoever has the slave open, the drive's end has gone away.
    void closeMaster();

private:
    void makeSlaveRaw() const;

    int m_master = -1;
    std::string m_slavePath;
};

} // namespace kelvane
