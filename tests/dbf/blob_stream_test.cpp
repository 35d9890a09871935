// Memo streams as a dataset uses them: loading the current memo, storing on release in write mode
// only, cutting at the position, and a table without a memo file.
#include "dbf/errors.h"
#include "support/dbf/dbf_test_support.h"

#include <gtest/gtest.h>
#include <stdexcept>

using namespace kelvane;

using namespace DbfTest;

namespace {

const std::vector<FieldLayout> Fields = {{"NAME", 'C', 5}, {"NOTE", 'M', 10}};
constexpr int Note = 1;

class BlobStream : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WriteFile(dir.Path("t.dbf"),
            TableImage(0x83, Fields, {Record(Fields, {"one", "         1"})}).Bytes());
        // Next free block 2, block size 0 (taken as 512), one memo in block 1.
        WriteFile(
            memoPath, std::string("\x02", 1) + std::string(511, '\0') + "hello world\x1A\x1A");
        Open(memoPath);
    }
    void Open(const std::string &memo)
    {
        t.reset(); // its write lock would stop the new open
        t = std::make_unique<OpenTable>(dir.Path("t.dbf"), DbfOpenReadWrite, hooks.Hooks(), memo);
        t->Read(0);
    }
    std::string NoteBytes() const { return t->record.substr(6, 10); }

    TempDir dir;
    std::string memoPath = dir.Path("t.dbt");
    RecordingHooks hooks;
    std::unique_ptr<OpenTable> t;
};

TEST_F(BlobStream, LoadsTheCurrentMemoAtPositionZero)
{
    TMyBlobFile stream(bmReadWrite, Note + 1, *t);
    EXPECT_EQ(stream.BlockNumber(), 1);
    EXPECT_EQ(stream.OldLength(), 11);
    EXPECT_EQ(stream.Position(), 0);
    EXPECT_EQ(std::string(stream.Memory(), 11), "hello world");
    t->record.replace(6, 10, "    abc   ");
    EXPECT_EQ(TMyBlobFile(bmRead, Note + 1, *t).BlockNumber(), 0) << "no integer: no memo";
}

TEST_F(BlobStream, ReadModesStoreNothingWhateverWasWritten)
{
    const std::string before = ReadFile(memoPath);
    for (TBlobStreamMode mode : {bmRead, bmReadWrite}) {
        TMyBlobFile stream(mode, Note + 1, *t);
        stream.Write(std::string(700, 'z').data(), 700);
        if (mode == bmRead)
            stream.Release();
    }
    EXPECT_EQ(ReadFile(memoPath), before);
    EXPECT_EQ(NoteBytes(), "         1");
}

TEST_F(BlobStream, WriteModeStoresTextUpToThePositionAndTheBlockNumber)
{
    {
        TMyBlobFile stream(bmWrite, Note + 1, *t);
        stream.Write("hi", 2); // shorter than the loaded text: the rest is cut
    }
    EXPECT_EQ(NoteBytes(), "         1");
    EXPECT_EQ(t->Memo(Note), "hi");
    t->StoreMemo(Note, std::string(600, 'L'));
    EXPECT_EQ(NoteBytes(), "         2");
    EXPECT_EQ(t->Memo(Note), std::string(600, 'L'));
}

TEST_F(BlobStream, EmptiedMemoLeavesTheFieldBlank)
{
    const std::string before = ReadFile(memoPath);
    TMyBlobFile(bmWrite, Note + 1, *t).Release();
    EXPECT_EQ(NoteBytes(), std::string(10, ' '));
    EXPECT_EQ(t->Memo(Note), "");
    EXPECT_EQ(ReadFile(memoPath), before);
}

TEST_F(BlobStream, NothingIsStoredWhileAnErrorUnwinds)
{
    try {
        TMyBlobFile stream(bmWrite, Note + 1, *t);
        stream.Write("half", 4);
        throw std::runtime_error("writer failed");
    } catch (const std::runtime_error &) { }
    EXPECT_EQ(t->Memo(Note), "hello world");
}

TEST_F(BlobStream, WithoutMemoFileReadsEmptyAndRefusesToStore)
{
    Open({});
    EXPECT_EQ(t->Memo(Note), "");
    try {
        t->StoreMemo(Note, "text");
        FAIL() << "stored a memo without a memo file";
    } catch (const EBinaryDataSetError &error) {
        EXPECT_NE(std::string(error.what()).find("has no memo file"), std::string::npos);
    }
    {
        TMyBlobFile dropped(bmWrite, Note + 1, *t);
    }
    ASSERT_EQ(hooks.Messages.size(), 1u) << "a destructor reports what it cannot raise";
    EXPECT_NE(hooks.Messages[0].find("has no memo file"), std::string::npos);
    EXPECT_EQ(NoteBytes(), "         1");
}

} // namespace
