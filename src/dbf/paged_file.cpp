#include "dbf/paged_file.h"

#include <algorithm>
#include <limits>

namespace kelvane {

TPagedFile::TPagedFile(uint16_t mode, const std::string &fileName, FileSystem &files)
    : m_fileName(fileName)
{
    m_stream = files.openFile(fileName, mode, &m_openError);
}

TPagedFile::~TPagedFile() = default;

TPagedFile::TPagedFile(TPagedFile &&other) noexcept
    : m_headerSize(other.m_headerSize), m_recordSize(other.m_recordSize),
      m_stream(std::move(other.m_stream)), m_fileName(std::move(other.m_fileName)),
      m_openError(std::move(other.m_openError))
{ }

int32_t TPagedFile::RecordCountFromSize() const
{
    if (!m_stream || m_recordSize <= 0)
        return 0;
    const int64_t count = (m_stream->Size() - m_headerSize) / m_recordSize;
    return static_cast<int32_t>(std::clamp<int64_t>(count, 0, std::numeric_limits<int32_t>::max()));
}

int64_t TPagedFile::recordPosition(int32_t n) const
{
    return int64_t(n) * m_recordSize + m_headerSize;
}

void TPagedFile::SeekRecord(int32_t n)
{
    if (m_stream)
        m_stream->SetPosition(recordPosition(n));
}

int32_t TPagedFile::ReadRecord(int32_t n, void *buffer)
{
    if (!m_stream || n < 0)
        return 0;
    SeekRecord(n);
    return static_cast<int32_t>(m_stream->Read(buffer, m_recordSize));
}

int32_t TPagedFile::WriteRecord(int32_t n, const void *buffer)
{
    if (!m_stream || n < 0)
        return 0;
    SeekRecord(n);
    return static_cast<int32_t>(m_stream->Write(buffer, m_recordSize));
}

} // namespace kelvane
