// Record access and the header write: appends, the end-of-file marker, the date bytes, reading
// past the end, read-only opens that change nothing, and the locking between writers.
#include "dbf/errors.h"
#include "support/dbf/dbf_test_support.h"

#include <gtest/gtest.h>

using namespace kelvane;

using namespace DbfTest;

namespace {

const std::vector<FieldLayout> Fields = {{"NAME", 'C', 6}, {"N", 'N', 3}};
constexpr int HeaderSize = 32 + 2 * 32 + 1;
constexpr size_t RecordSize = 10;

class TableAccess : public ::testing::Test
{
protected:
    std::string writeTable(int records, uint8_t version = 0x03)
    {
        TableImage image(version, Fields);
        for (int i = 0; i < records; ++i)
            image.records.push_back(
                recordBytes(Fields, {"r" + std::to_string(i), std::to_string(i)}));
        WriteFile(m_path, image.bytes());
        return image.bytes();
    }
    OpenTable Open(uint16_t mode) { return OpenTable(m_path, mode, m_hooks.hooks()); }

    TempDir m_dir;
    std::string m_path = m_dir.path("t.dbf");
    RecordingHooks m_hooks;
};

TEST_F(TableAccess, AppendToEmptyTableWritesRecordZeroAtHeaderSize)
{
    writeTable(0);
    OpenTable t = Open(DbfOpenReadWrite);
    const std::string record = recordBytes(Fields, {"first", "1"});
    EXPECT_EQ(t.table->AppendRecord(record.data()), int(RecordSize));
    EXPECT_EQ(t.table->RecordCount(), 1);
    EXPECT_EQ(ReadFile(m_path).substr(HeaderSize, RecordSize), record);
}

TEST_F(TableAccess, HeaderWriteStoresCountDateAndOneMarker)
{
    writeTable(2);
    OpenTable t = Open(DbfOpenReadWrite);
    for (const char *name : {"a", "b", "c"})
        t.table->AppendRecord(recordBytes(Fields, {name, "9"}).data());
    EXPECT_EQ(ReadFile(m_path).substr(1, 4), std::string("\x63\x01\x01\x02", 4))
        << "the disk header changes only at the header write";
    t.table->WriteHeader();
    const std::string bytes = ReadFile(m_path);
    EXPECT_EQ(bytes.substr(1, 7), std::string("\x7E\x03\x05\x05\x00\x00\x00", 7));
    ASSERT_EQ(bytes.size(), HeaderSize + 5 * RecordSize + 1);
    EXPECT_EQ(bytes.back(), '\x1A');
    EXPECT_EQ(
        bytes.substr(HeaderSize + 4 * RecordSize, RecordSize), recordBytes(Fields, {"c", "9"}));
}

TEST_F(TableAccess, Version5HeaderWriteZeroesTheExtension)
{
    std::string bytes = writeTable(0, 0x05);
    std::fill(bytes.begin() + 32, bytes.begin() + 68, '\x55');
    WriteFile(m_path, bytes);
    Open(DbfOpenReadWrite).table->WriteHeader();
    const std::string written = ReadFile(m_path);
    EXPECT_EQ(written.substr(32, 36), std::string(36, '\0'));
    EXPECT_EQ(written.substr(68, 4), "NAME");
}

TEST_F(TableAccess, ReadingPastTheEndLeavesTheBufferAlone)
{
    writeTable(1);
    OpenTable t = Open(DbfOpenReadOnly);
    std::string buffer(RecordSize, '#');
    EXPECT_EQ(t.table->ReadRecord(5, buffer.data()), 0);
    EXPECT_EQ(t.table->ReadRecord(-1, buffer.data()), 0);
    EXPECT_EQ(buffer, std::string(RecordSize, '#'));
    EXPECT_EQ(t.table->ReadRecord(1, buffer.data()), 1) << "only the marker byte lies there";
    EXPECT_EQ(buffer, "\x1A#########");
}

TEST_F(TableAccess, RecordsAreRewrittenInPlaceWithConvertedFields)
{
    writeTable(3);
    OpenTable t = Open(DbfOpenReadWrite);
    t.Read(1);
    t.setText(0, cp1251("Про"));
    t.set<int16_t>(1, -42);
    t.record[0] = '*';
    t.table->WriteRecord(1, t.record.data());
    EXPECT_EQ(ReadFile(m_path).substr(HeaderSize + RecordSize, RecordSize), "*\x8F\xE0\xAE   -42");
    EXPECT_EQ(t.table->RecordCount(), 3);
}

TEST_F(TableAccess, ReadOnlyOpenChangesNoByteWritableOpenRewritesDateAndMarker)
{
    TableImage image(
        0x03, Fields, {recordBytes(Fields, {"x", "1"}), recordBytes(Fields, {"y", "2"})});
    image.headerCount = 7; // a repaired count stays in memory
    image.endMarker = false;
    const std::string original = image.bytes();
    WriteFile(m_path, original);
    Open(DbfOpenReadOnly);
    EXPECT_EQ(ReadFile(m_path), original);

    Open(DbfOpenReadWrite).table->WriteHeader();
    EXPECT_EQ(
        ReadFile(m_path), original.substr(0, 1) + "\x7E\x03\x05\x02" + original.substr(5) + "\x1A");
}

TEST_F(TableAccess, WriteHeaderNeedsAWritableStream)
{
    writeTable(1);
    TDbfFile readOnly(DbfOpenReadOnly, m_path, m_hooks.hooks());
    try {
        readOnly.WriteHeader();
        FAIL() << "wrote through a read-only stream";
    } catch (const EWriteError &error) {
        EXPECT_STREQ(error.what(), "Stream write error");
    }
    TDbfFile moved(std::move(readOnly));
    try {
        readOnly.WriteHeader();
        FAIL() << "wrote without a stream";
    } catch (const EAssertionFailed &error) {
        EXPECT_NE(std::string(error.what()).find("_dbfFile=Nil"), std::string::npos);
    }
    EXPECT_EQ(readOnly.ReadRecord(0, nullptr), 0);
    EXPECT_EQ(readOnly.RecordCountFromSize(), 0);
}

TEST_F(TableAccess, OneWriterAtATimeReadersAlways)
{
    writeTable(1);
    auto writer = std::make_unique<TDbfFile>(DbfOpenReadWrite, m_path, m_hooks.hooks());
    try {
        TDbfFile second(DbfOpenReadWrite, m_path, m_hooks.hooks());
        FAIL() << "a second writer opened the table";
    } catch (const EBinaryDataSetError &error) {
        EXPECT_EQ(std::string(error.what()),
            "Cannot open table file \"" + m_path + "\": it is open for writing by another program");
    }
    EXPECT_NO_THROW(TDbfFile(DbfOpenReadOnly, m_path, m_hooks.hooks()));
    writer.reset();
    EXPECT_NO_THROW(TDbfFile(DbfOpenReadWrite, m_path, m_hooks.hooks()));
}

} // namespace
