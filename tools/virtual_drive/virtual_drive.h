// VirtualDrive: the drive's diagnostic monitor as a state machine over bytes, with no tty behind
// it. feed() it what the program sent and it returns what the drive sends back: the echo of every
// byte (except upload data), a prompt after each level line, an answer after each command, and a
// verdict after each upload, whose reports it keeps.
//
// Commands carry no terminator when menus send them, so a command ends at CR (or LF), at the
// start of a level line "/", or after a short silence, which the owner reports by calling tick()
// at deadline(). Commands of a fixed length end at once: "e0,0" and "h0,0" (the upload header
// may follow without a pause) and "YE0" to "YE3" (the program writes "W" right after).
// Bytes are single bytes; nothing is decoded as text.
//
// Time comes in from the caller, so tests run without waiting. Not thread-safe.
#pragma once

#include "base/texts.h"
#include "virtual_drive/drive_output.h"
#include "virtual_drive/monitor_commands.h"
#include "virtual_drive/upload_receiver.h"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvane {

class VirtualDrive
{
public:
    using Clock = std::chrono::steady_clock;

    struct Timing
    {
        Clock::duration commandSilence = std::chrono::milliseconds(100);
        // Within an upload the program waits for its output to drain between chunks, and keeps
        // its window going meanwhile: allow it some slack.
        Clock::duration uploadSilence = std::chrono::seconds(5);
    };

    static constexpr size_t MaxCommand = 128;

    VirtualDrive() : VirtualDrive(Timing {}) { }
    explicit VirtualDrive(Timing timing);

    // Takes bytes received at `now`; returns the bytes to send back.
    std::string feed(std::string_view bytes, Clock::time_point now);
    // Ends what silence ends by `now`; returns the bytes to send back.
    std::string tick(Clock::time_point now);
    // When tick() has something to do; nothing while the drive only waits.
    std::optional<Clock::time_point> deadline() const;

    const MonitorState &State() const { return m_state; }
    const std::vector<UploadReport> &uploads() const { return m_uploads; }
    bool uploading() const { return m_upload.has_value(); }
    // The log lines written since the last call: what was received, unit by unit.
    std::vector<std::string> takeLog();

private:
    void expire(Clock::time_point now);
    void takeByte(char c);
    void takeLevel(char c);
    void endCommand(const Text &how);
    void startUpload(UploadReport::Kind kind);
    size_t feedUpload(std::string_view bytes);
    void endUpload();
    void answer(const std::vector<std::string> &lines);
    void prompt();
    std::string takeBytes();

    Timing m_timing;
    MonitorState m_state;
    std::string m_command; // received since the last command ended
    bool m_levelLine = false; // a "/" came; its level character has not
    bool m_endedItself = false; // the last byte completed a fixed-length command
    std::optional<UploadReceiver> m_upload;
    std::vector<UploadReport> m_uploads;
    DriveOutput m_out;
    Clock::time_point m_lastByte {};
};

} // namespace kelvane
