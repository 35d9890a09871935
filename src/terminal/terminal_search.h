// TerminalSearch: where a text occurs in what a terminal pane holds, ignoring case. It works on
// the Windows-1251 bytes through a table of lower-case letters, so Cyrillic (Ё and ё too) folds
// as Latin does. Matches may overlap. The count of matches held is kept up to date as bytes
// arrive and old lines are dropped, at the cost of looking at those bytes only. Not thread-safe.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace kelvane {

class TerminalLines;

class TerminalSearch
{
public:
    // Looks for `needle` (Windows-1251 bytes; empty: for nothing) and counts it in `lines`.
    void setNeedle(const std::string &needle, const TerminalLines &lines);
    bool active() const { return !m_needle.empty(); }
    int64_t length() const { return static_cast<int64_t>(m_needle.size()); }
    int64_t count() const { return m_count; }

    // After bytes were appended to `lines`.
    void appended(const TerminalLines &lines);
    // Before the bytes of `lines` before `newFirst` are dropped.
    void dropping(const TerminalLines &lines, int64_t newFirst);
    // After `lines` were cleared.
    void cleared();

    // The first match that starts in [from, end), or -1.
    int64_t findForward(const TerminalLines &lines, int64_t from) const;
    // The last match that starts in [first, before), or -1.
    int64_t findBackward(const TerminalLines &lines, int64_t before) const;
    // The first match that starts in [from, to), or -1.
    int64_t findIn(const TerminalLines &lines, int64_t from, int64_t to) const;

private:
    int64_t countIn(const TerminalLines &lines, int64_t from, int64_t to) const;
    // Where a match may start at the latest.
    int64_t lastStart(const TerminalLines &lines) const;
    bool matchesAt(const TerminalLines &lines, int64_t position) const;

    std::string m_needle; // in lower case
    std::array<int64_t, 256> m_skipForward {};
    std::array<int64_t, 256> m_skipBackward {};
    int64_t m_count = 0;
    int64_t m_counted = 0; // matches starting before this position are counted
};

} // namespace kelvane
