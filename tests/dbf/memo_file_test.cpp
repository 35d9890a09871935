// The memo file: block size rule, reading both memo layouts (also damaged ones), and storing
// memos in place or appended with the block counts of each layout.
#include "dbf/memo_file.h"
#include "dbf/table_file.h"
#include "support/dbf/dbf_test_support.h"

#include <gtest/gtest.h>
#include <string>

using namespace kelvane;

using namespace DbfTest;

namespace {

std::string le32(uint32_t value)
{
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[static_cast<size_t>(i)] = static_cast<char>(value >> (8 * i));
    return bytes;
}

// A memo header block of 512 bytes (or blocks of blockSize when it is valid).
std::string MemoHeader(uint32_t nextFree, int blockSize)
{
    std::string bytes = le32(nextFree) + std::string(16, '\0');
    bytes += static_cast<char>(blockSize & 0xFF);
    bytes += static_cast<char>(blockSize >> 8);
    bytes.resize(blockSize > 0 && blockSize % 128 == 0 ? size_t(blockSize) : 512u, '\0');
    return bytes;
}

std::string dbase4Block(const std::string &text, uint32_t storedLength)
{
    return std::string("\xFF\xFF\x08\x00", 4) + le32(storedLength) + text;
}

std::string letters(size_t length, char first = 'a')
{
    std::string text(length, ' ');
    for (size_t i = 0; i < length; ++i)
        text[i] = static_cast<char>(first + i % 26);
    return text;
}

class MemoFile : public ::testing::Test
{
protected:
    std::string ReadMemo(bool dbase4, const std::string &bytes, int32_t block)
    {
        WriteFile(m_path, bytes);
        TDbtFile memo(dbase4, DbfOpenReadOnly, m_path);
        TMemoryStream text;
        memo.ReadMemo(block, text);
        EXPECT_EQ(text.Position(), 0);
        return std::string(text.Memory(), static_cast<size_t>(text.Size()));
    }

    int32_t store(TDbtFile &memo, int32_t block, int32_t oldLength, const std::string &text)
    {
        TMemoryStream source;
        source.Write(text.data(), static_cast<int64_t>(text.size()));
        memo.WriteMemo(block, oldLength, source);
        return block;
    }

    TempDir m_dir;
    std::string m_path = m_dir.path("t.dbt");
};

TEST_F(MemoFile, BlockSizeZeroOrNotAMultipleOf128Becomes512)
{
    for (auto [stored, used] : {std::pair {0, 512}, {1024, 1024}, {1000, 512}, {384, 384}}) {
        const std::string bytes = MemoHeader(1, stored);
        WriteFile(m_path, bytes);
        TDbtFile memo(true, DbfOpenReadWrite, m_path);
        EXPECT_EQ(memo.RecordSize(), used) << stored;
        EXPECT_EQ(memo.HeaderSize(), 0);
        EXPECT_EQ(memo.MemoHeader()[20] | memo.MemoHeader()[21] << 8, used);
        EXPECT_EQ(ReadFile(m_path), bytes) << "the file changes only when a memo is appended";
    }
    WriteFile(m_path, "\x05"); // shorter than a memo header: the rest reads as zeros
    TDbtFile memo(false, DbfOpenReadOnly, m_path);
    EXPECT_EQ(memo.nextFreeBlock(), 5);
    EXPECT_EQ(memo.RecordSize(), 512);
}

TEST_F(MemoFile, Dbase4MemosTakeEightHeaderBytesPerText)
{
    WriteFile(m_path, MemoHeader(7, 512) + std::string(6 * 512, 'x'));
    TDbtFile memo(true, DbfOpenReadWrite, m_path);
    EXPECT_EQ(store(memo, 0, 0, letters(505)), 7);
    EXPECT_EQ(memo.nextFreeBlock(), 9);
    EXPECT_EQ(store(memo, 0, 0, letters(504)), 9);
    EXPECT_EQ(memo.nextFreeBlock(), 10);
    const std::string bytes = ReadFile(m_path);
    EXPECT_EQ(bytes.substr(0, 4), le32(10));
    EXPECT_EQ(bytes.substr(7 * 512, 8 + 505), dbase4Block(letters(505), 513));
    EXPECT_EQ(bytes.size(), size_t(9 * 512 + 8 + 504)) << "nothing follows the text";
}

TEST_F(MemoFile, Dbase3MemosEndWithTwoMarks)
{
    WriteFile(m_path, MemoHeader(1, 0));
    TDbtFile memo(false, DbfOpenReadWrite, m_path);
    EXPECT_EQ(store(memo, 0, 0, letters(510)), 1);
    EXPECT_EQ(store(memo, 0, 0, letters(511)), 2);
    EXPECT_EQ(memo.nextFreeBlock(), 4);
    const std::string bytes = ReadFile(m_path);
    EXPECT_EQ(bytes.substr(512, 512), letters(510) + "\x1A\x1A");
    EXPECT_EQ(bytes.substr(1024), letters(511) + "\x1A\x1A");
}

TEST_F(MemoFile, ShorterTextStaysLongerTextMoves)
{
    for (bool dbase4 : {false, true}) {
        WriteFile(m_path, MemoHeader(1, 512));
        TDbtFile memo(dbase4, DbfOpenReadWrite, m_path);
        const int32_t block = store(memo, 0, 0, letters(300));
        const std::string header = ReadFile(m_path).substr(0, 24);
        EXPECT_EQ(store(memo, block, 300, letters(200, 'A')), block);
        EXPECT_EQ(ReadFile(m_path).substr(0, 24), header) << "in place: header untouched";
        TMemoryStream text;
        memo.ReadMemo(block, text);
        EXPECT_EQ(std::string(text.Memory(), size_t(text.Size())), letters(200, 'A'));
        EXPECT_EQ(store(memo, block, 300, letters(600)), block + 1);
    }
}

TEST_F(MemoFile, EmptyTextStoresNothing)
{
    const std::string bytes = MemoHeader(3, 512) + std::string(1024, 'x');
    WriteFile(m_path, bytes);
    TDbtFile memo(true, DbfOpenReadWrite, m_path);
    EXPECT_EQ(store(memo, 2, 100, ""), 0);
    EXPECT_EQ(ReadFile(m_path), bytes);
}

TEST_F(MemoFile, AppendGoesToTheEndOfTheFileWhateverTheNextFreeBlockSays)
{
    for (uint32_t nextFree : {0u, 2u, 0x40404040u}) {
        WriteFile(m_path, MemoHeader(nextFree, 512) + std::string(2 * 512, 'u'));
        TDbtFile memo(true, DbfOpenReadWrite, m_path);
        EXPECT_EQ(store(memo, 0, 0, "new"), 3) << nextFree;
        const std::string bytes = ReadFile(m_path);
        EXPECT_EQ(bytes.substr(512, 1024), std::string(1024, 'u')) << "used blocks stay";
        EXPECT_EQ(bytes.size(), 3 * 512u + 8 + 3) << "no gap after the last block";
        EXPECT_EQ(memo.nextFreeBlock(), 4);
    }
}

TEST_F(MemoFile, Dbase3TextEndsAtMarkPairZeroByteOrEndOfFile)
{
    const std::string head = MemoHeader(9, 512);
    EXPECT_EQ(ReadMemo(false, head + letters(6000) + "\x1A\x1A" + "junk", 1), letters(6000));
    // The pair is split between the first two 4096-byte pieces.
    EXPECT_EQ(ReadMemo(false, head + letters(4095) + "\x1A\x1A", 1), letters(4095));
    EXPECT_EQ(ReadMemo(false, head + letters(4095) + "\x1A" + "b\x1A\x1A", 1),
        letters(4095) + "\x1A" + "b");
    EXPECT_EQ(ReadMemo(false, head + "one\x1A" + std::string("two\0three", 9), 1), "one\x1Atwo");
    EXPECT_EQ(ReadMemo(false, head + "tail\x1A", 1), "tail\x1A");
    EXPECT_EQ(ReadMemo(false, head + "x", 5), "") << "a block past the end reads empty";
}

TEST_F(MemoFile, Dbase4TextFollowsItsStoredLength)
{
    const std::string head = MemoHeader(9, 512);
    EXPECT_EQ(ReadMemo(true, head + dbase4Block("hello, world", 13), 1), "hello");
    EXPECT_EQ(ReadMemo(true, head + "\xFF\xFF\x08\x01" + le32(13) + "hello", 1), "");
    for (uint32_t belowEight : {0u, 5u, 7u})
        EXPECT_EQ(ReadMemo(true, head + dbase4Block("text", belowEight), 1), "");
    EXPECT_EQ(ReadMemo(true, head + dbase4Block("cut short", 0xFFFFFFFFu), 1), "cut short");
    EXPECT_EQ(ReadMemo(true, head + dbase4Block("x", 9).substr(0, 6), 1), "");
    EXPECT_EQ(ReadMemo(true, head + dbase4Block("x", 9), 2000000000), "");
}

TEST_F(MemoFile, Dbase4TextNeverRunsIntoAnotherMemoOrPastTheFile)
{
    const std::string head = MemoHeader(4, 512);
    const std::string next = dbase4Block("next", 12);
    const std::string pad(512 - 8 - 5, '\0');
    WriteFile(m_path, head + dbase4Block("first", 0xFFFFFFF0u) + pad + next);
    TDbtFile memo(true, DbfOpenReadOnly, m_path);
    TMemoryStream text;
    MemoRead read = memo.ReadMemo(1, text);
    EXPECT_TRUE(read.damaged);
    EXPECT_EQ(read.claimedLength, 0xFFFFFFF0 - 8);
    EXPECT_EQ(std::string(text.Memory(), size_t(text.Size())), "first" + pad)
        << "up to the next memo's block, without its header";
    EXPECT_TRUE(memo.firstReportOf(1));
    EXPECT_FALSE(memo.firstReportOf(1));

    const std::string spanning = letters(1000); // its second block starts with text, not a header
    WriteFile(m_path, head + dbase4Block(spanning, 1008) + std::string(16, '\0') + next);
    TDbtFile intact(true, DbfOpenReadOnly, m_path);
    TMemoryStream whole;
    EXPECT_FALSE(intact.ReadMemo(1, whole).damaged);
    EXPECT_EQ(std::string(whole.Memory(), size_t(whole.Size())), spanning);
    TMemoryStream last;
    EXPECT_FALSE(intact.ReadMemo(3, last).damaged) << "a memo that ends with the file";
    EXPECT_EQ(std::string(last.Memory(), size_t(last.Size())), "next");

    WriteFile(m_path, head + dbase4Block(spanning, 2000));
    TDbtFile cut(true, DbfOpenReadOnly, m_path);
    TMemoryStream rest;
    EXPECT_TRUE(cut.ReadMemo(1, rest).damaged) << "the file ends inside the memo";
    EXPECT_EQ(std::string(rest.Memory(), size_t(rest.Size())), spanning);
}

TEST_F(MemoFile, BlockZeroLeavesTheStreamAlone)
{
    WriteFile(m_path, MemoHeader(2, 512) + "text\x1A\x1A");
    TDbtFile memo(false, DbfOpenReadOnly, m_path);
    TMemoryStream stream;
    stream.Write("ab", 2);
    memo.ReadMemo(0, stream);
    EXPECT_EQ(stream.Position(), 2);
    memo.ReadMemo(1, stream);
    EXPECT_EQ(std::string(stream.Memory(), size_t(stream.Size())), "abtext");
}

} // namespace
