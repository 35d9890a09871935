#include "base/stream.h"

#include "base/stream_errors.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace kelvane {

void TStream::ReadBuffer(void *buffer, int64_t count)
{
    if (Read(buffer, count) != count)
        throw EReadError();
}

void TStream::WriteBuffer(const void *buffer, int64_t count)
{
    if (Write(buffer, count) != count)
        throw EWriteError();
}

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
    ::close(m_fd);
}

int64_t TFileStream::Read(void *buffer, int64_t count)
{
    return transfer(::pread, static_cast<char *>(buffer), count);
}

int64_t TFileStream::Write(const void *buffer, int64_t count)
{
    return transfer(::pwrite, static_cast<const char *>(buffer), count);
}

template<typename Call, typename Byte>
int64_t TFileStream::transfer(Call call, Byte *bytes, int64_t count)
{
    if (m_position < 0 || count <= 0)
        return 0;
    int64_t done = 0;
    while (done < count) {
        const ssize_t n = call(m_fd, bytes + done, static_cast<size_t>(count - done),
            static_cast<off_t>(m_position + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    m_position += done;
    return done;
}

int64_t TFileStream::Size() const
{
    struct stat info;
    return fstat(m_fd, &info) == 0 ? static_cast<int64_t>(info.st_size) : 0;
}

namespace {

class DiskFileSystem : public FileSystem
{
public:
    bool fileExists(const std::string &fileName) override
    {
        std::error_code ignored;
        return std::filesystem::exists(fileName, ignored);
    }
    std::unique_ptr<TStream> openFile(
        const std::string &fileName, uint16_t mode, std::string *error) override
    {
        return TFileStream::Open(fileName, mode, error);
    }
};

} // namespace

FileSystem &FileSystem::disk()
{
    static DiskFileSystem disk;
    return disk;
}

int64_t TMemoryStream::Read(void *buffer, int64_t count)
{
    const int64_t available = Size() - m_position;
    if (m_position < 0 || count <= 0 || available <= 0)
        return 0;
    const int64_t n = std::min(count, available);
    std::memcpy(buffer, m_data.data() + m_position, static_cast<size_t>(n));
    m_position += n;
    return n;
}

int64_t TMemoryStream::Write(const void *buffer, int64_t count)
{
    if (m_position < 0 || count <= 0)
        return 0;
    if (m_position + count > Size())
        m_data.resize(static_cast<size_t>(m_position + count));
    std::memcpy(m_data.data() + m_position, buffer, static_cast<size_t>(count));
    m_position += count;
    return count;
}

void TMemoryStream::SetSize(int64_t size)
{
    m_data.resize(static_cast<size_t>(std::max<int64_t>(size, 0)));
    m_position = std::min(m_position, Size());
}

} // namespace kelvane
