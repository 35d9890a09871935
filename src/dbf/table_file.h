// TDbfFile: one open dBase table file. It holds the 32-byte table header in memory, checks it at
// open (repairing the record count and the record size, each with a message to the user),
// describes the fields, reads, writes and appends whole records, rewrites the header at close,
// and converts between field bytes in a record buffer and typed values.
//
// The table dataset owns one TDbfFile per open table and owns the record buffers passed in. The
// file on disk may lag behind memory until WriteHeader. Not thread-safe: all calls from one
// thread.
//
// Calling order: constructor, ReadFieldDefs, then any record and field calls, WriteHeader
// (writable tables), destructor.
#pragma once

#include "base/day_number.h"
#include "base/error_sink.h"
#include "base/field_types.h"
#include "dbf/field_codec.h"
#include "dbf/paged_file.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kelvane {

// Open modes a dataset uses.
inline constexpr uint16_t DbfOpenReadOnly = fmOpenRead | fmShareDenyNone; // 0x40
inline constexpr uint16_t DbfOpenReadWrite = fmOpenReadWrite | fmShareDenyWrite; // 0x22

// What the engine needs from its surroundings. An empty member means the default: messages go
// to standard error, today's date comes from the local clock. The sink is not owned.
struct DbfHooks
{
    ErrorSink *messages = nullptr;
    std::function<CalendarDate()> today;
};

enum TableLayout : uint8_t { LayoutDbase3 = 0, LayoutDbase4 = 1, LayoutVersion5 = 2 };

class TDbfFile : public TPagedFile
{
public:
    using HeaderBytes = std::array<uint8_t, 32>;

    // Opens the table, reads its header and repairs the record count from the file size.
    // Throws EBinaryDataSetError when the file cannot be opened, EReadError naming the file when
    // it is shorter than a header.
    TDbfFile(uint16_t mode, const std::string &fileName, DbfHooks hooks = {},
        FileSystem &files = FileSystem::disk());
    ~TDbfFile() override;
    TDbfFile(TDbfFile &&other) noexcept = default;

    const std::vector<TMyFieldInfo> &FieldInfos() const { return m_fieldInfos; }
    // The name of the field at index (from 0) in FieldInfos.
    const std::string &FieldName(int index) const;
    const HeaderBytes &Header() const { return m_header; }
    uint8_t LayoutFamily() const { return m_layoutFamily; }

    void ClearFieldInfos();
    // Reads the field descriptors, appends one definition per field to fieldDefs and rebuilds
    // FieldInfos. A header record size that disagrees with the fields is repaired, with a
    // message, when the file shows the header to be the damaged one: from then on the fields'
    // size positions records and the record count follows it.
    // Throws EBinaryDataSetError for a field count outside 1 to 255 and for a record size the
    // file cannot settle, EReadError naming the file for a cut or unreadable descriptor;
    // FieldInfos is then empty and fieldDefs unchanged.
    void ReadFieldDefs(TFieldDefs &fieldDefs);

    int32_t RecordCount() const;
    // Appends the record after the last one; the header on disk follows at WriteHeader.
    // REQUIRES: buffer holds RecordSize() bytes, byte 0 the flag 0x20.
    int32_t AppendRecord(const void *buffer);
    // Stores today's date, the record count and size, and the end-of-file marker. Throws
    // EAssertionFailed without a stream, EWriteError when the header cannot be written.
    void WriteHeader();

    // Field index counts from 0 in descriptor order. Both throw EBinaryDataSetError for an
    // index outside FieldInfos.
    // REQUIRES: value is a buffer of `type`; record holds RecordSize() bytes.
    bool GetFieldValue(int index, TFieldType type, void *value, const void *record) const;
    // Throws EFieldToLongError when the value's text is longer than the field; the record is
    // then unchanged.
    void SetFieldValue(int index, TFieldType type, const void *value, void *record) const;

    // Shows a message through the hooks' sink.
    void showMessage(const std::string &message) const;

private:
    void readHeaderBytes(int64_t position, void *buffer, int64_t count) const;
    void readHeader();
    void checkRecordCount();
    int32_t countFromFileSize() const;
    bool fileHolds(int32_t recordSize) const;
    void checkRecordSize(int32_t fieldsSize, const std::vector<uint32_t> &storedOffsets);
    int FieldCount() const;
    void readDescriptor(
        int number, TFieldDefs &fieldDefs, int32_t &offset, std::vector<uint32_t> &storedOffsets);
    const TMyFieldInfo &Field(int index) const;
    void SetRecordCount(int32_t count);
    void setHeaderRecordSize(int32_t size);

    std::vector<TMyFieldInfo> m_fieldInfos;
    std::vector<std::string> m_fieldNames;
    HeaderBytes m_header {};
    int32_t m_countInHeader = 0; // as read, before any repair
    uint8_t m_layoutFamily = LayoutDbase4;
    DbfHooks m_hooks;
};

} // namespace kelvane
