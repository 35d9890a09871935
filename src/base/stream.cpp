#include "base/stream.h"

#include "base/stream_errors.h"
#include "base/utf8_path.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

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

class DiskFileSystem : public FileSystem
{
public:
    bool fileExists(const std::string &fileName) override
    {
        std::error_code ignored;
        return std::filesystem::exists(utf8Path(fileName), ignored);
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
