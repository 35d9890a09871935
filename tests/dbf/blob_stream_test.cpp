// Memo streams as a dataset uses them: loading the current memo, storing on release in write mode
// only, cutting at the position, and a table without a memo file.
#include "dbf/blob_stream.h"
#include "dbf/errors.h"
#include "dbf/memo_file.h"
#include "dbf/table_file.h"
#include "dbf_test_support.h"

#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>
#include <string>

using namespace DbfTest;

namespace {

const std::vector<FieldSpec> Fields = {{"NAME", 'C', 5}, {"NOTE", 'M', 10}};
constexpr int NoteField = 2;

class BlobStream : public ::testing::Test
{
protected:
    void SetUp() override
    {
        TableImage image;
        image.Version = 0x83;
        image.Fields = Fields;
        image.Records = {Record(Fields, {"one", "         1"})};
        WriteFile(dir.Path("t.dbf"), image.Bytes());
        std::string memo = std::string("\x02\0\0\0", 4) + std::string(508, '\0');
        WriteFile(dir.Path("t.dbt"), memo + "hello world\x1A\x1A");
        Open(true);
    }

    void Open(bool withMemo)
    {
        host.memo.reset();
        host.table.reset(); // its write lock would stop the new open
        host.table = std::make_unique<TDbfFile>(DbfOpenReadWrite, dir.Path("t.dbf"), hooks.Hooks());
        TFieldDefs defs;
        host.table->ReadFieldDefs(defs);
        if (withMemo)
            host.memo = std::make_unique<TDbtFile>(false, DbfOpenReadWrite, dir.Path("t.dbt"));
        host.record.assign(static_cast<size_t>(host.table->RecordSize()), '\0');
        host.table->ReadRecord(0, host.record.data());
    }

    std::string Note() { return host.record.substr(6, 10); }
    std::string MemoText()
    {
        TMyBlobFile stream(bmRead, NoteField, host);
        return std::string(stream.Memory(), static_cast<size_t>(stream.Size()));
    }

    TempDir dir;
    RecordingHooks hooks;
    BlobHost host;
};

TEST_F(BlobStream, LoadsTheCurrentMemoAtPositionZero)
{
    TMyBlobFile stream(bmReadWrite, NoteField, host);
    EXPECT_EQ(stream.BlockNumber(), 1);
    EXPECT_EQ(stream.OldLength(), 11);
    EXPECT_EQ(stream.Position(), 0);
    EXPECT_EQ(std::string(stream.Memory(), 11), "hello world");
}

TEST_F(BlobStream, ReadModesStoreNothingWhateverWasWritten)
{
    const std::string before = ReadFile(dir.Path("t.dbt"));
    for (TBlobStreamMode mode : {bmRead, bmReadWrite}) {
        TMyBlobFile stream(mode, NoteField, host);
        stream.Write(std::string(700, 'z').data(), 700);
        stream.Release();
    }
    {
        TMyBlobFile dropped(bmRead, NoteField, host);
    }
    EXPECT_EQ(ReadFile(dir.Path("t.dbt")), before);
    EXPECT_EQ(Note(), "         1");
}

TEST_F(BlobStream, WriteModeStoresTextUpToThePositionAndTheBlockNumber)
{
    {
        TMyBlobFile stream(bmWrite, NoteField, host);
        stream.Write("hi", 2); // shorter than the loaded text: the rest is cut
    }
    EXPECT_EQ(Note(), "         1");
    EXPECT_EQ(MemoText(), "hi");
    TMyBlobFile longer(bmWrite, NoteField, host);
    longer.Write(std::string(600, 'L').data(), 600);
    longer.Release();
    EXPECT_EQ(longer.BlockNumber(), 2);
    EXPECT_EQ(Note(), "         2");
    EXPECT_EQ(MemoText(), std::string(600, 'L'));
}

TEST_F(BlobStream, EmptiedMemoSetsBlockZero)
{
    const std::string before = ReadFile(dir.Path("t.dbt"));
    TMyBlobFile(bmWrite, NoteField, host).Release();
    EXPECT_EQ(Note(), "         0");
    EXPECT_EQ(MemoText(), "");
    EXPECT_EQ(ReadFile(dir.Path("t.dbt")), before);
}

TEST_F(BlobStream, NothingIsStoredWhileAnErrorUnwinds)
{
    try {
        TMyBlobFile stream(bmWrite, NoteField, host);
        stream.Write("half", 4);
        throw std::runtime_error("writer failed");
    } catch (const std::runtime_error &) { }
    EXPECT_EQ(MemoText(), "hello world");
}

TEST_F(BlobStream, WithoutMemoFileReadsEmptyAndRefusesToStore)
{
    Open(false);
    EXPECT_EQ(MemoText(), "");
    TMyBlobFile stream(bmWrite, NoteField, host);
    EXPECT_EQ(stream.BlockNumber(), 1);
    stream.Write("text", 4);
    try {
        stream.Release();
        FAIL() << "stored a memo without a memo file";
    } catch (const EBinaryDataSetError &error) {
        EXPECT_NE(std::string(error.what()).find("has no memo file"), std::string::npos);
    }
    {
        TMyBlobFile dropped(bmWrite, NoteField, host);
    }
    ASSERT_EQ(hooks.Messages.size(), 1u) << "a destructor reports what it cannot raise";
    EXPECT_NE(hooks.Messages[0].find("has no memo file"), std::string::npos);
    EXPECT_EQ(Note(), "         1");
}

TEST_F(BlobStream, NonNumericFieldMeansNoMemo)
{
    host.record.replace(6, 10, "    abc   ");
    TMyBlobFile stream(bmRead, NoteField, host);
    EXPECT_EQ(stream.BlockNumber(), 0);
    EXPECT_EQ(stream.Size(), 0);
}

} // namespace
