// PtyPair: a pseudo-terminal for tests. The port under test opens the slave by its path; the test
// plays the drive on the master: it reads what the port wrote and writes what the drive says.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace kelvane {

class PtyPair
{
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    const std::string &slavePath() const { return m_slavePath; }
    int master() const { return m_master; }

    // Sends bytes to the port (all of them, waiting while the pty is full).
    void Write(std::string_view bytes);
    // Reads until `count` bytes have come or `timeout` has passed; returns what came.
    std::string Read(size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // Reads what arrives until nothing more comes for `quiet`.
    std::string readUntilQuiet(std::chrono::milliseconds quiet = std::chrono::milliseconds(100));
    // Closes the master: for the port this is the drive's adapter going away.
    void closeMaster();

private:
    int m_master = -1;
    std::string m_slavePath;
};

} // namespace kelvane
