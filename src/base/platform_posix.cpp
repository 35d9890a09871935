// The POSIX side of the base: file streams, append files, the program's folder, the language.
#include "base/language.h"
#include "base/stream.h"
#include "base/system_files.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace kelvane {

namespace {

int accessFlags(uint16_t mode)
{
    switch (mode & 0x3) {
    case fmOpenWrite:
        return O_WRONLY;
    case fmOpenReadWrite:
        return O_RDWR;
    default:
        return O_RDONLY;
    }
}

bool deniesWriting(uint16_t mode)
{
    const uint16_t share = mode & 0x70;
    return share == fmShareExclusive || share == fmShareDenyWrite;
}

// Returns 0 or the errno of the failed lock.
int lockForMode(int fd, uint16_t mode)
{
    if (!deniesWriting(mode))
        return 0;
    struct flock lock = {};
    lock.l_type = (mode & 0x3) == fmOpenRead ? F_RDLCK : F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 0; // whole file, also what is appended later
    return fcntl(fd, F_OFD_SETLK, &lock) == 0 ? 0 : errno;
}

std::string errnoText(int err)
{
    return std::error_code(err, std::generic_category()).message();
}

// One positioned read or write of `count` bytes at `position`, resumed after signals and short
// transfers; returns what was moved.
template<typename Call, typename Byte>
int64_t transfer(int fd, int64_t position, Call call, Byte *bytes, int64_t count)
{
    if (position < 0 || count <= 0)
        return 0;
    int64_t done = 0;
    while (done < count) {
        const ssize_t n = call(fd, bytes + done, static_cast<size_t>(count - done),
            static_cast<off_t>(position + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    return done;
}

} // namespace

std::unique_ptr<TFileStream> TFileStream::Open(
    const std::string &fileName, uint16_t mode, std::string *error)
{
    const int fd = ::open(fileName.c_str(), accessFlags(mode) | O_CLOEXEC);
    if (fd < 0) {
        *error = errnoText(errno);
        return nullptr;
    }
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        *error = "not a regular file";
        ::close(fd);
        return nullptr;
    }
    if (const int err = lockForMode(fd, mode); err != 0) {
        *error = (err == EAGAIN || err == EACCES) ? "it is open for writing by another program"
                                                  : errnoText(err);
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<TFileStream>(new TFileStream(fd));
}

TFileStream::~TFileStream()
{
    ::close(static_cast<int>(m_file));
}

int64_t TFileStream::Read(void *buffer, int64_t count)
{
    const int64_t done = transfer(
        static_cast<int>(m_file), m_position, ::pread, static_cast<char *>(buffer), count);
    m_position += done;
    return done;
}

int64_t TFileStream::Write(const void *buffer, int64_t count)
{
    const int64_t done = transfer(
        static_cast<int>(m_file), m_position, ::pwrite, static_cast<const char *>(buffer), count);
    m_position += done;
    return done;
}

int64_t TFileStream::Size() const
{
    struct stat info;
    return fstat(static_cast<int>(m_file), &info) == 0 ? static_cast<int64_t>(info.st_size) : 0;
}

bool AppendFile::open(const std::string &path, std::string &error)
{
    close();
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    m_file = fd;
    m_path = path;
    return true;
}

bool AppendFile::size(int64_t &bytes, std::string &error) const
{
    struct stat status
    {
    };
    if (::fstat(static_cast<int>(m_file), &status) != 0) {
        error = m_path + ": " + std::strerror(errno);
        return false;
    }
    bytes = status.st_size;
    return true;
}

bool AppendFile::write(std::string_view bytes, int64_t &written, std::string &error)
{
    written = 0;
    // One write for all; a short one (a signal, a full disk) is finished by the next.
    while (!bytes.empty()) {
        const ssize_t n = ::write(static_cast<int>(m_file), bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = m_path + ": " + std::strerror(errno);
            return false;
        }
        written += n;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

void AppendFile::close()
{
    if (m_file != -1)
        ::close(static_cast<int>(m_file));
    m_file = -1;
}

std::string programFolder()
{
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : executable.parent_path().string();
}

std::string systemLanguage()
{
    return {}; // the locale variables say it all
}

} // namespace kelvane
