#include "dbf/table_file.h"

#include "dbf/errors.h"
#include "dbf/field_codec.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <limits>
#include <string_view>

namespace kelvane {

namespace {

constexpr uint8_t EndOfFileMarker = 0x1A;
constexpr int Version5ExtensionSize = 36;

struct DescriptorLayout
{
    int first; // file position of the first descriptor
    int size; // bytes per descriptor
    int nameLength; // the name ends at the first zero byte or after this many bytes
    int typeAt;
    int lengthAt;
    int decimalsAt;
    int offsetAt; // the field's offset in the record, as some writers store it; -1: none
};

constexpr DescriptorLayout Dbase3And4Descriptors {32, 32, 11, 11, 16, 17, 12};
constexpr DescriptorLayout Version5Descriptors {68, 48, 32, 32, 33, 34, -1};

const DescriptorLayout &descriptorsOf(uint8_t family)
{
    return family == LayoutVersion5 ? Version5Descriptors : Dbase3And4Descriptors;
}

TableLayout familyOf(uint8_t version)
{
    switch (version) {
    case 0x03:
    case 0x83:
        return LayoutDbase3;
    case 0x05:
        return LayoutVersion5;
    default:
        return LayoutDbase4;
    }
}

TFieldType numericType(int length, int decimals)
{
    if (decimals > 0)
        return ftFloat;
    if (length <= 4)
        return ftSmallint;
    return length <= 9 ? ftInteger : ftLargeint;
}

TFieldType typeOf(char letter, int length, int decimals)
{
    switch (letter) {
    case 'N':
        return numericType(length, decimals);
    case 'F':
        return ftFloat;
    case 'L':
        return ftBoolean;
    case 'D':
        return ftDate;
    case 'M':
        return ftMemo;
    default:
        return ftString;
    }
}

CalendarDate localToday()
{
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    localtime_r(&now, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

uint32_t readLe32(const uint8_t *p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint16_t readLe16(const uint8_t *p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

void writeLe32(uint8_t *p, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(value >> (8 * i));
}

// What the field offsets stored in the descriptors say about the descriptors' lengths. Writers
// that store offsets start at 1; others leave zeros or unrelated bytes there, which say nothing.
enum class OffsetEvidence { None, Agree, Disagree };

OffsetEvidence weighOffsets(
    const std::vector<TMyFieldInfo> &fields, const std::vector<uint32_t> &stored)
{
    if (stored.empty() || stored[0] != 1)
        return OffsetEvidence::None;
    for (size_t i = 1; i < stored.size(); ++i) {
        if (stored[i] != stored[i - 1] + static_cast<uint32_t>(fields[i - 1].Length))
            return OffsetEvidence::Disagree;
    }
    return OffsetEvidence::Agree;
}

} // namespace

TDbfFile::TDbfFile(uint16_t mode, const std::string &fileName, DbfHooks hooks, FileSystem &files)
    : TPagedFile(mode, fileName, files), m_hooks(std::move(hooks))
{
    if (!Stream())
        throw EBinaryDataSetError("Cannot open table file \"" + fileName + "\": " + openError());
    readHeader();
    checkRecordCount();
}

TDbfFile::~TDbfFile()
{
    ClearFieldInfos();
}

// A short read inside the header is a cut file or a failing disk; the message says which, and
// where the header should end.
void TDbfFile::readHeaderBytes(int64_t position, void *buffer, int64_t count) const
{
    Stream()->SetPosition(position);
    if (Stream()->Read(buffer, count) == count)
        return;
    const std::string header = "the header of table \"" + FileName() + "\" ";
    const int64_t size = Stream()->Size();
    if (size >= position + count)
        throw EReadError(header + "cannot be read");
    const DescriptorLayout &layout = descriptorsOf(m_layoutFamily);
    const std::string needs = position == 0
        ? "the header needs 32"
        : "the header with its " + std::to_string(FieldCount()) + " field descriptors needs "
            + std::to_string(layout.first + int64_t(FieldCount()) * layout.size);
    throw EReadError(
        header + "is incomplete: the file has " + std::to_string(size) + " bytes, " + needs);
}

void TDbfFile::readHeader()
{
    readHeaderBytes(0, m_header.data(), static_cast<int64_t>(m_header.size()));
    m_layoutFamily = familyOf(m_header[0]);
    m_headerSize = readLe16(&m_header[8]);
    m_recordSize = readLe16(&m_header[10]);
    m_countInHeader = RecordCount();
}

void TDbfFile::checkRecordCount()
{
    const int32_t computed = countFromFileSize();
    if (computed == RecordCount())
        return;
    showMessage("Invalid Record Count,\rRecordCount in Hdr : " + std::to_string(RecordCount())
        + "\rexpected : " + std::to_string(computed));
    SetRecordCount(computed);
}

// With one-byte records the end marker would pass for a record of its own, and every open and
// close would add one.
int32_t TDbfFile::countFromFileSize() const
{
    int32_t count = RecordCountFromSize();
    if (m_recordSize == 1 && count > 0) {
        uint8_t last = 0;
        Stream()->SetPosition(Stream()->Size() - 1);
        if (Stream()->Read(&last, 1) == 1 && last == EndOfFileMarker)
            --count;
    }
    return count;
}

bool TDbfFile::fileHolds(int32_t recordSize) const
{
    if (recordSize < 1 || m_countInHeader < 1)
        return false;
    const int64_t end = m_headerSize + int64_t(m_countInHeader) * recordSize;
    const int64_t size = Stream()->Size();
    return size == end || size == end + 1;
}

// When the header's record size and the fields' sum differ, one of them is damaged. The fields'
// size is taken only when the evidence points at the header: the file size and the header's
// record count agree with the fields and not with the header, or the stored field offsets
// confirm the descriptors while the file does not confirm the header. Anything else may be a
// damaged descriptor, under which every record would be read, and at close written, in the wrong
// place: such a table is refused and left as it is.
void TDbfFile::checkRecordSize(int32_t fieldsSize, const std::vector<uint32_t> &storedOffsets)
{
    if (fieldsSize == m_recordSize)
        return;
    const bool headerFits = fileHolds(m_recordSize);
    const bool fieldsFit = fileHolds(fieldsSize);
    const OffsetEvidence offsets = weighOffsets(m_fieldInfos, storedOffsets);
    if (headerFits || offsets == OffsetEvidence::Disagree
        || (offsets == OffsetEvidence::None && !fieldsFit)) {
        std::string why;
        if (offsets == OffsetEvidence::Disagree)
            why = "the fields' stored offsets do not match their lengths, so a field descriptor "
                  "is damaged";
        else if (headerFits && fieldsFit)
            why = "the file size and the record count agree with both";
        else if (headerFits && offsets == OffsetEvidence::Agree)
            why = "the file size and the record count agree with the header, the fields' stored "
                  "offsets with the descriptors";
        else if (headerFits)
            why = "the file size and the record count agree with the header, so a field "
                  "descriptor is damaged";
        else
            why = "the file size and the record count agree with neither";
        throw EBinaryDataSetError("Table \"" + FileName() + "\" is damaged: its header gives a "
            + "record size of " + std::to_string(m_recordSize) + " bytes, its field descriptors "
            + "add up to " + std::to_string(fieldsSize) + "; " + why);
    }
    showMessage("Invalid Record Size,\rRecord Size in Hdr : " + std::to_string(m_recordSize)
        + "\rExpected : " + std::to_string(fieldsSize));
    // Records are written with the size the header will carry, so the file stays readable
    // after close; the count then follows the size now in use.
    setHeaderRecordSize(fieldsSize);
    SetRecordCount(countFromFileSize());
}

void TDbfFile::ClearFieldInfos()
{
    m_fieldInfos.clear();
    m_fieldNames.clear();
}

int TDbfFile::FieldCount() const
{
    const DescriptorLayout &layout = descriptorsOf(m_layoutFamily);
    return (m_headerSize - layout.first) / layout.size;
}

void TDbfFile::readDescriptor(
    int number, TFieldDefs &fieldDefs, int32_t &offset, std::vector<uint32_t> &storedOffsets)
{
    const DescriptorLayout &layout = descriptorsOf(m_layoutFamily);
    uint8_t bytes[48];
    readHeaderBytes(layout.first + int64_t(number) * layout.size, bytes, layout.size);

    const char *name = reinterpret_cast<const char *>(bytes);
    const int length = bytes[layout.lengthAt];
    const int decimals = bytes[layout.decimalsAt];
    const TFieldType type = typeOf(static_cast<char>(bytes[layout.typeAt]), length, decimals);
    TFieldDef def;
    def.Name.assign(name, ::strnlen(name, static_cast<size_t>(layout.nameLength)));
    def.DataType = type;
    def.Size = type == ftString ? length : 0;
    m_fieldNames.push_back(def.Name);
    fieldDefs.push_back(std::move(def));
    m_fieldInfos.push_back({length, decimals, offset});
    offset += length;
    if (layout.offsetAt >= 0)
        storedOffsets.push_back(readLe32(&bytes[layout.offsetAt]));
}

void TDbfFile::ReadFieldDefs(TFieldDefs &fieldDefs)
{
    ClearFieldInfos();
    const int count = FieldCount();
    if (count < 1 || count > 255)
        throw EBinaryDataSetError(
            "Invalid Field count : " + std::to_string(count) + " (must be between 1 and 255)");
    // Nothing reaches the caller's definitions unless every descriptor could be read and the
    // record size is settled.
    TFieldDefs read;
    std::vector<uint32_t> storedOffsets;
    int32_t offset = 1;
    try {
        for (int i = 0; i < count; ++i)
            readDescriptor(i, read, offset, storedOffsets);
        checkRecordSize(offset, storedOffsets);
    } catch (...) {
        ClearFieldInfos();
        throw;
    }
    fieldDefs.insert(fieldDefs.end(), read.begin(), read.end());
}

int32_t TDbfFile::RecordCount() const
{
    return static_cast<int32_t>(readLe32(&m_header[4]));
}

void TDbfFile::SetRecordCount(int32_t count)
{
    writeLe32(&m_header[4], static_cast<uint32_t>(count));
}

void TDbfFile::setHeaderRecordSize(int32_t size)
{
    m_recordSize = size;
    m_header[10] = static_cast<uint8_t>(size);
    m_header[11] = static_cast<uint8_t>(size >> 8);
}

int32_t TDbfFile::AppendRecord(const void *buffer)
{
    const int32_t count = RecordCount();
    if (count == std::numeric_limits<int32_t>::max())
        throw EBinaryDataSetError("Table \"" + FileName() + "\" cannot hold more records");
    SetRecordCount(count + 1);
    return WriteRecord(count, buffer);
}

void TDbfFile::WriteHeader()
{
    if (!Stream())
        throw EAssertionFailed("_dbfFile=Nil");
    const CalendarDate today = m_hooks.today ? m_hooks.today() : localToday();
    m_header[1] = static_cast<uint8_t>(today.year - 1900);
    m_header[2] = static_cast<uint8_t>(today.month);
    m_header[3] = static_cast<uint8_t>(today.day);
    Stream()->SetPosition(0);
    Stream()->WriteBuffer(m_header.data(), static_cast<int64_t>(m_header.size()));
    int64_t headerEnd = static_cast<int64_t>(m_header.size());
    if (m_layoutFamily == LayoutVersion5) {
        const uint8_t zeros[Version5ExtensionSize] = {};
        Stream()->WriteBuffer(zeros, Version5ExtensionSize);
        headerEnd += Version5ExtensionSize;
    }
    // A header too small for its own bytes cannot have records; its marker would land inside it.
    const int64_t end = recordPosition(RecordCount());
    if (end >= headerEnd) {
        Stream()->SetPosition(end);
        Stream()->Write(&EndOfFileMarker, 1);
    }
}

const TMyFieldInfo &TDbfFile::Field(int index) const
{
    if (index < 0 || static_cast<size_t>(index) >= m_fieldInfos.size())
        throw EBinaryDataSetError("Field index " + std::to_string(index) + " out of range (table "
            + "has " + std::to_string(m_fieldInfos.size()) + " fields)");
    return m_fieldInfos[static_cast<size_t>(index)];
}

const std::string &TDbfFile::FieldName(int index) const
{
    Field(index);
    return m_fieldNames[static_cast<size_t>(index)];
}

bool TDbfFile::GetFieldValue(int index, TFieldType type, void *value, const void *record) const
{
    const TMyFieldInfo &field = Field(index);
    const char *bytes = static_cast<const char *>(record) + field.Offset;
    FieldCodec::readValue(type, std::string_view(bytes, static_cast<size_t>(field.Length)), value);
    return true;
}

void TDbfFile::SetFieldValue(int index, TFieldType type, const void *value, void *record) const
{
    FieldCodec::writeValue(type, Field(index), value, static_cast<char *>(record));
}

void TDbfFile::showMessage(const std::string &message) const
{
    (m_hooks.messages ? *m_hooks.messages : ErrorSink::standardError()).message(message);
}

} // namespace kelvane
