// UploadReceiver: the drive's side of one upload into its RAM, from the moment the start command
// ("e0,0" for an overlay, "h0,0" for a CERT table) has been taken. It expects the header
// NAME:SIZE[BEGIN], exactly SIZE raw bytes, then "[END]", "b,,22" and "c", back to back, and
// writes down what it got in an UploadReport. Any deviation ends the upload with an error in the
// report; nothing makes it throw or wait for ever once the header has begun.
//
// The data is never stored: it is counted and checksummed as it passes, so uploads of megabytes
// cost no copies. The receiver is owned by the virtual drive for one upload; not thread-safe.
#pragma once

#include "virtual_drive/crc32.h"
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

    bool Ok() const { return error.empty(); }
};

const char *KindName(UploadReport::Kind kind);

class UploadReceiver
{
public:
    static constexpr uint64_t MaxSize = 64u << 20; // the virtual drive's RAM
    static constexpr size_t MaxHeader = 300; // a file name of 255 bytes, ':', 20 digits, "[BEGIN]"

    explicit UploadReceiver(UploadReport::Kind kind);

    // Takes what belongs to the upload from the front of `bytes`, echoing the header and closing
    // commands (not the data) to out.bytes; returns how many bytes it took. Whatever it leaves
    // is not the upload's: the upload has finished and the monitor takes the rest.
    size_t Take(std::string_view bytes, DriveOutput &out);
    // Nothing came for a while: the upload ends here, with an error unless it has finished.
    // REQUIRES: EndsOnSilence()
    void Silence(DriveOutput &out);

    // False while the drive still waits for the header's first byte: choosing the file may take
    // the user any time.
    bool EndsOnSilence() const;
    bool Finished() const { return stage_ == Stage::Done; }
    const UploadReport &Report() const { return report_; }

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

    Stage stage_ = Stage::AwaitHeader;
    UploadReport report_;
    std::string header_;
    Crc32 crc_;
    std::string tail_; // the data's last bytes, to recognise closing commands taken as data
    size_t closingMatched_ = 0; // bytes of "[END]b,,22c" received so far
    uint64_t overrun_ = 0; // bytes beyond the declared size
    std::string overrunHead_; // the first of them, as many as the closing commands have
    size_t endMatched_ = 0; // bytes of "[END]" matched among them
    std::optional<uint64_t> overrunBeforeEnd_;
};

} // namespace kelvane
