// Record access and the header write: appends, the end-of-file marker, the date bytes, reading
// past the end, read-only opens that change nothing, and the locking between writers.
#include "dbf/errors.h"
#include "dbf/table_file.h"
#include "dbf_test_support.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace DbfTest;

namespace {

const std::vector<FieldSpec> Fields = {{"NAME", 'C', 6}, {"N", 'N', 3}};
constexpr int HeaderSize = 32 + 2 * 32 + 1;
constexpr int RecordSize = 10;

class TableAccess : public ::testing::Test
{
protected:
    void SetUp() override { WriteTable(0x03, 0); }

    void WriteTable(uint8_t version, int records)
    {
        TableImage image;
        image.Version = version;
        image.Fields = Fields;
        for (int i = 0; i < records; ++i)
            image.Records.push_back(Record(Fields, {"r" + std::to_string(i), std::to_string(i)}));
        WriteFile(path, image.Bytes());
    }

    std::unique_ptr<TDbfFile> Open(uint16_t mode)
    {
        auto table = std::make_unique<TDbfFile>(mode, path, hooks.Hooks());
        TFieldDefs defs;
        table->ReadFieldDefs(defs);
        return table;
    }

    TempDir dir;
    std::string path = dir.Path("t.dbf");
    RecordingHooks hooks;
};

TEST_F(TableAccess, AppendToEmptyTableWritesRecordZeroAtHeaderSize)
{
    auto table = Open(DbfOpenReadWrite);
    const std::string record = Record(Fields, {"first", "1"});
    EXPECT_EQ(table->AppendRecord(record.data()), RecordSize);
    EXPECT_EQ(table->RecordCount(), 1);
    EXPECT_EQ(ReadFile(path).substr(HeaderSize, RecordSize), record);
}

TEST_F(TableAccess, HeaderWriteStoresCountDateAndOneMarker)
{
    WriteTable(0x03, 2);
    auto table = Open(DbfOpenReadWrite);
    for (const char *name : {"a", "b", "c"})
        table->AppendRecord(Record(Fields, {name, "9"}).data());
    EXPECT_EQ(ReadFile(path).substr(1, 4), std::string("\x63\x01\x01\x02", 4))
        << "the disk header changes only at the header write";
    table->WriteHeader();
    const std::string bytes = ReadFile(path);
    EXPECT_EQ(bytes.substr(1, 7), std::string("\x7E\x03\x05\x05\x00\x00\x00", 7));
    ASSERT_EQ(bytes.size(), size_t(HeaderSize + 5 * RecordSize + 1));
    EXPECT_EQ(bytes.back(), '\x1A');
    EXPECT_EQ(bytes.substr(HeaderSize + 4 * RecordSize, RecordSize), Record(Fields, {"c", "9"}));
}

TEST_F(TableAccess, Version5HeaderWriteZeroesTheExtension)
{
    TableImage image;
    image.Version = 0x05;
    image.Fields = Fields;
    std::string bytes = image.Bytes();
    std::fill(bytes.begin() + 32, bytes.begin() + 68, '\x55');
    WriteFile(path, bytes);
    Open(DbfOpenReadWrite)->WriteHeader();
    const std::string written = ReadFile(path);
    EXPECT_EQ(written.substr(32, 36), std::string(36, '\0'));
    EXPECT_EQ(written.substr(68, 4), "NAME");
}

TEST_F(TableAccess, ReadingPastTheEndLeavesTheBufferAlone)
{
    WriteTable(0x03, 1);
    auto table = Open(DbfOpenReadOnly);
    std::string buffer(RecordSize, '#');
    EXPECT_EQ(table->ReadRecord(5, buffer.data()), 0);
    EXPECT_EQ(table->ReadRecord(-1, buffer.data()), 0);
    EXPECT_EQ(buffer, std::string(RecordSize, '#'));
    EXPECT_EQ(table->ReadRecord(1, buffer.data()), 1) << "only the marker byte lies there";
    EXPECT_EQ(buffer, "\x1A#########");
}

TEST_F(TableAccess, RecordsAreRewrittenInPlaceAndFieldsConverted)
{
    WriteTable(0x03, 3);
    auto table = Open(DbfOpenReadWrite);
    std::string record(RecordSize, '\0');
    table->ReadRecord(1, record.data());
    const char *name = "\xCF\xF0\xE8"; // Windows-1251
    const int32_t n = -42;
    table->SetFieldValue(0, ftString, name, record.data());
    table->SetFieldValue(1, ftInteger, &n, record.data());
    record[0] = '*';
    table->WriteRecord(1, record.data());
    EXPECT_EQ(ReadFile(path).substr(HeaderSize + RecordSize, RecordSize), "*\x8F\xE0\xA8   -42");
    EXPECT_EQ(table->RecordCount(), 3);
}

TEST_F(TableAccess, ReadOnlyOpenChangesNoByteWritableOpenRewritesDateAndMarker)
{
    TableImage image;
    image.Fields = Fields;
    image.Records = {Record(Fields, {"x", "1"}), Record(Fields, {"y", "2"})};
    image.HeaderCount = 7; // even a repaired count stays in memory
    image.EndMarker = false;
    const std::string original = image.Bytes();
    WriteFile(path, original);
    Open(DbfOpenReadOnly).reset();
    EXPECT_EQ(ReadFile(path), original);

    Open(DbfOpenReadWrite)->WriteHeader();
    const std::string rewritten = ReadFile(path);
    EXPECT_EQ(rewritten.substr(1, 4), std::string("\x7E\x03\x05\x02", 4));
    EXPECT_EQ(rewritten, original.substr(0, 1) + "\x7E\x03\x05\x02" + original.substr(5) + "\x1A");
}

TEST_F(TableAccess, WriteHeaderNeedsAWritableStream)
{
    auto readOnly = Open(DbfOpenReadOnly);
    try {
        readOnly->WriteHeader();
        FAIL() << "wrote through a read-only stream";
    } catch (const EWriteError &error) {
        EXPECT_STREQ(error.what(), "Stream write error");
    }
    TDbfFile moved(std::move(*readOnly));
    try {
        readOnly->WriteHeader();
        FAIL() << "wrote without a stream";
    } catch (const EAssertionFailed &error) {
        EXPECT_NE(std::string(error.what()).find("_dbfFile=Nil"), std::string::npos);
    }
    EXPECT_EQ(readOnly->ReadRecord(0, nullptr), 0);
    EXPECT_EQ(readOnly->RecordCountFromSize(), 0);
}

TEST_F(TableAccess, OneWriterAtATimeReadersAlways)
{
    auto writer = Open(DbfOpenReadWrite);
    try {
        TDbfFile second(DbfOpenReadWrite, path, hooks.Hooks());
        FAIL() << "a second writer opened the table";
    } catch (const EBinaryDataSetError &error) {
        EXPECT_EQ(std::string(error.what()),
            "Cannot open table file \"" + path + "\": it is open for writing by another program");
    }
    EXPECT_NO_THROW(TDbfFile(DbfOpenReadOnly, path, hooks.Hooks()));
    writer.reset();
    EXPECT_NO_THROW(TDbfFile(DbfOpenReadWrite, path, hooks.Hooks()));
}

} // namespace
