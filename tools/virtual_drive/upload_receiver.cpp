#include "virtual_drive/upload_receiver.h"

#include "virtual_drive/byte_text.h"
#include "virtual_drive/drive_texts.h"

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
    return "\"" + printable(bytes) + "\"";
}

std::string hex8(uint32_t value)
{
    char text[9];
    std::snprintf(text, sizeof text, "%08x", value);
    return text;
}

} // namespace

const char *kindName(UploadReport::Kind kind)
{
    return kind == UploadReport::Kind::Overlay ? "overlay" : "CERT table";
}

UploadReceiver::UploadReceiver(UploadReport::Kind kind)
{
    m_report.kind = kind;
}

size_t UploadReceiver::take(std::string_view bytes, DriveOutput &out)
{
    size_t taken = 0;
    while (taken < bytes.size() && m_stage != Stage::Done) {
        const std::string_view rest = bytes.substr(taken);
        switch (m_stage) {
        case Stage::AwaitHeader:
            // A line end left from typing the start command by hand is not the header yet.
            if (rest[0] == '\r' || rest[0] == '\n')
                ++taken;
            else
                m_stage = Stage::Header;
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
            fail("header " + quoted(m_header) + " broken off by a level line", out);
            return i;
        }
        out.bytes += c;
        m_header += c;
        if (isControl(static_cast<unsigned char>(c))) {
            fail("header " + quoted(m_header) + " holds a control byte", out);
            return i + 1;
        }
        if (m_header.ends_with(Begin)) {
            parseHeader(out);
            return i + 1;
        }
        if (m_header.size() >= MaxHeader) {
            fail("header " + quoted(m_header) + " too long, no [BEGIN]", out);
            return i + 1;
        }
    }
    return bytes.size();
}

void UploadReceiver::parseHeader(DriveOutput &out)
{
    out.log.push_back(localText(DriveText::UploadHeader, {quoted(m_header)}));
    const std::string_view text
        = std::string_view(m_header).substr(0, m_header.size() - Begin.size());
    // The name may hold a colon; the size never does.
    const size_t colon = text.rfind(':');
    if (colon == std::string_view::npos)
        return fail("header " + quoted(m_header) + " has no ':' between name and size", out);
    m_report.name = text.substr(0, colon);
    if (m_report.name.empty())
        return fail("header " + quoted(m_header) + " has no file name", out);
    const std::string_view sizeText = text.substr(colon + 1);
    const std::optional<uint64_t> size = parseDecimal(sizeText);
    if (!size)
        return fail("size " + quoted(sizeText) + " is not a plain decimal number", out);
    m_report.declaredSize = *size;
    if (*size > MaxSize)
        return fail("size " + std::to_string(*size) + " exceeds the RAM of "
                + std::to_string(MaxSize) + " bytes",
            out);
    m_stage = *size == 0 ? Stage::Closing : Stage::Data;
}

size_t UploadReceiver::takeData(std::string_view bytes, DriveOutput &out)
{
    const size_t n = static_cast<size_t>(
        std::min<uint64_t>(bytes.size(), m_report.declaredSize - m_report.received));
    const std::string_view data = bytes.substr(0, n);
    m_crc.update(data);
    keepTail(data);
    m_report.received += n;
    m_report.crc32 = m_crc.value();
    if (m_report.received == m_report.declaredSize) {
        out.log.push_back(localText(
            DriveText::UploadData, {std::to_string(m_report.received), hex8(m_report.crc32)}));
        m_stage = Stage::Closing;
    }
    return n;
}

void UploadReceiver::keepTail(std::string_view data)
{
    if (data.size() >= Closing.size()) {
        m_tail = data.substr(data.size() - Closing.size());
        return;
    }
    m_tail += data;
    if (m_tail.size() > Closing.size())
        m_tail.erase(0, m_tail.size() - Closing.size());
}

size_t UploadReceiver::takeClosing(std::string_view bytes, DriveOutput &out)
{
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == Closing[m_closingMatched]) {
            out.bytes += bytes[i];
            if (++m_closingMatched == Closing.size()) {
                finish(out);
                return i + 1;
            }
            continue;
        }
        if (m_closingMatched < End.size()) {
            // Not [END] where the data should stop: more data came than the header said.
            m_overrun = m_closingMatched;
            m_overrunHead = Closing.substr(0, m_closingMatched);
            m_stage = Stage::Overrun;
            return i;
        }
        // Whatever broke the closing commands is the monitor's to handle.
        std::string got(Closing.substr(End.size(), m_closingMatched - End.size()));
        got += bytes[i];
        fail("after [END] expected \"b,,22\" and \"c\", got " + quoted(got), out);
        return i;
    }
    return bytes.size();
}

size_t UploadReceiver::takeOverrun(std::string_view bytes)
{
    for (const char c : bytes) {
        ++m_overrun;
        if (m_overrunHead.size() < Closing.size())
            m_overrunHead += c;
        if (m_overrunBeforeEnd)
            continue;
        m_endMatched = c == End[m_endMatched] ? m_endMatched + 1 : (c == End[0] ? 1 : 0);
        if (m_endMatched == End.size())
            m_overrunBeforeEnd = m_overrun - End.size();
    }
    return bytes.size();
}

bool UploadReceiver::endsOnSilence() const
{
    return m_stage != Stage::AwaitHeader && m_stage != Stage::Done;
}

void UploadReceiver::silence(DriveOutput &out)
{
    switch (m_stage) {
    case Stage::Header:
        return fail("header " + quoted(m_header) + " incomplete, no [BEGIN]", out);
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
    std::string error = "data incomplete: " + std::to_string(m_report.received) + " of "
        + std::to_string(m_report.declaredSize) + " bytes came";
    if (m_tail == Closing)
        error += "; the closing commands were taken as data: the file is "
            + std::to_string(m_report.declaredSize - m_report.received + Closing.size())
            + " bytes shorter than its header says";
    return error;
}

std::string UploadReceiver::closingSilenceError() const
{
    if (m_closingMatched < End.size())
        return "no [END] after the data"
            + (m_closingMatched > 0 ? ", only " + quoted(Closing.substr(0, m_closingMatched)) : "");
    if (m_closingMatched < Closing.size() - 1)
        return "\"b,,22\" missing after [END]";
    return "\"c\" missing after b,,22";
}

std::string UploadReceiver::overrunError() const
{
    const std::string size = std::to_string(m_report.declaredSize);
    if (m_overrunBeforeEnd)
        return std::to_string(*m_overrunBeforeEnd) + " bytes more than the declared " + size
            + " came before [END]";
    // A file a few bytes short lets the first bytes of "[END]" pass as its data.
    const size_t shortBy = m_overrun < Closing.size() ? Closing.size() - m_overrun : 0;
    if (shortBy > 0 && m_overrunHead == Closing.substr(shortBy)
        && m_tail.ends_with(Closing.substr(0, shortBy)))
        return "the first " + std::to_string(shortBy)
            + " byte(s) of [END] were taken as data: the file is " + std::to_string(shortBy)
            + " byte(s) shorter than its header says";
    return "no [END] after the " + size + " data bytes; " + std::to_string(m_overrun)
        + " more bytes came";
}

void UploadReceiver::finish(DriveOutput &out)
{
    out.log.push_back(localText(DriveText::UploadClosing, {quoted(Closing)}));
    m_stage = Stage::Done;
}

void UploadReceiver::fail(std::string error, DriveOutput &out)
{
    out.log.push_back(localText(DriveText::UploadError, {error}));
    m_report.error = std::move(error);
    m_stage = Stage::Done;
}

} // namespace kelvane
