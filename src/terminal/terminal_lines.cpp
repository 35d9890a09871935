#include "terminal/terminal_lines.h"

#include <algorithm>
#include <cstring>

namespace kelvane {

namespace {

// Dropped entries and bytes are erased once they are at least half of what is stored, and this
// many, so each is moved O(1) times on average.
constexpr size_t CompactLines = 4096;
constexpr int64_t CompactBytes = 1 << 20;

template<typename T> void eraseFront(std::vector<T> &v, size_t count)
{
    v.erase(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(count));
}

} // namespace

TerminalLines::TerminalLines()
{
    clear();
}

void TerminalLines::clear()
{
    std::string().swap(m_bytes);
    m_origin = m_first = 0;
    m_lineStart.assign(1, 0);
    m_lineTime.assign(1, 0);
    m_rowStart.assign(1, 0);
    m_head = 0;
}

void TerminalLines::append(std::string_view bytes, int64_t arrival)
{
    if (bytes.empty())
        return;
    // The open last line gets its time from its first byte.
    if (m_lineStart.back() == end())
        m_lineTime.back() = arrival;
    const size_t start = m_bytes.size();
    m_bytes.append(bytes);
    const char *data = m_bytes.data();
    const char *stop = data + m_bytes.size();
    for (const char *p = data + start;
         (p = static_cast<const char *>(std::memchr(p, '\n', static_cast<size_t>(stop - p))));
         ++p) {
        const size_t finished = m_lineStart.size() - 1;
        m_lineStart.push_back(m_origin + (p - data) + 1);
        m_lineTime.push_back(arrival);
        m_rowStart.push_back(m_rowStart[finished] + rowsAt(finished));
    }
}

void TerminalLines::keepLast(size_t lines)
{
    lines = std::max<size_t>(lines, 1);
    if (lineCount() <= lines)
        return;
    m_head += lineCount() - lines;
    m_first = m_lineStart[m_head];
    compact();
}

void TerminalLines::compact()
{
    if (m_head >= CompactLines && m_head * 2 >= m_lineStart.size()) {
        eraseFront(m_lineStart, m_head);
        eraseFront(m_lineTime, m_head);
        eraseFront(m_rowStart, m_head);
        m_head = 0;
    }
    const int64_t dead = m_first - m_origin;
    if (dead >= CompactBytes && dead * 2 >= static_cast<int64_t>(m_bytes.size())) {
        m_bytes.erase(0, static_cast<size_t>(dead));
        m_origin = m_first;
    }
}

std::string_view TerminalLines::bytes(int64_t from, int64_t to) const
{
    return std::string_view(m_bytes).substr(
        static_cast<size_t>(from - m_origin), static_cast<size_t>(to - from));
}

int64_t TerminalLines::lineNext(size_t line) const
{
    const size_t index = m_head + line + 1;
    return index < m_lineStart.size() ? m_lineStart[index] : end();
}

int64_t TerminalLines::shownEnd(size_t index) const
{
    if (index + 1 == m_lineStart.size())
        return end();
    int64_t stop = m_lineStart[index + 1] - 1;
    if (stop > m_lineStart[index] && at(stop - 1) == '\r')
        --stop;
    return stop;
}

int64_t TerminalLines::rowsAt(size_t index) const
{
    const int64_t length = shownEnd(index) - m_lineStart[index];
    return std::max<int64_t>(1, (length + m_columns - 1) / m_columns);
}

size_t TerminalLines::lineOf(int64_t position) const
{
    const auto from = m_lineStart.begin() + static_cast<std::ptrdiff_t>(m_head);
    return static_cast<size_t>(std::upper_bound(from, m_lineStart.end(), position) - from - 1);
}

size_t TerminalLines::lineAtRow(int64_t row) const
{
    const auto from = m_rowStart.begin() + static_cast<std::ptrdiff_t>(m_head);
    return static_cast<size_t>(std::upper_bound(from, m_rowStart.end(), row) - from - 1);
}

void TerminalLines::setColumns(int64_t columns)
{
    columns = std::max<int64_t>(columns, 1);
    if (columns == m_columns)
        return;
    m_columns = columns;
    for (size_t index = m_head; index + 1 < m_rowStart.size(); ++index)
        m_rowStart[index + 1] = m_rowStart[index] + rowsAt(index);
}

} // namespace kelvane
