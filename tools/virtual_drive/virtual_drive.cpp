#include "virtual_drive/virtual_drive.h"

#include "virtual_drive/byte_text.h"
#include "virtual_drive/drive_texts.h"

#include <cstdio>
#include <utility>

namespace kelvane {

namespace {

std::string quoted(std::string_view bytes)
{
    return "\"" + printable(bytes) + "\"";
}

std::optional<UploadReport::Kind> uploadStart(std::string_view command)
{
    if (command == "e0,0")
        return UploadReport::Kind::Overlay;
    if (command == "h0,0")
        return UploadReport::Kind::CertTable;
    return std::nullopt;
}

std::string verdict(const UploadReport &report)
{
    const std::string what
        = std::string(kindName(report.kind)) + " \"" + printable(report.name) + "\": ";
    if (!report.ok())
        return what + "upload rejected: " + report.error;
    char crc[9];
    std::snprintf(crc, sizeof crc, "%08x", report.crc32);
    return what + std::to_string(report.received) + " bytes received, CRC-32 " + crc
        + ", upload accepted";
}

} // namespace

VirtualDrive::VirtualDrive(Timing timing) : m_timing(timing) { }

std::string VirtualDrive::feed(std::string_view bytes, Clock::time_point now)
{
    expire(now); // a silence that nobody reported still ended what was pending
    size_t i = 0;
    while (i < bytes.size()) {
        if (m_upload)
            i += feedUpload(bytes.substr(i));
        else
            takeByte(bytes[i++]);
    }
    if (!bytes.empty())
        m_lastByte = now;
    return takeBytes();
}

std::string VirtualDrive::tick(Clock::time_point now)
{
    expire(now);
    return takeBytes();
}

void VirtualDrive::expire(Clock::time_point now)
{
    const std::optional<Clock::time_point> due = deadline();
    if (!due || now < *due)
        return;
    if (m_upload) {
        m_upload->silence(m_out);
        endUpload();
    } else if (m_levelLine) {
        m_out.log.push_back(localText(DriveText::NoLevelPause));
        m_levelLine = false;
        answer({"virtual drive: level missing after \"/\""});
    } else {
        endCommand(DriveText::EndPause);
    }
}

std::optional<VirtualDrive::Clock::time_point> VirtualDrive::deadline() const
{
    if (m_upload)
        return m_upload->endsOnSilence() ? std::optional(m_lastByte + m_timing.uploadSilence)
                                         : std::nullopt;
    if (m_levelLine || !m_command.empty())
        return m_lastByte + m_timing.commandSilence;
    return std::nullopt;
}

std::vector<std::string> VirtualDrive::takeLog()
{
    return std::exchange(m_out.log, {});
}

void VirtualDrive::takeByte(char c)
{
    const bool endedItself = std::exchange(m_endedItself, false);
    if (m_levelLine)
        return takeLevel(c);
    if (c == '/') {
        if (!m_command.empty())
            endCommand(DriveText::EndLevelLine);
        m_out.bytes += c;
        m_levelLine = true;
        return;
    }
    if (c == '\b' || c == '\x7f') { // typed by hand in a terminal program
        if (!m_command.empty()) {
            m_command.pop_back();
            m_out.bytes += "\b \b";
        }
        return;
    }
    m_out.bytes += c;
    if (c == '\r' || c == '\n') {
        // CR LF from a terminal program ends one command, not two; nor does the Enter typed
        // after a command that had already ended itself.
        if (endedItself || (c == '\n' && m_command.empty()))
            return;
        return endCommand(c == '\r' ? DriveText::EndCr : DriveText::EndLf);
    }
    m_command += c;
    if (const std::optional<UploadReport::Kind> kind = uploadStart(m_command))
        return startUpload(*kind);
    if (commandIsComplete(m_command)) {
        m_endedItself = true;
        return endCommand(DriveText::EndComplete);
    }
    if (m_command.size() > MaxCommand) {
        m_out.log.push_back(localText(DriveText::TooLong, {quoted(m_command)}));
        m_command.clear();
        answer({"virtual drive: command longer than " + std::to_string(MaxCommand)
            + " bytes, discarded"});
    }
}

void VirtualDrive::takeLevel(char c)
{
    if (c == '/') { // the first "/" had no level; this one starts the next level line
        m_out.log.push_back(localText(DriveText::NoLevelSlash));
        answer({"virtual drive: level missing after \"/\""});
        m_out.bytes += c;
        return;
    }
    m_out.bytes += c;
    m_levelLine = false;
    const std::string line = std::string("/") + c;
    if (c == '\r' || c == '\n') {
        m_out.log.push_back(localText(DriveText::NoLevel, {quoted(line)}));
        return answer({"virtual drive: level missing after \"/\""});
    }
    if (!isLevel(c)) {
        m_out.log.push_back(localText(DriveText::NoSuchLevel, {quoted(line)}));
        return answer({"virtual drive: no level " + quoted(std::string_view(&c, 1))
            + "; levels are 1-9 and A-Z"});
    }
    m_state.level = c;
    m_out.log.push_back(localText(DriveText::Level, {quoted(line), std::string_view(&c, 1)}));
    prompt();
}

void VirtualDrive::endCommand(const Text &how)
{
    const std::string command = std::exchange(m_command, {});
    m_out.log.push_back(localText(DriveText::Received, {quoted(command), localText(how)}));
    if (command.empty())
        return prompt();
    answer(runCommand(m_state, command));
}

void VirtualDrive::startUpload(UploadReport::Kind kind)
{
    m_out.log.push_back(localText(DriveText::UploadStart, {quoted(m_command), kindName(kind)}));
    m_command.clear();
    m_upload.emplace(kind);
    m_out.bytes += std::string("\r\nvirtual drive: ") + kindName(kind)
        + " upload, waiting for NAME:SIZE[BEGIN]\r\n";
}

size_t VirtualDrive::feedUpload(std::string_view bytes)
{
    const size_t taken = m_upload->take(bytes, m_out);
    if (m_upload->Finished())
        endUpload();
    return taken;
}

void VirtualDrive::endUpload()
{
    m_uploads.push_back(m_upload->report());
    m_upload.reset();
    const std::string line = verdict(m_uploads.back());
    m_out.log.push_back(localText(DriveText::UploadVerdict, {line}));
    answer({"virtual drive: " + line});
}

void VirtualDrive::answer(const std::vector<std::string> &lines)
{
    for (const std::string &line : lines)
        m_out.bytes += "\r\n" + line;
    prompt();
}

void VirtualDrive::prompt()
{
    m_out.bytes += "\r\n" + promptOf(m_state);
}

std::string VirtualDrive::takeBytes()
{
    return std::exchange(m_out.bytes, {});
}

} // namespace kelvane
