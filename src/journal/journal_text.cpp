#include "journal/journal_text.h"

#include "base/code_page.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace kelvane {

namespace {

bool safeInFileName(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-'
        || c == '_' || c == '.';
}

} // namespace

LocalTime localTimeNow()
{
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    std::tm parts {};
    localtime_r(&seconds, &parts);
    LocalTime time;
    time.year = parts.tm_year + 1900;
    time.month = parts.tm_mon + 1;
    time.day = parts.tm_mday;
    time.hour = parts.tm_hour;
    time.minute = parts.tm_min;
    time.second = parts.tm_sec;
    time.millisecond
        = static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
    return time;
}

std::string clockText(const LocalTime &time)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", time.hour, time.minute, time.second,
        time.millisecond);
    return text;
}

std::string dateText(const LocalTime &time)
{
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", time.year, time.month, time.day);
    return text;
}

std::string visibleBytes(std::string_view bytes)
{
    static constexpr char Hex[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size());
    for (size_t at = 0; at < bytes.size(); ++at) {
        // A drive's lines are mostly plain ASCII: that goes over as it is, a run at a time.
        const size_t run = at;
        while (at < bytes.size() && bytes[at] >= 0x20 && bytes[at] < 0x7F && bytes[at] != '\\')
            ++at;
        text.append(bytes.substr(run, at - run));
        if (at == bytes.size())
            break;
        const auto b = static_cast<unsigned char>(bytes[at]);
        const char16_t character = CodePage::ansiToUnicode(b);
        if (b == '\\') {
            text += "\\\\";
        } else if (b == '\r') {
            text += "\\r";
        } else if (b < 0x20 || b == 0x7F || character == u'\uFFFD') {
            text += "\\x";
            text.push_back(Hex[b >> 4]);
            text.push_back(Hex[b & 0x0F]);
        } else {
            CodePage::appendUtf8(text, character);
        }
    }
    return text;
}

std::string journalFileName(std::string_view port, const LocalTime &start, int part)
{
    const size_t slash = port.find_last_of('/');
    std::string name(slash == std::string_view::npos ? port : port.substr(slash + 1));
    for (char &c : name)
        if (!safeInFileName(c))
            c = '_';
    // A leading dot would hide the file.
    if (!name.empty() && name.front() == '.')
        name.front() = '_';
    if (name.empty())
        name = "port";
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "_%04d-%02d-%02dT%02d-%02d-%02d", start.year, start.month,
        start.day, start.hour, start.minute, start.second);
    name += stamp;
    if (part > 1)
        name += "_" + std::to_string(part);
    return name + ".txt";
}

} // namespace kelvane
