// TPagedFile: a file made of a header followed by fixed-size records (or memo blocks), addressed
// by record number. It owns the stream its file system opened. When the file cannot be opened the
// object exists without a stream, openError() says why, and every record access transfers nothing;
// the derived table and memo files refuse to go on in that case. Not thread-safe.
#pragma once

#include "base/stream.h"

#include <cstdint>
#include <memory>
#include <string>

namespace kelvane {

class TPagedFile
{
public:
    // Opens fileName with an open mode (see stream.h); a failure is not raised.
    TPagedFile(uint16_t mode, const std::string &fileName, FileSystem &files = FileSystem::disk());
    virtual ~TPagedFile();
    // A moved-from file has no stream.
    TPagedFile(TPagedFile &&other) noexcept;
    TPagedFile(const TPagedFile &) = delete;
    TPagedFile &operator=(const TPagedFile &) = delete;

    TStream *Stream() const { return m_stream.get(); }
    const std::string &FileName() const { return m_fileName; }
    const std::string &openError() const { return m_openError; }
    int32_t HeaderSize() const { return m_headerSize; }
    int32_t RecordSize() const { return m_recordSize; }

    // Whole records that fit between the header and the end of the file: never below 0,
    // 0 when RecordSize is 0, capped at the largest 32-bit count.
    int32_t RecordCountFromSize() const;
    void SeekRecord(int32_t n);
    // Reads record n into buffer; at the end of the file the rest of the buffer is left as it
    // was. Returns the bytes read. A negative n reads nothing.
    // REQUIRES: buffer holds RecordSize() bytes.
    int32_t ReadRecord(int32_t n, void *buffer);
    // Writes record n; returns the bytes written. A negative n writes nothing, so no record
    // ever lands in the header.
    // REQUIRES: buffer holds RecordSize() bytes.
    int32_t WriteRecord(int32_t n, const void *buffer);

protected:
    int64_t recordPosition(int32_t n) const;

    int32_t m_headerSize = 0;
    int32_t m_recordSize = 0;

private:
    std::unique_ptr<TStream> m_stream;
    std::string m_fileName;
    std::string m_openError;
};

} // namespace kelvane
