// The drive's side of an upload into its RAM, shared by the window's upload and a procedure's
// `upload` step: the header NAME:SIZE[BEGIN], the file's bytes in chunks of the port's output
// buffer size, "[END]", "b,,22" and "c". After the header and after each chunk but the last the
// transfer waits until the port reports its transmit buffer empty, so the drive is never sent more
// than it can take. The start command goes out before this, from the caller. Main thread only.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace kelvane {

class TBComPort;

enum class UploadKind { Overlay, CertTable };

const char *uploadStartCommand(UploadKind kind);

// How the transfer waits for the port; the window and a procedure each provide one.
class UploadPacing
{
public:
    enum class Wait { TxEmpty, Cancelled, TimedOut };

    virtual ~UploadPacing() = default;

    // Forgets transmit-empty events reported so far.
    virtual void resetTxEmpty() = 0;
    // Returns at once when the port reported its transmit buffer empty since the last reset;
    // otherwise waits for that report, for a cancel, or for `bound` to pass.
    virtual Wait waitForTxEmpty(std::chrono::milliseconds bound) = 0;
    virtual void setProgress(int /*maximum*/, int /*position*/) { }
    // The file's own bytes go out from now until dataEnded(), after the header (the session
    // journal sums them up instead of showing them).
    virtual void dataBegins(int64_t /*size*/) { }
    virtual void dataEnded() { }
};

struct UploadFile
{
    std::filesystem::path path;
    std::string shownName; // UTF-8, for messages
    std::string headerName; // Windows-1251, without folder: what the drive is told
};

// NAME:SIZE[BEGIN].
std::string uploadHeader(std::string_view headerName, int64_t size);

// The CRC-32 of the whole file, for the journal; 0 when it cannot be read (the transfer then
// says why).
uint32_t uploadFileCrc32(const std::filesystem::path &path);

// How long a wait for `bytes` on the line may take: `floor`, plus four times their time on the
// line at the port's settings.
std::chrono::milliseconds uploadWaitBound(
    const TBComPort &port, int64_t bytes, std::chrono::milliseconds floor);

// Sends the file after its start command. Returns false when a wait was cancelled (nothing more
// is sent then); raises on a file that cannot be read, on a wait that ran out, and on the port's
// errors.
bool transferUpload(TBComPort &port, UploadPacing &pacing, const UploadFile &file,
    std::chrono::milliseconds waitFloor);

} // namespace kelvane
