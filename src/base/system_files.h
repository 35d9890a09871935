// What the layers above need of the system's files beyond streams: a file that lines are appended
// to, and the folder of the running program. Names are UTF-8 on every system.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kelvane {

// A file opened for appending, created private to its user (0600) where the system has owners.
// Every write goes to the end of the file, whoever else appends, in one system call when it can.
// Not thread-safe.
class AppendFile
{
public:
    AppendFile() = default;
    ~AppendFile() { close(); }
    AppendFile(const AppendFile &) = delete;
    AppendFile &operator=(const AppendFile &) = delete;

    // Opens or creates `path`; false with "path: reason" in `error`.
    bool open(const std::string &path, std::string &error);
    // The file's size now. REQUIRES: open.
    bool size(int64_t &bytes, std::string &error) const;
    // Writes all of `bytes`; what went out is in `written` either way. REQUIRES: open.
    bool write(std::string_view bytes, int64_t &written, std::string &error);
    void close();
    bool isOpen() const { return m_file != -1; }

private:
    intptr_t m_file = -1; // a descriptor, or a handle on Windows
    std::string m_path;
};

// The folder that holds the running program's executable; empty when the system does not say.
std::string programFolder();

} // namespace kelvane
