// TDbtFile: the memo file beside a table (same name, extension ".dbt"). Block n starts at
// n * block size; block 0 holds the memo header, so a memo field's block number 0 means "no
// memo". A dBase III memo ends with two 0x1A bytes; a dBase IV memo starts with an 8-byte block
// header that carries its length. Memo text is never converted between code pages.
//
// The table dataset owns the memo file object beside its table file object and opens both with
// the same mode. Not thread-safe.
#pragma once

#include "dbf/paged_file.h"

#include <array>
#include <cstdint>
#include <set>
#include <string>

namespace kelvane {

// What reading one memo found.
struct MemoRead
{
    // The stored length ran past the end of the file or into a block that starts another memo
    // (dBase IV layout); the text was cut there.
    bool damaged = false;
    // The text length the memo's block header claims (dBase IV layout), 0 otherwise.
    int64_t claimedLength = 0;
};

class TDbtFile : public TPagedFile
{
public:
    using MemoHeaderBytes = std::array<uint8_t, 24>;

    // Opens the memo file and reads its header; a block size of 0 or one that is not a multiple
    // of 128 becomes 512 (in memory; the file follows at the next append).
    // Throws EBinaryDataSetError when the file cannot be opened.
    TDbtFile(bool dbase4Layout, uint16_t mode, const std::string &fileName,
        FileSystem &files = FileSystem::disk());

    bool Dbase4Layout() const { return m_dbase4Layout; }
    const MemoHeaderBytes &MemoHeader() const { return m_memoHeader; }
    int32_t nextFreeBlock() const;

    // Appends the memo text of the block to destination and rewinds it to position 0. Block 0
    // (or below) adds nothing and leaves the stream alone. A damaged memo reads short or empty:
    // the text never goes past the end of the file nor into another memo's block.
    MemoRead ReadMemo(int32_t blockNumber, TStream &destination);

    // True the first time it is asked about a block, so that a damaged memo that is read again
    // and again is reported once while the file is open.
    bool firstReportOf(int32_t blockNumber) { return m_reported.insert(blockNumber).second; }

    // Stores the whole of source as a memo. It is rewritten in place when it fits in the blocks
    // the old text held (oldLength bytes at blockNumber), otherwise appended at the end of the
    // file (whatever the header's next free block says) and the memo header is written. blockNumber
    // receives where the memo lies, 0 for an empty text. Throws EWriteError when the file cannot be
    // written.
    void WriteMemo(int32_t &blockNumber, int32_t oldLength, TStream &source);

private:
    MemoRead readDbase4Memo(TStream &destination);
    bool startsMemo(int64_t position);
    void readDbase3Memo(TStream &destination);
    int32_t appendBlock();
    void setNextFreeBlock(int32_t block);

    bool m_dbase4Layout;
    MemoHeaderBytes m_memoHeader {};
    std::set<int32_t> m_reported;
};

} // namespace kelvane
