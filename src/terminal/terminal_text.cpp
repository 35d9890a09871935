#include "terminal/terminal_text.h"

#include "base/code_page.h"
#include "terminal/terminal_lines.h"

#include <QDateTime>
#include <cstdio>

namespace kelvane {

namespace {

constexpr int64_t MsPerDay = 24 * 60 * 60 * 1000;
// Local time differs from UTC by an offset that changes only at quarter hours.
constexpr int64_t OffsetSpan = 15 * 60 * 1000;

int64_t floorDiv(int64_t a, int64_t b)
{
    return a / b - (a % b < 0 ? 1 : 0);
}

} // namespace

QString timeOfDay(int64_t msSinceEpoch)
{
    thread_local int64_t cachedSpan = INT64_MIN;
    thread_local int64_t cachedOffset = 0;
    const int64_t span = floorDiv(msSinceEpoch, OffsetSpan);
    if (span != cachedSpan) {
        cachedSpan = span;
        cachedOffset
            = int64_t {QDateTime::fromMSecsSinceEpoch(span * OffsetSpan).offsetFromUtc()} * 1000;
    }
    const int64_t local = msSinceEpoch + cachedOffset;
    const int64_t ms = local - floorDiv(local, MsPerDay) * MsPerDay;
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", static_cast<int>(ms / 3600000),
        static_cast<int>(ms / 60000 % 60), static_cast<int>(ms / 1000 % 60),
        static_cast<int>(ms % 1000));
    return QString::fromLatin1(text);
}

std::string terminalFileText(const TerminalLines &lines, TextEncoding encoding, bool withTimes)
{
    std::string out;
    out.reserve(lines.bytes().size() + (withTimes ? lines.lineCount() * 13 : 0));
    for (size_t line = 0; line < lines.lineCount(); ++line) {
        const int64_t start = lines.lineStart(line);
        const int64_t next = lines.lineNext(line);
        if (start == next)
            continue; // the open last line, before its first byte
        if (withTimes) {
            out += timeOfDay(lines.lineTime(line)).toStdString();
            out += ' ';
        }
        if (encoding == TextEncoding::Cp1251) {
            out += lines.bytes(start, next);
            continue;
        }
        for (const char c : lines.bytes(start, lines.lineEnd(line)))
            CodePage::appendUtf8(out, CodePage::ansiToUnicode(static_cast<unsigned char>(c)));
        if (next > lines.lineEnd(line))
            out += '\n';
    }
    return out;
}

} // namespace kelvane
