// Byte streams the engine reads and writes through: a file stream over the system's file (a POSIX
// descriptor, a Windows handle) and a growable memory stream. Each stream has a position; reads and
// writes start there and advance it. A stream owns its descriptor or its bytes. Not thread-safe:
// one stream, one thread at a time.
//
// FileSystem is where the engine finds and opens its table and memo files: the disk by default;
// tests and tools hand the engine their own (tables in memory, failures on demand).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kelvane {

// Open modes: the access in the low bits, what others may do in bits 4 to 6.
inline constexpr uint16_t fmOpenRead = 0x0000;
inline constexpr uint16_t fmOpenWrite = 0x0001;
inline constexpr uint16_t fmOpenReadWrite = 0x0002;
inline constexpr uint16_t fmShareExclusive = 0x0010;
inline constexpr uint16_t fmShareDenyWrite = 0x0020;
inline constexpr uint16_t fmShareDenyRead = 0x0030;
inline constexpr uint16_t fmShareDenyNone = 0x0040;

// How a memo (blob) stream is opened: to read the value, to write a new one, or both.
enum TBlobStreamMode { bmRead = 0, bmWrite = 1, bmReadWrite = 2 };

class TStream
{
public:
    virtual ~TStream() = default;

    // Reads up to count bytes; fewer only at the end of the data. Returns the bytes read.
    virtual int64_t Read(void *buffer, int64_t count) = 0;
    // Writes up to count bytes; returns the bytes written (fewer on failure).
    virtual int64_t Write(const void *buffer, int64_t count) = 0;
    virtual int64_t Size() const = 0;

    int64_t Position() const { return m_position; }
    void SetPosition(int64_t position) { m_position = position; }

    // Throws EReadError unless exactly count bytes were read.
    void ReadBuffer(void *buffer, int64_t count);
    // Throws EWriteError unless exactly count bytes were written.
    void WriteBuffer(const void *buffer, int64_t count);

protected:
    int64_t m_position = 0;
};

// A regular file opened by name (UTF-8). Reads and writes are positioned (pread/pwrite, or an
// offset in the request on Windows), so the system's own file offset is never used.
class TFileStream : public TStream
{
public:
    // Opens an existing file; never creates one. Access follows the mode's access bits. A writer
    // that denies others writing takes an OFD write lock on the whole file, a reader that denies
    // writing a read lock; both fail at once when the other kind is held elsewhere. Deny-none
    // takes no lock, so plain readers are never stopped. On Windows the mode's share bits are the
    // share mode of the open, to the same effect.
    // Returns null on failure with a reason in *error.
    static std::unique_ptr<TFileStream> Open(
        const std::string &fileName, uint16_t mode, std::string *error);
    ~TFileStream() override;
    TFileStream(const TFileStream &) = delete;
    TFileStream &operator=(const TFileStream &) = delete;

    int64_t Read(void *buffer, int64_t count) override;
    int64_t Write(const void *buffer, int64_t count) override;
    int64_t Size() const override;

private:
    explicit TFileStream(intptr_t file) : m_file(file) { }

    intptr_t m_file; // a descriptor, or a handle on Windows
};

class TMemoryStream : public TStream
{
public:
    int64_t Read(void *buffer, int64_t count) override;
    // Writing past the end grows the stream, zero-filling any gap.
    int64_t Write(const void *buffer, int64_t count) override;
    int64_t Size() const override { return static_cast<int64_t>(m_data.size()); }

    // Cuts or zero-extends the data; the position is kept within it.
    void SetSize(int64_t size);
    const char *Memory() const { return m_data.data(); }

private:
    std::vector<char> m_data;
};

class FileSystem
{
public:
    virtual ~FileSystem() = default;

    virtual bool fileExists(const std::string &fileName) = 0;
    // Opens an existing file with an open mode (above); never creates one. Returns null with the
    // reason in *error when the file cannot be opened.
    virtual std::unique_ptr<TStream> openFile(
        const std::string &fileName, uint16_t mode, std::string *error)
        = 0;

    // Files on disk through TFileStream. Stateless; lives as long as the program.
    static FileSystem &disk();
};

} // namespace kelvane
