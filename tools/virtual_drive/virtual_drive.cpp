#include "virtual_drive/virtual_drive.h"

#include "virtual_drive/byte_text.h"

#include <cstdio>
#include <utility>

namespace kelvane {

namespace {

std::string quoted(std::string_view bytes)
{
    return "\"" + Printable(bytes) + "\"";
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
        = std::string(KindName(report.kind)) + " \"" + Printable(report.name) + "\": ";
    if (!report.Ok())
        return what + "upload rejected: " + report.error;
    char crc[9];
    std::snprintf(crc, sizeof crc, "%08x", report.crc32);
    return what + std::to_string(report.received) + " bytes received, CRC-32 " + crc
        + ", upload accepted";
}

} // namespace

VirtualDrive::VirtualDrive(Timing timing) : timing_(timing) { }

std::string VirtualDrive::Feed(std::string_view bytes, Clock::time_point now)
{
    expire(now); // a silence that nobody reported still ended what was pending
    size_t i = 0;
    while (i < bytes.size()) {
        if (upload_)
            i += feedUpload(bytes.substr(i));
        else
            takeByte(bytes[i++]);
    }
    if (!bytes.empty())
        lastByte_ = now;
    return takeBytes();
}

std::string VirtualDrive::Tick(Clock::time_point now)
{
    expire(now);
    return takeBytes();
}

void VirtualDrive::expire(Clock::time_point now)
{
    const std::optional<Clock::time_point> deadline = Deadline();
    if (!deadline || now < *deadline)
        return;
    if (upload_) {
        upload_->Silence(out_);
        endUpload();
    } else if (levelLine_) {
        out_.log.push_back("принято \"/\" без уровня, конец: пауза");
        levelLine_ = false;
        answer({"virtual drive: level missing after \"/\""});
    } else {
        endCommand("пауза");
    }
}

std::optional<VirtualDrive::Clock::time_point> VirtualDrive::Deadline() const
{
    if (upload_)
        return upload_->EndsOnSilence() ? std::optional(lastByte_ + timing_.uploadSilence)
                                        : std::nullopt;
    if (levelLine_ || !command_.empty())
        return lastByte_ + timing_.commandSilence;
    return std::nullopt;
}

std::vector<std::string> VirtualDrive::TakeLog()
{
    return std::exchange(out_.log, {});
}

void VirtualDrive::takeByte(char c)
{
    const bool endedItself = std::exchange(endedItself_, false);
    if (levelLine_)
        return takeLevel(c);
    if (c == '/') {
        if (!command_.empty())
            endCommand("начало строки уровня");
        out_.bytes += c;
        levelLine_ = true;
        return;
    }
    if (c == '\b' || c == '\x7f') { // typed by hand in a terminal program
        if (!command_.empty()) {
            command_.pop_back();
            out_.bytes += "\b \b";
        }
        return;
    }
    out_.bytes += c;
    if (c == '\r' || c == '\n') {
        // CR LF from a terminal program ends one command, not two; nor does the Enter typed
        // after a command that had already ended itself.
        if (endedItself || (c == '\n' && command_.empty()))
            return;
        return endCommand(c == '\r' ? "CR" : "LF");
    }
    command_ += c;
    if (const std::optional<UploadReport::Kind> kind = uploadStart(command_))
        return startUpload(*kind);
    if (CommandIsComplete(command_)) {
        endedItself_ = true;
        return endCommand("команда полная");
    }
    if (command_.size() > MaxCommand) {
        out_.log.push_back("принято " + quoted(command_) + "…: слишком длинная команда");
        command_.clear();
        answer({"virtual drive: command longer than " + std::to_string(MaxCommand)
            + " bytes, discarded"});
    }
}

void VirtualDrive::takeLevel(char c)
{
    if (c == '/') { // the first "/" had no level; this one starts the next level line
        out_.log.push_back("принято \"/\" без уровня");
        answer({"virtual drive: level missing after \"/\""});
        out_.bytes += c;
        return;
    }
    out_.bytes += c;
    levelLine_ = false;
    const std::string line = std::string("/") + c;
    if (c == '\r' || c == '\n') {
        out_.log.push_back("принято " + quoted(line) + ": нет уровня");
        return answer({"virtual drive: level missing after \"/\""});
    }
    if (!IsLevel(c)) {
        out_.log.push_back("принято " + quoted(line) + ": нет такого уровня");
        return answer({"virtual drive: no level " + quoted(std::string_view(&c, 1))
            + "; levels are 1-9 and A-Z"});
    }
    state_.level = c;
    out_.log.push_back("принято " + quoted(line) + ": уровень " + c);
    prompt();
}

void VirtualDrive::endCommand(const char *how)
{
    const std::string command = std::exchange(command_, {});
    out_.log.push_back("принято " + quoted(command) + ", конец: " + how);
    if (command.empty())
        return prompt();
    answer(RunCommand(state_, command));
}

void VirtualDrive::startUpload(UploadReport::Kind kind)
{
    out_.log.push_back(
        "принято " + quoted(command_) + ": начало загрузки (" + KindName(kind) + ")");
    command_.clear();
    upload_.emplace(kind);
    out_.bytes += std::string("\r\nvirtual drive: ") + KindName(kind)
        + " upload, waiting for NAME:SIZE[BEGIN]\r\n";
}

size_t VirtualDrive::feedUpload(std::string_view bytes)
{
    const size_t taken = upload_->Take(bytes, out_);
    if (upload_->Finished())
        endUpload();
    return taken;
}

void VirtualDrive::endUpload()
{
    uploads_.push_back(upload_->Report());
    upload_.reset();
    const std::string line = verdict(uploads_.back());
    out_.log.push_back("загрузка: " + line);
    answer({"virtual drive: " + line});
}

void VirtualDrive::answer(const std::vector<std::string> &lines)
{
    for (const std::string &line : lines)
        out_.bytes += "\r\n" + line;
    prompt();
}

void VirtualDrive::prompt()
{
    out_.bytes += "\r\n" + Prompt(state_);
}

std::string VirtualDrive::takeBytes()
{
    return std::exchange(out_.bytes, {});
}

} // namespace kelvane
