#include "dbf/memo_file.h"

#include "dbf/errors.h"

#include <algorithm>
#include <limits>

namespace kelvane {

namespace {

constexpr int32_t DefaultBlockSize = 512;
constexpr int64_t ReadPiece = 4096;
constexpr int64_t WritePiece = 512;
constexpr uint8_t Dbase4Signature[4] = {0xFF, 0xFF, 0x08, 0x00};
constexpr int Dbase4BlockHeader = 8;
constexpr char Dbase3EndMark = 0x1A;

int64_t blocksFor(int64_t bytes, int64_t blockSize)
{
    return (bytes + blockSize - 1) / blockSize;
}

} // namespace

TDbtFile::TDbtFile(bool dbase4Layout, uint16_t mode, const std::string &fileName, FileSystem &files)
    : TPagedFile(mode, fileName, files), m_dbase4Layout(dbase4Layout)
{
    if (!Stream())
        throw EBinaryDataSetError("Cannot open memo file \"" + fileName + "\": " + openError());
    Stream()->SetPosition(0);
    Stream()->Read(m_memoHeader.data(), static_cast<int64_t>(m_memoHeader.size()));
    int32_t blockSize = m_memoHeader[20] | m_memoHeader[21] << 8;
    if (blockSize == 0 || blockSize % 128 != 0) {
        blockSize = DefaultBlockSize;
        m_memoHeader[20] = static_cast<uint8_t>(blockSize);
        m_memoHeader[21] = static_cast<uint8_t>(blockSize >> 8);
    }
    m_headerSize = 0;
    m_recordSize = blockSize;
}

int32_t TDbtFile::nextFreeBlock() const
{
    return static_cast<int32_t>(uint32_t(m_memoHeader[0]) | uint32_t(m_memoHeader[1]) << 8
        | uint32_t(m_memoHeader[2]) << 16 | uint32_t(m_memoHeader[3]) << 24);
}

void TDbtFile::setNextFreeBlock(int32_t block)
{
    for (int i = 0; i < 4; ++i)
        m_memoHeader[i] = static_cast<uint8_t>(static_cast<uint32_t>(block) >> (8 * i));
}

MemoRead TDbtFile::ReadMemo(int32_t blockNumber, TStream &destination)
{
    if (blockNumber <= 0 || !Stream())
        return {};
    destination.SetPosition(destination.Size());
    SeekRecord(blockNumber);
    MemoRead read;
    if (m_dbase4Layout)
        read = readDbase4Memo(destination);
    else
        readDbase3Memo(destination);
    destination.SetPosition(0);
    return read;
}

bool TDbtFile::startsMemo(int64_t position)
{
    uint8_t head[4];
    Stream()->SetPosition(position);
    const bool starts = Stream()->Read(head, sizeof head) == sizeof head
        && std::equal(head, head + 4, Dbase4Signature);
    Stream()->SetPosition(position);
    return starts;
}

// The text is read block by block, so that a stored length that runs on into the next memo
// stops at that memo's block header.
MemoRead TDbtFile::readDbase4Memo(TStream &destination)
{
    uint8_t head[Dbase4BlockHeader];
    if (Stream()->Read(head, sizeof head) != sizeof head
        || !std::equal(head, head + 4, Dbase4Signature))
        return {};
    const uint32_t stored = uint32_t(head[4]) | uint32_t(head[5]) << 8 | uint32_t(head[6]) << 16
        | uint32_t(head[7]) << 24;
    // A stored length below the block header's own 8 bytes holds no text.
    MemoRead read;
    read.claimedLength = stored < Dbase4BlockHeader ? 0 : int64_t(stored) - Dbase4BlockHeader;
    int64_t remaining = read.claimedLength;
    char piece[ReadPiece];
    while (remaining > 0) {
        const int64_t position = Stream()->Position();
        const int64_t nextBlock = (position / m_recordSize + 1) * m_recordSize;
        const int64_t wanted = std::min({remaining, ReadPiece, nextBlock - position});
        const int64_t got = Stream()->Read(piece, wanted);
        destination.Write(piece, got);
        remaining -= got;
        if (got < wanted
            || (remaining > 0 && position + got == nextBlock && startsMemo(nextBlock))) {
            read.damaged = true;
            break;
        }
    }
    return read;
}

void TDbtFile::readDbase3Memo(TStream &destination)
{
    char piece[ReadPiece];
    // A 0x1A that ends a piece may be the first half of the end mark.
    bool heldEndMark = false;
    for (;;) {
        const int64_t got = Stream()->Read(piece, ReadPiece);
        if (got <= 0)
            break;
        if (heldEndMark) {
            if (piece[0] == Dbase3EndMark)
                return;
            destination.Write(&Dbase3EndMark, 1);
            heldEndMark = false;
        }
        for (int64_t i = 0; i < got; ++i) {
            const bool pairStart
                = piece[i] == Dbase3EndMark && (i + 1 == got || piece[i + 1] == Dbase3EndMark);
            if (piece[i] == '\0' || (pairStart && i + 1 < got)) {
                destination.Write(piece, i);
                return;
            }
            if (pairStart)
                heldEndMark = true;
        }
        destination.Write(piece, heldEndMark ? got - 1 : got);
        if (got < ReadPiece)
            break;
    }
    if (heldEndMark) // the file ended after a single 0x1A: it belongs to the text
        destination.Write(&Dbase3EndMark, 1);
}

int32_t TDbtFile::appendBlock()
{
    // The header's next free block is where the file ends in every memo file written whole. One
    // that lies inside the header or inside used blocks would overwrite them, and a damaged one
    // far beyond the end would leave a gap of gigabytes; the end of the file is safe.
    const int64_t fileBlocks = blocksFor(Stream()->Size(), m_recordSize);
    return static_cast<int32_t>(
        std::min<int64_t>(std::max<int64_t>(fileBlocks, 1), std::numeric_limits<int32_t>::max()));
}

void TDbtFile::WriteMemo(int32_t &blockNumber, int32_t oldLength, TStream &source)
{
    const int64_t size = source.Size();
    if (size == 0) {
        blockNumber = 0;
        return;
    }
    if (!Stream())
        throw EAssertionFailed("memo file not open");
    const int header = m_dbase4Layout ? Dbase4BlockHeader : 0;
    const int trailer = m_dbase4Layout ? 0 : 2;
    if (size > std::numeric_limits<int32_t>::max() - Dbase4BlockHeader)
        throw EBinaryDataSetError("Memo too long: " + std::to_string(size) + " bytes");
    const int64_t needed = blocksFor(size + header + trailer, m_recordSize);
    const int64_t held = blockNumber > 0 && oldLength > 0 ? blocksFor(oldLength, m_recordSize) : 0;
    const bool append = needed > held;
    const int32_t block = append ? appendBlock() : blockNumber;
    if (append && block + needed > std::numeric_limits<int32_t>::max())
        throw EBinaryDataSetError("Memo file \"" + FileName() + "\" is full");

    SeekRecord(block);
    if (m_dbase4Layout) {
        uint8_t head[Dbase4BlockHeader] = {0xFF, 0xFF, 0x08, 0x00};
        const uint32_t stored = static_cast<uint32_t>(size + Dbase4BlockHeader);
        for (int i = 0; i < 4; ++i)
            head[4 + i] = static_cast<uint8_t>(stored >> (8 * i));
        Stream()->WriteBuffer(head, sizeof head);
    }
    char piece[WritePiece];
    source.SetPosition(0);
    for (int64_t n; (n = source.Read(piece, WritePiece)) > 0;)
        Stream()->WriteBuffer(piece, n);
    if (!m_dbase4Layout) {
        const char endMark[2] = {Dbase3EndMark, Dbase3EndMark};
        Stream()->WriteBuffer(endMark, sizeof endMark);
    }
    blockNumber = block;
    if (append) {
        setNextFreeBlock(static_cast<int32_t>(block + needed));
        Stream()->SetPosition(0);
        Stream()->WriteBuffer(m_memoHeader.data(), static_cast<int64_t>(m_memoHeader.size()));
    }
}

} // namespace kelvane
