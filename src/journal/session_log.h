// SessionLog: what happens in a session with the drive, told as it happens, so that it can be
// kept as a record: the connection opening and ending, every write to the drive and every text
// received, each action of the user that writes to the drive, and the errors the user is shown.
// The main window, the commands and the port's write path tell it; the session journal keeps it.
// Texts are UTF-8; bytes are as they go over the line. Main thread only.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kelvane {

class SessionLog
{
public:
    enum class Ending {
        Disconnected, // the user disconnected
        Lost, // the device went away
        ProgramEnd, // the program ended with the port open
    };

    virtual ~SessionLog() = default;

    // The port `port` (as the user picked it) is open at `rate` bits per second.
    virtual void connected(std::string_view port, uint32_t rate) = 0;
    virtual void ended(Ending how) = 0;
    // The local port's line rate was set (also when it did not change).
    virtual void rateSet(uint32_t rate) = 0;
    // Bytes that went out to the drive in one write; `complete` is false when the write failed
    // after these.
    virtual void sent(std::string_view bytes, bool complete) = 0;
    // Received bytes as the terminal pane gets them.
    virtual void received(std::string_view bytes) = 0;
    // Something the user did that may write to the drive, in words (a menu item's path, a
    // button's caption); logged before the writes it causes.
    virtual void action(std::string_view what) = 0;
    // An error the user is shown.
    virtual void error(std::string_view message) = 0;
    // The data of the file `name` (`size` bytes, CRC-32 `crc`) goes out now, in writes told by
    // sent() until fileEnded(): they are summed up rather than shown.
    virtual void fileStarted(std::string_view name, int64_t size, uint32_t crc) = 0;
    virtual void fileEnded() = 0;

    // A log that keeps nothing.
    static SessionLog &none();
};

} // namespace kelvane
