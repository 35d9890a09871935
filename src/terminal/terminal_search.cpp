#include "terminal/terminal_search.h"

#include "framework/cp1251_text.h"
#include "terminal/terminal_lines.h"

#include <algorithm>

namespace kelvane {

namespace {

unsigned char lower(unsigned char byte)
{
    static const unsigned char *const Table = cp1251LowerCase();
    return Table[byte];
}

} // namespace

void TerminalSearch::setNeedle(const std::string &needle, const TerminalLines &lines)
{
    m_needle.clear();
    for (char c : needle)
        m_needle.push_back(static_cast<char>(lower(static_cast<unsigned char>(c))));
    // Horspool's shifts, over lower-case bytes, both ways.
    const int64_t n = length();
    m_skipForward.fill(n);
    m_skipBackward.fill(n);
    for (int64_t i = 0; i + 1 < n; ++i)
        m_skipForward[static_cast<unsigned char>(m_needle[static_cast<size_t>(i)])] = n - 1 - i;
    for (int64_t i = n - 1; i >= 1; --i)
        m_skipBackward[static_cast<unsigned char>(m_needle[static_cast<size_t>(i)])] = i;
    m_count = 0;
    m_counted = lines.first();
    appended(lines);
}

int64_t TerminalSearch::lastStart(const TerminalLines &lines) const
{
    return lines.end() - length();
}

bool TerminalSearch::matchesAt(const TerminalLines &lines, int64_t position) const
{
    for (size_t i = 0; i < m_needle.size(); ++i)
        if (lower(lines.at(position + static_cast<int64_t>(i)))
            != static_cast<unsigned char>(m_needle[i]))
            return false;
    return true;
}

void TerminalSearch::appended(const TerminalLines &lines)
{
    if (!active())
        return;
    const int64_t to = lastStart(lines) + 1;
    if (to <= m_counted)
        return;
    m_count += countIn(lines, std::max(m_counted, lines.first()), to);
    m_counted = to;
}

void TerminalSearch::dropping(const TerminalLines &lines, int64_t newFirst)
{
    if (active())
        m_count -= countIn(lines, lines.first(), std::min(newFirst, m_counted));
}

void TerminalSearch::cleared()
{
    m_count = 0;
    m_counted = 0;
}

int64_t TerminalSearch::countIn(const TerminalLines &lines, int64_t from, int64_t to) const
{
    int64_t count = 0;
    for (int64_t at = findIn(lines, from, to); at >= 0; at = findIn(lines, at + 1, to))
        ++count;
    return count;
}

int64_t TerminalSearch::findForward(const TerminalLines &lines, int64_t from) const
{
    return findIn(lines, from, lastStart(lines) + 1);
}

int64_t TerminalSearch::findIn(const TerminalLines &lines, int64_t from, int64_t to) const
{
    if (!active())
        return -1;
    const int64_t n = length();
    const unsigned char last = static_cast<unsigned char>(m_needle.back());
    for (int64_t at = std::max(from, lines.first()); at < std::min(to, lastStart(lines) + 1);) {
        const unsigned char c = lower(lines.at(at + n - 1));
        if (c == last && matchesAt(lines, at))
            return at;
        at += m_skipForward[c];
    }
    return -1;
}

int64_t TerminalSearch::findBackward(const TerminalLines &lines, int64_t before) const
{
    if (!active())
        return -1;
    const unsigned char head = static_cast<unsigned char>(m_needle.front());
    for (int64_t at = std::min(before - 1, lastStart(lines)); at >= lines.first();) {
        const unsigned char c = lower(lines.at(at));
        if (c == head && matchesAt(lines, at))
            return at;
        at -= m_skipBackward[c];
    }
    return -1;
}

} // namespace kelvane
