// Opening a table: layout families, descriptors, the field and type tables, and the checks and
// repairs of the header (record count, record size), including damaged headers.
#include "dbf/errors.h"
#include "support/dbf/dbf_test_support.h"
#include "support/dbf/memory_files.h"

#include <gtest/gtest.h>

using namespace kelvane;

using namespace DbfTest;

namespace {

const std::vector<FieldLayout> TwoFields = {{"NAME", 'C', 10}, {"COUNT", 'N', 5}};

class TableOpen : public ::testing::Test
{
protected:
    TableImage imageOf(uint8_t version, int records) const
    {
        TableImage image(version, TwoFields);
        for (int i = 0; i < records; ++i)
            image.records.push_back(recordBytes(TwoFields, {"row" + std::to_string(i), "1"}));
        return image;
    }
    OpenTable Open(const TableImage &image, uint16_t mode = DbfOpenReadOnly)
    {
        WriteFile(m_path, image.bytes());
        return OpenTable(m_path, mode, m_hooks.hooks());
    }
    std::string openError(const TableImage &image)
    {
        WriteFile(m_path, image.bytes());
        TDbfFile table(DbfOpenReadOnly, m_path, m_hooks.hooks());
        TFieldDefs defs;
        try {
            table.ReadFieldDefs(defs);
        } catch (const EBinaryDataSetError &error) {
            EXPECT_TRUE(defs.empty() && table.FieldInfos().empty());
            return error.what();
        }
        return "opened";
    }

    TempDir m_dir;
    std::string m_path = m_dir.path("t.dbf");
    RecordingHooks m_hooks;
};

TEST_F(TableOpen, VersionByteSelectsLayoutFamily)
{
    const std::pair<uint8_t, uint8_t> families[] = {{0x03, LayoutDbase3}, {0x83, LayoutDbase3},
        {0x04, LayoutDbase4}, {0x7B, LayoutDbase4}, {0x8B, LayoutDbase4}, {0x8E, LayoutDbase4},
        {0x30, LayoutDbase4}, {0x05, LayoutVersion5}};
    for (auto [version, family] : families) {
        OpenTable t = Open(imageOf(version, 1));
        EXPECT_EQ(t.table->LayoutFamily(), family) << int(version);
        ASSERT_EQ(t.defs.size(), 2u) << int(version);
        EXPECT_EQ(t.defs[1].Name, "COUNT");
        t.Read(0);
        EXPECT_EQ(t.text(0), "row0");
    }
    EXPECT_TRUE(m_hooks.messages.empty());
}

TEST_F(TableOpen, FieldCountFollowsHeaderSize)
{
    for (bool terminator : {true, false}) {
        TableImage image = imageOf(0x03, 2);
        image.terminator = terminator;
        OpenTable t = Open(image);
        EXPECT_EQ(t.defs.size(), 2u);
        EXPECT_EQ(t.table->RecordCount(), 2);
    }
    TableImage image = imageOf(0x03, 0);
    image.HeaderSize = 63;
    EXPECT_EQ(openError(image), "Invalid Field count : 0 (must be between 1 and 255)");
    image.HeaderSize = 32 + 32 * 256;
    EXPECT_EQ(openError(image), "Invalid Field count : 256 (must be between 1 and 255)");
    image.version = 0x05;
    image.HeaderSize = 20; // (20 - 68) / 48 truncates toward zero
    EXPECT_EQ(openError(image), "Invalid Field count : -1 (must be between 1 and 255)");
}

TEST_F(TableOpen, TypeTableGivesValueTypesSizesOffsetsAndNames)
{
    TableImage image;
    image.Fields = {{"S4", 'N', 4}, {"I9", 'N', 9}, {"L10", 'N', 10}, {"F10", 'N', 10, 2},
        {"FL", 'F', 6}, {"OK", 'L', 1}, {"BORN", 'D', 8}, {"NOTE", 'M', 10}, {"TXT", 'C', 7},
        {"ODD", 'X', 3}, {"NONE", 'L', 0}, {"ELEVENCHARS", 'C', 1}};
    image.records = {recordBytes(image.Fields, {})};
    image.records[0].back() = 'T'; // right after the zero-length logical
    OpenTable t = Open(image);
    const TFieldType types[] = {ftSmallint, ftInteger, ftLargeint, ftFloat, ftFloat, ftBoolean,
        ftDate, ftMemo, ftString, ftString, ftBoolean, ftString};
    const int sizes[] = {0, 0, 0, 0, 0, 0, 0, 0, 7, 3, 0, 1};
    ASSERT_EQ(t.defs.size(), std::size(types));
    int offset = 1;
    for (size_t i = 0; i < t.defs.size(); ++i) {
        EXPECT_EQ(t.defs[i].Name, image.Fields[i].Name);
        EXPECT_EQ(t.defs[i].DataType, types[i]) << t.defs[i].Name;
        EXPECT_EQ(t.defs[i].Size, sizes[i]) << t.defs[i].Name;
        EXPECT_FALSE(t.defs[i].Required);
        EXPECT_EQ(t.table->FieldInfos()[i].Offset, offset) << t.defs[i].Name;
        offset += image.Fields[i].Length;
    }
    EXPECT_EQ(t.table->FieldInfos()[3].Decimals, 2);
    EXPECT_EQ(t.table->RecordSize(), offset);
    t.Read(0);
    EXPECT_EQ(t.get<int16_t>(10), 0) << "a zero-length logical reads false, not its neighbour";
}

TEST_F(TableOpen, Version5NamesHave32Bytes)
{
    TableImage image = imageOf(0x05, 1);
    image.Fields[0].Name = std::string(32, 'W');
    EXPECT_EQ(Open(image).defs[0].Name, std::string(32, 'W'));
}

TEST_F(TableOpen, RecordCountIsRepairedFromFileSize)
{
    TableImage image = imageOf(0x03, 12);
    image.headerCount = 10;
    {
        OpenTable t = Open(image, DbfOpenReadWrite);
        EXPECT_EQ(t.table->RecordCount(), 12);
        t.table->WriteHeader();
    }
    ASSERT_EQ(m_hooks.messages.size(), 1u);
    EXPECT_EQ(m_hooks.messages[0], "Invalid Record Count,\rRecordCount in Hdr : 10\rexpected : 12");
    EXPECT_EQ(OpenTable(m_path, DbfOpenReadOnly, m_hooks.hooks()).table->RecordCount(), 12);
    EXPECT_EQ(m_hooks.messages.size(), 1u);

    image.headerCount = 0xFFFFFFFF;
    EXPECT_EQ(Open(image).table->RecordCount(), 12);
    EXPECT_EQ(
        m_hooks.messages.back(), "Invalid Record Count,\rRecordCount in Hdr : -1\rexpected : 12");
}

TEST_F(TableOpen, OneByteRecordsDoNotTakeTheEndMarkerForARecord)
{
    const std::vector<FieldLayout> none = {{"NONE", 'L', 0}};
    const TableImage image(0x03, none, {" ", " ", "*"});
    WriteFile(m_path, image.bytes());
    for (int open = 0; open < 2; ++open) {
        OpenTable t(m_path, DbfOpenReadWrite, m_hooks.hooks());
        EXPECT_EQ(t.table->RecordCount(), 3);
        t.table->WriteHeader();
    }
    EXPECT_EQ(ReadFile(m_path).size(), image.bytes().size());
    EXPECT_TRUE(m_hooks.messages.empty());
}

TEST_F(TableOpen, FileShorterThanItsHeaderIsEmpty)
{
    TableImage image = imageOf(0x03, 2);
    image.HeaderSize = 60000;
    WriteFile(m_path, image.bytes());
    TDbfFile table(DbfOpenReadWrite, m_path, m_hooks.hooks());
    EXPECT_EQ(table.RecordCount(), 0);
    EXPECT_EQ(
        m_hooks.messages.back(), "Invalid Record Count,\rRecordCount in Hdr : 2\rexpected : 0");
    table.AppendRecord(std::string(16, ' ').data());
    EXPECT_EQ(ReadFile(m_path).size(), 60000u + 16u) << "record 0 goes after the header";
}

TEST_F(TableOpen, RecordSizeZeroIsRepairedFromTheFields)
{
    TableImage image = imageOf(0x03, 4);
    image.RecordSize = 0; // the count and the file size confirm the fields
    WriteFile(m_path, image.bytes());
    TDbfFile table(DbfOpenReadOnly, m_path, m_hooks.hooks());
    EXPECT_EQ(table.RecordCountFromSize(), 0);
    TFieldDefs defs;
    table.ReadFieldDefs(defs);
    EXPECT_EQ(table.RecordSize(), 16);
    EXPECT_EQ(table.RecordCount(), 4);
    EXPECT_EQ(
        m_hooks.messages.back(), "Invalid Record Size,\rRecord Size in Hdr : 0\rExpected : 16");
}

// Records written after a size repair and the header stored at close use the same size, so
// the table reads back the same whatever its old header said.
TEST_F(TableOpen, RecordSizeRepairKeepsRecordsAndHeaderInAgreement)
{
    TableImage image = imageOf(0x03, 0);
    image.RecordSize = 40;
    image.records.push_back(recordBytes(TwoFields, {"first", "1"}));
    {
        OpenTable t = Open(image, DbfOpenReadWrite);
        EXPECT_EQ(m_hooks.messages.back(),
            "Invalid Record Size,\rRecord Size in Hdr : 40\rExpected : 16");
        ASSERT_EQ(t.table->RecordSize(), 16);
        t.table->AppendRecord(recordBytes(TwoFields, {"added", "2"}).data());
        t.table->WriteHeader();
    }
    m_hooks.messages.clear();
    OpenTable t(m_path, DbfOpenReadOnly, m_hooks.hooks());
    EXPECT_TRUE(m_hooks.messages.empty());
    ASSERT_EQ(t.table->RecordCount(), 2);
    t.Read(0);
    EXPECT_EQ(t.text(0), "first");
    t.Read(1);
    EXPECT_EQ(t.text(0), "added");
}

TEST_F(TableOpen, CutOrUnreadableHeaderFailsNamingTheFileAndWhatIsMissing)
{
    const std::string full = imageOf(0x03, 1).bytes();
    WriteFile(m_path, full.substr(0, 31));
    try {
        TDbfFile table(DbfOpenReadOnly, m_path, m_hooks.hooks());
        FAIL() << "opened a 31-byte table";
    } catch (const EReadError &error) {
        EXPECT_EQ(error.what(),
            "Stream read error: the header of table \"" + m_path
                + "\" is incomplete: the file has 31 bytes, the header needs 32");
    }
    WriteFile(m_path, full.substr(0, 70)); // the second descriptor is cut
    TDbfFile table(DbfOpenReadOnly, m_path, m_hooks.hooks());
    TFieldDefs defs;
    try {
        table.ReadFieldDefs(defs);
        FAIL() << "read a cut descriptor";
    } catch (const EReadError &error) {
        EXPECT_EQ(error.what(),
            "Stream read error: the header of table \"" + m_path
                + "\" is incomplete: the file has 70 bytes, the header with its 2 field "
                  "descriptors needs 96");
    }
    EXPECT_TRUE(defs.empty() && table.FieldInfos().empty());

    MemoryFiles files; // whole, but the disk fails at the second descriptor
    files.put("t.dbf", full);
    files.failReadsFrom("t.dbf", 3);
    TDbfFile failing(DbfOpenReadOnly, "t.dbf", m_hooks.hooks(), files);
    try {
        failing.ReadFieldDefs(defs);
        FAIL() << "read a descriptor the disk did not deliver";
    } catch (const EReadError &error) {
        EXPECT_STREQ(
            error.what(), "Stream read error: the header of table \"t.dbf\" cannot be read");
    }
    EXPECT_TRUE(defs.empty() && failing.FieldInfos().empty());
}

TEST_F(TableOpen, ReadingFieldDefsAgainRebuildsFieldInfos)
{
    OpenTable t = Open(imageOf(0x04, 1));
    t.table->ReadFieldDefs(t.defs);
    EXPECT_EQ(t.table->FieldInfos().size(), 2u);
    EXPECT_EQ(t.defs.size(), 4u) << "definitions are only added to the caller's collection";
    EXPECT_THROW(t.text(2), EBinaryDataSetError);
}

TEST_F(TableOpen, MissingOrUnopenableFileFailsNamingIt)
{
    for (const std::string &name : {m_dir.path("absent.dbf"), m_dir.path("")}) {
        try {
            TDbfFile table(DbfOpenReadOnly, name, m_hooks.hooks());
            FAIL() << "opened " << name;
        } catch (const EBinaryDataSetError &error) {
            EXPECT_NE(std::string(error.what()).find("\"" + name + "\""), std::string::npos)
                << error.what();
        }
    }
}

} // namespace
