// UploadReceiver: the drive's side of one upload into its RAM, from the moment the start command
// ("e0,0" for an overlay, "h0,0" for a CERT table) has been taken. It expects the header
// NAME:SIZE[BEGIN], exactly SIZE raw bytes, then "[END]", "b,,22" and "c", back to back, and
// writes down what it got in an UploadReport. Any deviation ends the upload with an error in the
// report; nothing makes it throw or wait for ever once the header has begun.
//
// The data is never stored: it is counted and checksummed as it passes, so uploads of megabytes
// cost no copies. The receiver is owned by the virtual drive for one upload; not thread-safe.
#pragma once

#include "base/crc32.h"
#include "virtual_drive/drive_output.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kelvane {

struct UploadReport
{
    enum class Kind { Overlay, CertTable };

    Kind kind = Kind::Overlay;
    std::string name; // the header's file name, its bytes as sent
    uint64_t declaredSize = 0; // the header's size
    uint64_t received = 0; // data bytes taken as the file's (never more than declared)
    uint32_t crc32 = 0; // of the data bytes received
    std::string error; // what was wrong with the framing; empty when all was right

    bool ok() const { return error.empty(); }
};

const char *kindName(UploadReport::Kind kind);

class UploadReceiver
{
public:
    static constexpr uint64_t MaxSize = 64u << 20; // the virtual drive's RAM
    static constexpr size_t MaxHeader = 300; // a file name of 255 bytes, ':', 20 digits, "[BEGIN]"

    explicit UploadReceiver(UploadReport::Kind kind);

    // Takes what belongs to the upload from the front of `bytes`, echoing the header and closing
    // commands (not the data) to out.bytes; returns how many bytes it took. Whatever it leaves
    // is not the upload's: the upload has finished and the monitor takes the rest.
    size_t take(std::string_view bytes, DriveOutput &out);
    // Nothing came for a while: the upload ends here, with an error unless it has finished.
    // REQUIRES: endsOnSilence()
    void silence(DriveOutput &out);

    // False while the drive still waits for the header's first byte: choosing the file may take
    // the user any time.
    bool endsOnSilence() const;
    bool Finished() const { return m_stage == Stage::Done; }
    const UploadReport &report() const { return m_report; }

private:
    enum class Stage { AwaitHeader, Header, Data, Closing, Overrun, Done };

    size_t takeHeader(std::string_view bytes, DriveOutput &out);
    void parseHeader(DriveOutput &out);
    size_t takeData(std::string_view bytes, DriveOutput &out);
    size_t takeClosing(std::string_view bytes, DriveOutput &out);
    size_t takeOverrun(std::string_view bytes);
    void keepTail(std::string_view data);
    std::string dataSilenceError() const;
    std::string closingSilenceError() const;
    std::string overrunError() const;
    void finish(DriveOutput &out);
    void fail(std::string error, DriveOutput &out);

    Stage m_stage = Stage::AwaitHeader;
    UploadReport m_report;
    std::string m_header;
    Crc32 m_crc;
    std::string m_tail; // the data's last bytes, to recognise closing commands taken as data
    size_t m_closingMatched = 0; // bytes of "[END]b,,22c" received so far
    uint64_t m_overrun = 0; // bytes beyond the declared size
    std::string m_overrunHead; // the first of them, as many as the closing commands have
    size_t m_endMatched = 0; // bytes of "[END]" matched among them
    std::optional<uint64_t> m_overrunBeforeEnd;
};

} // namespace kelvane
