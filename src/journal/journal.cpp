#include "journal/journal.h"

#include "base/texts.h"

#include <cstdio>

namespace kelvane {

namespace {

// A line without LF is written in pieces past this size, so what a kill loses stays small.
constexpr size_t PendingLimit = 16 * 1024;

// The journal's own lines, in the language of the texts when they are written; times, bytes and
// names are filled in as they are.
constexpr Text Rate = {"%1 бит/с", "%1 bit/s"};
constexpr Text JournalOff = {"Журнал выключен", "Journal turned off"};
constexpr Text JournalOn
    = {"Журнал включён; соединение: %1, %2", "Journal turned on; connection: %1, %2"};
constexpr Text PartHeading = {"Журнал сеанса Kelvane, часть %1, %2, порт %3",
    "Kelvane session journal, part %1, %2, port %3"};
constexpr Text Heading
    = {"Журнал сеанса Kelvane, %1, порт %2", "Kelvane session journal, %1, port %2"};
constexpr Text Date = {"Дата: %1", "Date: %1"};
constexpr Text Connected = {"Соединение: %1, %2", "Connected: %1, %2"};
constexpr Text Disconnected = {"Разъединение", "Disconnected"};
constexpr Text Lost = {"Связь потеряна: устройство отключено или не отвечает",
    "Connection lost: the device was unplugged or does not answer"};
constexpr Text ProgramEnded = {"Программа завершена", "Program ended"};
constexpr Text RateSet = {"Скорость порта: %1", "Port rate: %1"};
constexpr Text WriteIncomplete = {"  (запись не завершена)", "  (write not completed)"};
constexpr Text Error = {"Ошибка: %1", "Error: %1"};
constexpr Text File = {"Файл: %1, %2 байт, CRC-32 %3", "File: %1, %2 bytes, CRC-32 %3"};
constexpr Text FileIncomplete
    = {"Файл передан не полностью: %1 из %2 байт", "File not sent completely: %1 of %2 bytes"};

std::string rateText(uint32_t rate)
{
    return localText(Rate, {std::to_string(rate)});
}

} // namespace

Journal::Journal(JournalOptions options) : m_options(std::move(options)) { }

Journal::~Journal()
{
    if (m_connected)
        ended(Ending::ProgramEnd);
}

LocalTime Journal::now() const
{
    return m_options.clock ? m_options.clock() : localTimeNow();
}

std::string Journal::path() const
{
    return m_file ? m_file->path() : std::string();
}

void Journal::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    if (!enabled)
        closeFile(localText(JournalOff));
    else if (m_connected)
        openFile(localText(JournalOn, {m_port, rateText(m_rate)}));
}

void Journal::openFile(const std::string &reason)
{
    const LocalTime start = now();
    const std::string port = m_port;
    m_file = std::make_unique<JournalFile>(
        m_options.folder, [port, start](int part) { return journalFileName(port, start, part); },
        m_options.fileLimit,
        [this, port](int part) {
            return clockText(m_lastTime) + " "
                + localText(PartHeading, {std::to_string(part), dateText(m_lastTime), port}) + "\n";
        });
    std::string error;
    if (!m_file->open(error)) {
        m_file.reset();
        if (m_options.failed)
            m_options.failed(error);
        return;
    }
    m_pending.clear();
    m_lineBegun = false;
    m_lastTime = start;
    writeLine(start, localText(Heading, {dateText(start), port}));
    writeLine(start, reason);
}

void Journal::closeFile(const std::string &lastLine)
{
    if (!m_file)
        return;
    writePending(false);
    note(lastLine);
    m_file.reset();
}

void Journal::writeLine(const LocalTime &time, std::string_view text)
{
    if (!m_file)
        return;
    if (!time.sameDay(m_lastTime))
        m_lines += clockText(time) + " " + localText(Date, {dateText(time)}) + "\n";
    m_lastTime = time;
    // The lines of one read share their time: its text is made once.
    if (!m_clockTextOf || *m_clockTextOf != time) {
        m_clockText = clockText(time);
        m_clockTextOf = time;
    }
    m_lines += m_clockText;
    m_lines += ' ';
    m_lines += text;
    m_lines += '\n';
    if (!m_collecting)
        writeLines();
}

void Journal::writeLines()
{
    if (!m_file || m_lines.empty())
        return;
    std::string error;
    if (!m_file->write(m_lines, error)) {
        m_file.reset();
        if (m_options.failed)
            m_options.failed(error);
    }
    m_lines.clear();
}

void Journal::note(std::string_view text)
{
    flushReceived();
    writeLine(now(), text);
}

void Journal::flushReceived()
{
    writePending(true);
}

void Journal::writePending(bool holdCr)
{
    std::string_view text = m_pending;
    // The pane drops a CR right before LF: one held back may still be followed by it.
    const bool held = holdCr && !text.empty() && text.back() == '\r';
    if (held)
        text.remove_suffix(1);
    if (!text.empty()) {
        writeLine(m_pendingSince, (m_lineBegun ? "<… " : "< ") + visibleBytes(text));
        m_lineBegun = true;
    }
    m_pending = held ? "\r" : "";
}

void Journal::endReceivedLine(std::string_view piece, const LocalTime &arrived)
{
    const LocalTime since = m_pending.empty() ? arrived : m_pendingSince;
    m_pending.append(piece.substr(0, piece.size() - 1));
    std::string_view text = m_pending;
    if (!text.empty() && text.back() == '\r')
        text.remove_suffix(1);
    if (!text.empty())
        writeLine(since, (m_lineBegun ? "<… " : "< ") + visibleBytes(text));
    else if (!m_lineBegun)
        writeLine(since, "<");
    m_pending.clear();
    m_lineBegun = false;
}

void Journal::connected(std::string_view port, uint32_t rate)
{
    m_connected = true;
    m_port = std::string(port);
    m_rate = rate;
    m_inFile = false;
    if (m_enabled)
        openFile(localText(Connected, {m_port, rateText(rate)}));
}

void Journal::ended(Ending how)
{
    if (!m_connected)
        return;
    m_connected = false;
    m_inFile = false;
    switch (how) {
    case Ending::Disconnected:
        closeFile(localText(Disconnected));
        break;
    case Ending::Lost:
        closeFile(localText(Lost));
        break;
    case Ending::ProgramEnd:
        closeFile(localText(ProgramEnded));
        break;
    }
}

void Journal::rateSet(uint32_t rate)
{
    if (m_connected && rate != m_rate)
        note(localText(RateSet, {rateText(rate)}));
    m_rate = rate;
}

void Journal::sent(std::string_view bytes, bool complete)
{
    if (m_inFile) {
        m_fileSent += static_cast<int64_t>(bytes.size());
        return;
    }
    if (bytes.empty() && complete)
        return;
    note("> " + visibleBytes(bytes) + (complete ? "" : localText(WriteIncomplete)));
}

void Journal::received(std::string_view bytes)
{
    if (!m_file) {
        m_pending.clear();
        m_lineBegun = false;
        return;
    }
    // The lines a read completes go out in one write: all of them whole, none held back, and a
    // flood of short lines costs a system call per read instead of one per line.
    const LocalTime arrived = now();
    size_t start = 0;
    m_collecting = true;
    for (size_t end = bytes.find('\n'); end != std::string_view::npos;
         end = bytes.find('\n', start)) {
        endReceivedLine(bytes.substr(start, end - start + 1), arrived);
        start = end + 1;
    }
    m_collecting = false;
    writeLines();
    const std::string_view rest = bytes.substr(start);
    if (rest.empty())
        return;
    if (m_pending.empty())
        m_pendingSince = arrived;
    m_pending += rest;
    if (m_pending.size() > PendingLimit)
        writePending(true);
    else if (m_options.linePending)
        m_options.linePending();
}

void Journal::action(std::string_view what)
{
    note(what);
}

void Journal::error(std::string_view message)
{
    note(localText(Error, {message}));
}

void Journal::fileStarted(std::string_view name, int64_t size, uint32_t crc)
{
    char crcText[16];
    std::snprintf(crcText, sizeof crcText, "%08x", crc);
    note(localText(File, {name, std::to_string(size), crcText}));
    m_inFile = true;
    m_fileSize = size;
    m_fileSent = 0;
}

void Journal::fileEnded()
{
    if (!m_inFile)
        return;
    m_inFile = false;
    if (m_fileSent != m_fileSize)
        note(localText(FileIncomplete, {std::to_string(m_fileSent), std::to_string(m_fileSize)}));
}

} // namespace kelvane
