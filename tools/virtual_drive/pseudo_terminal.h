// PseudoTerminal: the pseudo-terminal the virtual drive plays its serial port on. It owns the
// master side for its whole life; the slave is opened once, made raw (so every byte passes
// unaltered in both directions, CR included) and closed again, so that the program can open it
// exclusively the way it opens a real port. Not thread-safe.
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

    int Master() const { return master_; } // non-blocking
    const std::string &SlavePath() const { return slavePath_; }

private:
    void makeSlaveRaw() const;

    int master_ = -1;
    std::string slavePath_;
};

} // namespace kelvane
