// Journal: the session journal, a plain-text record of each connection in a file of its own
// (JournalFile), written line by line as things happen. Each line starts with the local time of
// day, HH:MM:SS.mmm; the date is in the file name, on the first line and on a line at each change
// of day. What the lines say:
//
//   14:03:22.101 Соединение: /dev/ttyUSB0, 57600 бит/с
//   14:03:23.500 Меню: Команды › Тип и версия ПЗУ      an action of the user
//   14:03:23.501 > /1                                  bytes sent, in one write
//   14:03:23.530 < Firmware 3.AAK                      a line received, as the pane shows it
//   14:03:23.531 <… T>                                 more of a received line already begun
//
// Sent and received bytes are shown by visibleBytes(). A received line is written when its LF
// comes (the CR before it is dropped, as the pane drops it), and what has come of a line without
// one is written before any other line, at the end of the session, or when the owner calls
// flushReceived() (after a quiet spell): so a killed program loses at most the line in progress.
// With the journal off nothing is written and no file is made. Main thread only.
#pragma once

#include "journal/journal_file.h"
#include "journal/journal_text.h"
#include "journal/session_log.h"

#include <functional>
#include <memory>
#include <optional>

namespace kelvane {

struct JournalOptions
{
    std::string folder; // where the files go
    int64_t fileLimit = int64_t {64} * 1024 * 1024; // bytes of one file before the next part
    std::function<LocalTime()> clock; // empty: the system's local time
    // Received bytes wait for the LF of their line (time to start a timer, unless one runs, that
    // calls flushReceived()).
    std::function<void()> linePending;
    // Writing stopped, with the reason in UTF-8; the session goes on without a journal.
    std::function<void(const std::string &)> failed;
};

class Journal final : public SessionLog
{
public:
    explicit Journal(JournalOptions options);
    // A session still open ends with the program.
    ~Journal() override;

    // Off closes the file of the session under way; on starts one for it.
    void setEnabled(bool enabled);
    bool enabled() const { return m_enabled; }
    // The file being written; empty between sessions and while the journal is off.
    std::string path() const;
    // Writes what has come of a line without its LF.
    void flushReceived();

    void connected(std::string_view port, uint32_t rate) override;
    void ended(Ending how) override;
    void rateSet(uint32_t rate) override;
    void sent(std::string_view bytes, bool complete) override;
    void received(std::string_view bytes) override;
    void action(std::string_view what) override;
    void error(std::string_view message) override;
    void fileStarted(std::string_view name, int64_t size, uint32_t crc) override;
    void fileEnded() override;

private:
    void openFile(const std::string &reason);
    void closeFile(const std::string &lastLine);
    // Writes one line stamped `time`, after a date line when the day has changed; while
    // collecting, only adds it to what writeLines() writes.
    void writeLine(const LocalTime &time, std::string_view text);
    void writeLines();
    // A line of the program's own, stamped now, after what is pending of a received line.
    void note(std::string_view text);
    // Writes what is pending of a received line, but for a CR at its end when `holdCr`.
    void writePending(bool holdCr);
    // Writes the received line that `piece`, ending in LF and come at `arrived`, completes.
    void endReceivedLine(std::string_view piece, const LocalTime &arrived);
    LocalTime now() const;

    JournalOptions m_options;
    bool m_enabled = true;
    std::unique_ptr<JournalFile> m_file;
    LocalTime m_lastTime;
    std::optional<LocalTime> m_clockTextOf;
    std::string m_clockText;
    // Lines made and not yet written: those of one read are written together.
    std::string m_lines;
    bool m_collecting = false;
    // The session under way, kept while the journal is off too.
    bool m_connected = false;
    std::string m_port;
    uint32_t m_rate = 0;
    // What has come of the current received line and is not written yet, and since when.
    std::string m_pending;
    LocalTime m_pendingSince;
    bool m_lineBegun = false; // part of the current received line is written already
    // The file whose data goes out now, and how much of it has.
    bool m_inFile = false;
    int64_t m_fileSize = 0;
    int64_t m_fileSent = 0;
};

} // namespace kelvane
