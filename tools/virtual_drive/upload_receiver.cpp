#include "virtual_drive/upload_receiver.h"

#include "virtual_drive/byte_text.h"

#include <algorithm>
#include <cstdio>

namespace kelvane {

namespace {

constexpr std::string_view Begin = "[BEGIN]";
constexpr std::string_view End = "[END]";
constexpr std::string_view Closing = "[END]b,,22c";

bool isControl(unsigned char b)
{
    return b < 0x20 || b == 0x7f;
}

std::string quoted(std::string_view bytes)
{
    return "\"" + Printable(bytes) + "\"";
}

std::string hex8(uint32_t value)
{
    char text[9];
    std::snprintf(text, sizeof text, "%08x", value);
    return text;
}

} // namespace

const char *KindName(UploadReport::Kind kind)
{
    return kind == UploadReport::Kind::Overlay ? "overlay" : "CERT table";
}

UploadReceiver::UploadReceiver(UploadReport::Kind kind)
{
    report_.kind = kind;
}

size_t UploadReceiver::Take(std::string_view bytes, DriveOutput &out)
{
    size_t taken = 0;
    while (taken < bytes.size() && stage_ != Stage::Done) {
        const std::string_view rest = bytes.substr(taken);
        switch (stage_) {
        case Stage::AwaitHeader:
            // A line end left from typing the start command by hand is not the header yet.
            if (rest[0] == '\r' || rest[0] == '\n')
                ++taken;
            else
                stage_ = Stage::Header;
            break;
        case Stage::Header:
            taken += takeHeader(rest, out);
            break;
        case Stage::Data:
            taken += takeData(rest, out);
            break;
        case Stage::Closing:
            taken += takeClosing(rest, out);
            break;
        case Stage::Overrun:
            taken += takeOverrun(rest);
            break;
        case Stage::Done:
            break;
        }
    }
    return taken;
}

size_t UploadReceiver::takeHeader(std::string_view bytes, DriveOutput &out)
{
    for (size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        // A file name never holds a slash: this is a level line, and the monitor's to handle.
        if (c == '/') {
            fail("header " + quoted(header_) + " broken off by a level line", out);
            return i;
        }
        out.bytes += c;
        header_ += c;
        if (isControl(static_cast<unsigned char>(c))) {
            fail("header " + quoted(header_) + " holds a control byte", out);
            return i + 1;
        }
        if (header_.ends_with(Begin)) {
            parseHeader(out);
            return i + 1;
        }
        if (header_.size() >= MaxHeader) {
            fail("header " + quoted(header_) + " too long, no [BEGIN]", out);
            return i + 1;
        }
    }
    return bytes.size();
}

void UploadReceiver::parseHeader(DriveOutput &out)
{
    out.log.push_back("загрузка: заголовок " + quoted(header_));
    const std::string_view text
        = std::string_view(header_).substr(0, header_.size() - Begin.size());
    // The name may hold a colon; the size never does.
    const size_t colon = text.rfind(':');
    if (colon == std::string_view::npos)
        return fail("header " + quoted(header_) + " has no ':' between name and size", out);
    report_.name = text.substr(0, colon);
    if (report_.name.empty())
        return fail("header " + quoted(header_) + " has no file name", out);
    const std::string_view sizeText = text.substr(colon + 1);
    const std::optional<uint64_t> size = ParseDecimal(sizeText);
    if (!size)
        return fail("size " + quoted(sizeText) + " is not a plain decimal number", out);
    report_.declaredSize = *size;
    if (*size > MaxSize)
        return fail("size " + std::to_string(*size) + " exceeds the RAM of "
                + std::to_string(MaxSize) + " bytes",
            out);
    stage_ = *size == 0 ? Stage::Closing : Stage::Data;
}

size_t UploadReceiver::takeData(std::string_view bytes, DriveOutput &out)
{
    const size_t n = static_cast<size_t>(
        std::min<uint64_t>(bytes.size(), report_.declaredSize - report_.received));
    const std::string_view data = bytes.substr(0, n);
    crc_.Update(data);
    keepTail(data);
    report_.received += n;
    report_.crc32 = crc_.Value();
    if (report_.received == report_.declaredSize) {
        out.log.push_back("загрузка: данные " + std::to_string(report_.received) + " байт, CRC-32 "
            + hex8(report_.crc32));
        stage_ = Stage::Closing;
    }
    return n;
}

void UploadReceiver::keepTail(std::string_view data)
{
    if (data.size() >= Closing.size()) {
        tail_ = data.substr(data.size() - Closing.size());
        return;
    }
    tail_ += data;
    if (tail_.size() > Closing.size())
        tail_.erase(0, tail_.size() - Closing.size());
}

size_t UploadReceiver::takeClosing(std::string_view bytes, DriveOutput &out)
{
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == Closing[closingMatched_]) {
            out.bytes += bytes[i];
            if (++closingMatched_ == Closing.size()) {
                finish(out);
                return i + 1;
            }
            continue;
        }
        if (closingMatched_ < End.size()) {
            // Not [END] where the data should stop: more data came than the header said.
            overrun_ = closingMatched_;
            overrunHead_ = Closing.substr(0, closingMatched_);
            stage_ = Stage::Overrun;
            return i;
        }
        // Whatever broke the closing commands is the monitor's to handle.
        std::string got(Closing.substr(End.size(), closingMatched_ - End.size()));
        got += bytes[i];
        fail("after [END] expected \"b,,22\" and \"c\", got " + quoted(got), out);
        return i;
    }
    return bytes.size();
}

size_t UploadReceiver::takeOverrun(std::string_view bytes)
{
    for (const char c : bytes) {
        ++overrun_;
        if (overrunHead_.size() < Closing.size())
            overrunHead_ += c;
        if (overrunBeforeEnd_)
            continue;
        endMatched_ = c == End[endMatched_] ? endMatched_ + 1 : (c == End[0] ? 1 : 0);
        if (endMatched_ == End.size())
            overrunBeforeEnd_ = overrun_ - End.size();
    }
    return bytes.size();
}

bool UploadReceiver::EndsOnSilence() const
{
    return stage_ != Stage::AwaitHeader && stage_ != Stage::Done;
}

void UploadReceiver::Silence(DriveOutput &out)
{
    switch (stage_) {
    case Stage::Header:
        return fail("header " + quoted(header_) + " incomplete, no [BEGIN]", out);
    case Stage::Data:
        return fail(dataSilenceError(), out);
    case Stage::Closing:
        return fail(closingSilenceError(), out);
    case Stage::Overrun:
        return fail(overrunError(), out);
    case Stage::AwaitHeader:
    case Stage::Done:
        break;
    }
}

std::string UploadReceiver::dataSilenceError() const
{
    std::string error = "data incomplete: " + std::to_string(report_.received) + " of "
        + std::to_string(report_.declaredSize) + " bytes came";
    if (tail_ == Closing)
        error += "; the closing commands were taken as data: the file is "
            + std::to_string(report_.declaredSize - report_.received + Closing.size())
            + " bytes shorter than its header says";
    return error;
}

std::string UploadReceiver::closingSilenceError() const
{
    if (closingMatched_ < End.size())
        return "no [END] after the data"
            + (closingMatched_ > 0 ? ", only " + quoted(Closing.substr(0, closingMatched_)) : "");
    if (closingMatched_ < Closing.size() - 1)
        return "\"b,,22\" missing after [END]";
    return "\"c\" missing after b,,22";
}

std::string UploadReceiver::overrunError() const
{
    const std::string size = std::to_string(report_.declaredSize);
    if (overrunBeforeEnd_)
        return std::to_string(*overrunBeforeEnd_) + " bytes more than the declared " + size
            + " came before [END]";
    // A file a few bytes short lets the first bytes of "[END]" pass as its data.
    const size_t shortBy = overrun_ < Closing.size() ? Closing.size() - overrun_ : 0;
    if (shortBy > 0 && overrunHead_ == Closing.substr(shortBy)
        && tail_.ends_with(Closing.substr(0, shortBy)))
        return "the first " + std::to_string(shortBy)
            + " byte(s) of [END] were taken as data: the file is " + std::to_string(shortBy)
            + " byte(s) shorter than its header says";
    return "no [END] after the " + size + " data bytes; " + std::to_string(overrun_)
        + " more bytes came";
}

void UploadReceiver::finish(DriveOutput &out)
{
    out.log.push_back("загрузка: завершение " + quoted(Closing));
    stage_ = Stage::Done;
}

void UploadReceiver::fail(std::string error, DriveOutput &out)
{
    out.log.push_back("загрузка: ошибка: " + error);
    report_.error = std::move(error);
    stage_ = Stage::Done;
}

} // namespace kelvane
