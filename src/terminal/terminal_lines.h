// TerminalLines: what a terminal pane holds. The bytes as they came (Windows-1251), an index of
// where each line starts, when each line's first byte arrived, and where each line's rows start
// when lines wrap at a given number of columns. A line ends at LF; its shown characters end before
// the LF and before a CR right before it.
//
// Positions count bytes from the first one received since the last clear, and rows count rows from
// the first one since then, so both stay put when the oldest lines are dropped. Appending costs
// what the new bytes cost, whatever is held already; dropping lines costs O(1) amortised per line
// and byte. Qt-free; not thread-safe.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kelvane {

class TerminalLines
{
public:
    TerminalLines();

    // Adds `bytes` at the end; `arrival` is the wall-clock time in milliseconds since the epoch.
    void append(std::string_view bytes, int64_t arrival);
    void clear();
    // Drops the oldest lines until `lines` are left (at least one stays: the open last line).
    void keepLast(size_t lines);

    // The held bytes are those at [first(), end()).
    int64_t first() const { return m_first; }
    int64_t end() const { return m_origin + static_cast<int64_t>(m_bytes.size()); }
    std::string_view bytes() const { return bytes(m_first, end()); }
    // REQUIRES: first() <= from <= to <= end().
    std::string_view bytes(int64_t from, int64_t to) const;
    unsigned char at(int64_t position) const
    {
        return static_cast<unsigned char>(m_bytes[static_cast<size_t>(position - m_origin)]);
    }

    // Lines are numbered from the first one held.
    size_t lineCount() const { return m_lineStart.size() - m_head; }
    int64_t lineStart(size_t line) const { return m_lineStart[m_head + line]; }
    // Where the line's shown characters end.
    int64_t lineEnd(size_t line) const { return shownEnd(m_head + line); }
    // Where the next line starts (end() for the last line).
    int64_t lineNext(size_t line) const;
    int64_t lineTime(size_t line) const { return m_lineTime[m_head + line]; }
    // The line that holds `position` (the last line for end()).
    size_t lineOf(int64_t position) const;

    // Rows: each line takes at least one, and one more for every `columns` shown characters.
    void setColumns(int64_t columns);
    int64_t columns() const { return m_columns; }
    int64_t rowsOf(size_t line) const { return rowsAt(m_head + line); }
    int64_t lineRow(size_t line) const { return m_rowStart[m_head + line]; }
    int64_t firstRow() const { return m_rowStart[m_head]; }
    int64_t endRow() const { return m_rowStart.back() + rowsAt(m_rowStart.size() - 1); }
    // The line shown on `row`. REQUIRES: firstRow() <= row.
    size_t lineAtRow(int64_t row) const;

private:
    // These take indexes into the vectors, not line numbers.
    int64_t shownEnd(size_t index) const;
    int64_t rowsAt(size_t index) const;
    void compact();

    std::string m_bytes; // m_bytes[0] is at position m_origin
    int64_t m_origin = 0;
    int64_t m_first = 0;
    // One entry per line; the entries before m_head are dropped lines not yet erased.
    std::vector<int64_t> m_lineStart;
    std::vector<int64_t> m_lineTime;
    std::vector<int64_t> m_rowStart;
    size_t m_head = 0;
    int64_t m_columns = 80;
};

} // namespace kelvane
