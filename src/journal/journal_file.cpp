#include "journal/journal_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace kelvane {

namespace {

std::string systemError(const std::string &path)
{
    return path + ": " + std::strerror(errno);
}

} // namespace

JournalFile::JournalFile(std::string folder, std::function<std::string(int part)> name,
    int64_t limit, PartHeader partHeader)
    : m_folder(std::move(folder)), m_name(std::move(name)), m_limit(limit),
      m_partHeader(std::move(partHeader))
{ }

JournalFile::~JournalFile()
{
    close();
}

bool JournalFile::open(std::string &error)
{
    std::error_code failure;
    std::filesystem::create_directories(m_folder, failure);
    if (failure) {
        error = m_folder + ": " + failure.message();
        return false;
    }
    // A session started within the same second as an earlier one goes on after it.
    int part = 1;
    while (std::filesystem::exists(m_folder + "/" + m_name(part + 1), failure))
        ++part;
    return openPart(part, error);
}

bool JournalFile::openPart(int part, std::string &error)
{
    close();
    const std::string path = m_folder + "/" + m_name(part);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) {
        error = systemError(path);
        return false;
    }
    struct stat status
    {
    };
    if (::fstat(fd, &status) != 0) {
        error = systemError(path);
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_part = part;
    m_size = status.st_size;
    m_path = path;
    return true;
}

bool JournalFile::write(std::string_view lines, std::string &error)
{
    if (m_size + static_cast<int64_t>(lines.size()) <= m_limit)
        return writeAll(lines, error);
    // Past the limit somewhere in there: line by line, so that every part ends on a whole line.
    while (!lines.empty()) {
        const size_t end = lines.find('\n') + 1;
        if (!writeLine(lines.substr(0, end), error))
            return false;
        lines.remove_prefix(end);
    }
    return true;
}

bool JournalFile::writeLine(std::string_view line, std::string &error)
{
    if (m_size > 0 && m_size + static_cast<int64_t>(line.size()) > m_limit) {
        if (!openPart(m_part + 1, error))
            return false;
        if (m_partHeader && !writeAll(m_partHeader(m_part), error))
            return false;
    }
    return writeAll(line, error);
}

bool JournalFile::writeAll(std::string_view bytes, std::string &error)
{
    // One write for the line; a short one (a signal, a full disk) is finished by the next.
    while (!bytes.empty()) {
        const ssize_t written = ::write(m_fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            error = systemError(m_path);
            return false;
        }
        m_size += written;
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

void JournalFile::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

} // namespace kelvane
