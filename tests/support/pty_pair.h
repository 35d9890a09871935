// PtyPair: the virtual drive's pseudo-terminal with what a test needs to play the drive on it. The
// port under test opens the slave by its path; the test reads on the master what the port wrote
// and writes what the drive says.
#pragma once

#include "virtual_drive/pseudo_terminal.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace kelvane {

class PtyPair : public PseudoTerminal
{
public:
    // Sends bytes to the port (all of them, waiting while the pty is full).
    void Write(std::string_view bytes);
    // Reads until `count` bytes have come or `timeout` has passed; returns what came.
    std::string Read(size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // Reads what arrives until nothing more comes for `quiet`.
    std::string readUntilQuiet(std::chrono::milliseconds quiet = std::chrono::milliseconds(100));
};

// Reads everything the port writes to `pty` on a thread of its own, so that the port never blocks
// on a full pseudo-terminal while the test waits for something else.
class PtyReader
{
public:
    explicit PtyReader(PtyPair &pty);
    ~PtyReader();
    PtyReader(const PtyReader &) = delete;
    PtyReader &operator=(const PtyReader &) = delete;

    // What came since the last call.
    std::string taken();
    // How many bytes came in all.
    size_t received() const { return m_received; }

private:
    void run();

    PtyPair &m_pty;
    std::atomic<bool> m_stop = false;
    std::atomic<size_t> m_received = 0;
    std::mutex m_mutex;
    std::string m_bytes;
    std::thread m_thread;
};

} // namespace kelvane
