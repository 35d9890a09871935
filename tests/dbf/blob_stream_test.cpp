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
        WriteFile(m_dir.path("t.dbf"),
            TableImage(0x83, Fields, {recordBytes(Fields, {"one", "         1"})}).bytes());
        // Next free block 2, block size 0 (taken as 512), one memo in block 1.
        WriteFile(
            m_memoPath, std::string("\x02", 1) + std::string(511, '\0') + "hello world\x1A\x1A");
        Open(m_memoPath);
    }
    void Open(const std::string &memo)
    {
        m_t.reset(); // its write lock would stop the new open
        m_t = std::make_unique<OpenTable>(
            m_dir.path("t.dbf"), DbfOpenReadWrite, m_hooks.hooks(), memo);
        m_t->Read(0);
    }
    std::string noteBytes() const { return m_t->record.substr(6, 10); }

    TempDir m_dir;
    std::string m_memoPath = m_dir.path("t.dbt");
    RecordingHooks m_hooks;
    std::unique_ptr<OpenTable> m_t;
};

TEST_F(BlobStream, LoadsTheCurrentMemoAtPositionZero)
{
    TMyBlobFile stream(bmReadWrite, Note + 1, *m_t);
    EXPECT_EQ(stream.BlockNumber(), 1);
    EXPECT_EQ(stream.OldLength(), 11);
    EXPECT_EQ(stream.Position(), 0);
    EXPECT_EQ(std::string(stream.Memory(), 11), "hello world");
    m_t->record.replace(6, 10, "    abc   ");
    EXPECT_EQ(TMyBlobFile(bmRead, Note + 1, *m_t).BlockNumber(), 0) << "no integer: no memo";
}

TEST_F(BlobStream, ReadModesStoreNothingWhateverWasWritten)
{
    const std::string before = ReadFile(m_memoPath);
    for (TBlobStreamMode mode : {bmRead, bmReadWrite}) {
        TMyBlobFile stream(mode, Note + 1, *m_t);
        stream.Write(std::string(700, 'z').data(), 700);
        if (mode == bmRead)
            stream.release();
    }
    EXPECT_EQ(ReadFile(m_memoPath), before);
    EXPECT_EQ(noteBytes(), "         1");
}

TEST_F(BlobStream, WriteModeStoresTextUpToThePositionAndTheBlockNumber)
{
    {
        TMyBlobFile stream(bmWrite, Note + 1, *m_t);
        stream.Write("hi", 2); // shorter than the loaded text: the rest is cut
    }
    EXPECT_EQ(noteBytes(), "         1");
    EXPECT_EQ(m_t->memoText(Note), "hi");
    m_t->storeMemo(Note, std::string(600, 'L'));
    EXPECT_EQ(noteBytes(), "         2");
    EXPECT_EQ(m_t->memoText(Note), std::string(600, 'L'));
}

TEST_F(BlobStream, EmptiedMemoLeavesTheFieldBlank)
{
    const std::string before = ReadFile(m_memoPath);
    TMyBlobFile(bmWrite, Note + 1, *m_t).release();
    EXPECT_EQ(noteBytes(), std::string(10, ' '));
    EXPECT_EQ(m_t->memoText(Note), "");
    EXPECT_EQ(ReadFile(m_memoPath), before);
}

TEST_F(BlobStream, NothingIsStoredWhileAnErrorUnwinds)
{
    try {
        TMyBlobFile stream(bmWrite, Note + 1, *m_t);
        stream.Write("half", 4);
        throw std::runtime_error("writer failed");
    } catch (const std::runtime_error &) { }
    EXPECT_EQ(m_t->memoText(Note), "hello world");
}

TEST_F(BlobStream, WithoutMemoFileReadsEmptyAndRefusesToStore)
{
    Open({});
    EXPECT_EQ(m_t->memoText(Note), "");
    try {
        m_t->storeMemo(Note, "text");
        FAIL() << "stored a memo without a memo file";
    } catch (const EBinaryDataSetError &error) {
        EXPECT_NE(std::string(error.what()).find("has no memo file"), std::string::npos);
    }
    {
        TMyBlobFile dropped(bmWrite, Note + 1, *m_t);
    }
    ASSERT_EQ(m_hooks.messages.size(), 1u) << "a destructor reports what it cannot raise";
    EXPECT_NE(m_hooks.messages[0].find("has no memo file"), std::string::npos);
    EXPECT_EQ(noteBytes(), "         1");
}

} // namespace
