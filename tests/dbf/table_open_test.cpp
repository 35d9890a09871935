// Opening a table: layout families, descriptors, the field and type tables, and the checks and
// repairs of the header (record count, record size), including damaged headers.
#include "dbf/errors.h"
#include "dbf/table_file.h"
#include "dbf_test_support.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace DbfTest;

namespace {

const std::vector<FieldSpec> TwoFields = {{"NAME", 'C', 10}, {"COUNT", 'N', 5}};

class TableOpen : public ::testing::Test
{
protected:
    std::string Write(const TableImage &image)
    {
        WriteFile(path, image.Bytes());
        return path;
    }
    std::string Write(const std::string &bytes)
    {
        WriteFile(path, bytes);
        return path;
    }
    TableImage Image(uint8_t version, int records = 0) const
    {
        TableImage image;
        image.Version = version;
        image.Fields = TwoFields;
        for (int i = 0; i < records; ++i)
            image.Records.push_back(Record(TwoFields, {"row" + std::to_string(i), "1"}));
        return image;
    }

    TempDir dir;
    std::string path = dir.Path("t.dbf");
    RecordingHooks hooks;
};

TEST_F(TableOpen, VersionByteSelectsLayoutFamily)
{
    const std::vector<std::pair<uint8_t, uint8_t>> families
        = {{0x03, lfDbase3}, {0x83, lfDbase3}, {0x04, lfDbase4}, {0x7B, lfDbase4}, {0x8B, lfDbase4},
            {0x8E, lfDbase4}, {0x30, lfDbase4}, {0x05, lfVersion5}};
    for (auto [version, family] : families) {
        Write(Image(version, 1));
        TDbfFile table(DbfOpenReadOnly, path, hooks.Hooks());
        TFieldDefs defs;
        table.ReadFieldDefs(defs);
        EXPECT_EQ(table.LayoutFamily(), family) << int(version);
        ASSERT_EQ(defs.size(), 2u) << int(version);
        EXPECT_EQ(defs[1].Name, "COUNT");
        std::string record(static_cast<size_t>(table.RecordSize()), '\0');
        table.ReadRecord(0, record.data());
        char name[11];
        table.GetFieldValue(0, ftString, name, record.data());
        EXPECT_STREQ(name, "row0");
    }
    EXPECT_TRUE(hooks.Messages.empty());
}

TEST_F(TableOpen, FieldCountFollowsHeaderSizeWithOrWithoutTerminator)
{
    for (bool terminator : {true, false}) {
        TableImage image = Image(0x03, 2);
        image.Terminator = terminator;
        Write(image);
        TDbfFile table(DbfOpenReadOnly, path, hooks.Hooks());
        TFieldDefs defs;
        table.ReadFieldDefs(defs);
        EXPECT_EQ(defs.size(), 2u);
        EXPECT_EQ(table.RecordCount(), 2);
    }
}

TEST_F(TableOpen, FieldCountOutsideOneTo255Fails)
{
    auto failure = [&](TableImage image) -> std::string {
        Write(image);
        TDbfFile table(DbfOpenReadOnly, path, hooks.Hooks());
        TFieldDefs defs;
        try {
            table.ReadFieldDefs(defs);
        } catch (const EBinaryDataSetError &error) {
            EXPECT_TRUE(defs.empty());
            EXPECT_TRUE(table.FieldInfos().empty());
            return error.what();
        }
        return "opened";
    };
    TableImage tooSmall = Image(0x03);
    tooSmall.HeaderSize = 63;
    EXPECT_EQ(failure(tooSmall), "Invalid Field count : 0 (must be between 1 and 255)");
    TableImage tooMany = Image(0x03);
    tooMany.HeaderSize = 32 + 32 * 256;
    EXPECT_EQ(failure(tooMany), "Invalid Field count : 256 (must be between 1 and 255)");
    TableImage negative = Image(0x05);
    negative.HeaderSize = 20; // (20 - 68) / 48 truncates toward zero
    EXPECT_EQ(failure(negative), "Invalid Field count : -1 (must be between 1 and 255)");
}

TEST_F(TableOpen, TypeTableGivesValueTypesSizesAndOffsets)
{
    TableImage image;
    image.Fields = {{"S4", 'N', 4}, {"I9", 'N', 9}, {"L10", 'N', 10}, {"F10", 'N', 10, 2},
        {"FL", 'F', 6}, {"OK", 'L', 1}, {"BORN", 'D', 8}, {"NOTE", 'M', 10}, {"TXT", 'C', 7},
        {"ODD", 'X', 3}, {"NONE", 'L', 0}, {"LAST", 'C', 2}};
    Write(image);
    TDbfFile table(DbfOpenReadOnly, path, hooks.Hooks());
    TFieldDefs defs;
    table.ReadFieldDefs(defs);
    const std::vector<TFieldType> types = {ftSmallint, ftInteger, ftLargeint, ftFloat, ftFloat,
        ftBoolean, ftDate, ftMemo, ftString, ftString, ftBoolean, ftString};
    const std::vector<int> sizes = {0, 0, 0, 0, 0, 0, 0, 0, 7, 3, 0, 2};
    ASSERT_EQ(defs.size(), types.size());
    int offset = 1;
    for (size_t i = 0; i < defs.size(); ++i) {
        EXPECT_EQ(defs[i].DataType, types[i]) << defs[i].Name;
        EXPECT_EQ(defs[i].Size, sizes[i]) << defs[i].Name;
        EXPECT_FALSE(defs[i].Required);
        EXPECT_EQ(table.FieldInfos()[i].Offset, offset) << defs[i].Name;
        offset += image.Fields[i].Length;
    }
    EXPECT_EQ(table.FieldInfos()[3].Decimals, 2);
    EXPECT_EQ(table.RecordSize(), offset);
}

TEST_F(TableOpen, ZeroLengthLogicalTouchesNoNeighbour)
{
    TableImage image;
    image.Fields = {{"NONE", 'L', 0}, {"NEXT", 'C', 1}};
    image.Records = {" T"};
    Write(image);
    TDbfFile table(DbfOpenReadOnly, path, hooks.Hooks());
    TFieldDefs defs;
    table.ReadFieldDefs(defs);
    std::string record(2, '\0');
    table.ReadRecord(0, record.data());
    int16_t flag = 7;
    table.GetFieldValue(0, ftBoolean, &flag, record.data());
    EXPECT_EQ(flag, 0);
}

TEST_F(TableOpen, NamesEndAtZeroByteOrAfterTheirWidth)
{
    TableImage dbase3;
    dbase3.Fields = {{"ELEVENCHARS", 'C', 1}, {"AB", 'C', 1}};
    Write(dbase3);
    {
        TDbfFile table(DbfOpenReadOnly, path, hooks.Hooks());
        TFieldDefs defs;
        table.ReadFieldDefs(defs);
        EXPECT_EQ(defs[0].Name, "ELEVENCHARS");
        EXPECT_EQ(defs[1].Name, "AB");
    }
    TableImage version5 = dbase3;
    version5.Version = 0x05;
    version5.Fields[0].Name = std::string(32, 'W');
    Write(version5);
    TDbfFile table(DbfOpenReadOnly, path, hooks.Hooks());
    TFieldDefs defs;
    table.ReadFieldDefs(defs);
    EXPECT_EQ(defs[0].Name, std::string(32, 'W'));
}

TEST_F(TableOpen, RecordCountIsRepairedFromFileSize)
{
    TableImage image = Image(0x03, 12);
    image.HeaderCount = 10;
    Write(image);
    {
        TDbfFile table(DbfOpenReadWrite, path, hooks.Hooks());
        EXPECT_EQ(table.RecordCount(), 12);
        table.WriteHeader();
    }
    ASSERT_EQ(hooks.Messages.size(), 1u);
    EXPECT_EQ(hooks.Messages[0], "Invalid Record Count,\rRecordCount in Hdr : 10\rexpected : 12");
    TDbfFile again(DbfOpenReadOnly, path, hooks.Hooks());
    EXPECT_EQ(again.RecordCount(), 12);
    EXPECT_EQ(hooks.Messages.size(), 1u);
}

TEST_F(TableOpen, AbsurdCountsAndShortFilesLeaveNoRecordBeforeTheHeaderEnd)
{
    TableImage huge = Image(0x03, 3);
    huge.HeaderCount = 0xFFFFFFFF;
    Write(huge);
    EXPECT_EQ(TDbfFile(DbfOpenReadOnly, path, hooks.Hooks()).RecordCount(), 3);
    EXPECT_EQ(
        hooks.Messages.back(), "Invalid Record Count,\rRecordCount in Hdr : -1\rexpected : 3");

    TableImage cut = Image(0x03, 2); // header size far beyond the end of the file
    cut.HeaderSize = 60000;
    cut.HeaderCount = 2;
    Write(cut);
    TDbfFile table(DbfOpenReadOnly, path, hooks.Hooks());
    EXPECT_EQ(table.RecordCount(), 0);
    EXPECT_EQ(hooks.Messages.back(), "Invalid Record Count,\rRecordCount in Hdr : 2\rexpected : 0");
}

TEST_F(TableOpen, RecordSizeZeroCountsNoRecordsUntilFieldsAreKnown)
{
    TableImage image = Image(0x03, 4);
    image.RecordSize = 0;
    image.HeaderCount = 0;
    Write(image);
    TDbfFile table(DbfOpenReadOnly, path, hooks.Hooks());
    EXPECT_EQ(table.RecordCountFromSize(), 0);
    EXPECT_EQ(table.RecordCount(), 0);
    TFieldDefs defs;
    table.ReadFieldDefs(defs);
    EXPECT_EQ(table.RecordSize(), 16);
    EXPECT_EQ(table.RecordCount(), 4);
    EXPECT_EQ(hooks.Messages.back(), "Invalid Record Size,\rRecord Size in Hdr : 0\rExpected : 16");
}

// Records written after a size repair, and the header stored at close, use the same size, so
// the table reads back the same whatever its old header said.
TEST_F(TableOpen, RecordSizeRepairKeepsRecordsAndHeaderInAgreement)
{
    TableImage image = Image(0x03, 0);
    image.RecordSize = 40;
    image.Records.push_back(Record(TwoFields, {"first", "1"}) + std::string(24, '.'));
    Write(image);
    {
        TDbfFile table(DbfOpenReadWrite, path, hooks.Hooks());
        TFieldDefs defs;
        table.ReadFieldDefs(defs);
        EXPECT_EQ(
            hooks.Messages.back(), "Invalid Record Size,\rRecord Size in Hdr : 40\rExpected : 16");
        ASSERT_EQ(table.RecordSize(), 16);
        EXPECT_EQ(table.Header()[10], 16);
        const std::string added = Record(TwoFields, {"added", "2"});
        table.AppendRecord(added.data());
        table.WriteHeader();
    }
    hooks.Messages.clear();
    TDbfFile table(DbfOpenReadOnly, path, hooks.Hooks());
    TFieldDefs defs;
    table.ReadFieldDefs(defs);
    EXPECT_TRUE(hooks.Messages.empty());
    std::string record(16, '\0');
    table.ReadRecord(table.RecordCount() - 1, record.data());
    char name[11];
    table.GetFieldValue(0, ftString, name, record.data());
    EXPECT_STREQ(name, "added");
}

TEST_F(TableOpen, CutHeaderOrDescriptorFailsWithReadError)
{
    const std::string full = Image(0x03, 1).Bytes();
    Write(full.substr(0, 31));
    try {
        TDbfFile table(DbfOpenReadOnly, path, hooks.Hooks());
        FAIL() << "opened a 31-byte table";
    } catch (const EReadError &error) {
        EXPECT_STREQ(error.what(), "Stream read error");
    }
    Write(full.substr(0, 70)); // the second descriptor is cut
    TDbfFile table(DbfOpenReadOnly, path, hooks.Hooks());
    TFieldDefs defs;
    EXPECT_THROW(table.ReadFieldDefs(defs), EReadError);
    EXPECT_TRUE(defs.empty());
    EXPECT_TRUE(table.FieldInfos().empty());
}

TEST_F(TableOpen, ReadingFieldDefsAgainRebuildsFieldInfos)
{
    Write(Image(0x04, 1));
    TDbfFile table(DbfOpenReadOnly, path, hooks.Hooks());
    TFieldDefs defs;
    table.ReadFieldDefs(defs);
    table.ReadFieldDefs(defs);
    EXPECT_EQ(table.FieldInfos().size(), 2u);
    EXPECT_EQ(defs.size(), 4u) << "definitions are only added to the caller's collection";
    char value[11];
    EXPECT_THROW(table.GetFieldValue(2, ftString, value, "x"), EBinaryDataSetError);
}

TEST_F(TableOpen, MissingOrUnopenableFileFailsNamingIt)
{
    for (const std::string &name : {dir.Path("absent.dbf"), dir.Path("")}) {
        try {
            TDbfFile table(DbfOpenReadOnly, name, hooks.Hooks());
            FAIL() << "opened " << name;
        } catch (const EBinaryDataSetError &error) {
            EXPECT_NE(std::string(error.what()).find("\"" + name + "\""), std::string::npos)
                << error.what();
        }
    }
}

} // namespace
