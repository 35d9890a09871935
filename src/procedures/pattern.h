// Pattern: a procedure's regular expression, compiled by PCRE2 (Perl-compatible syntax) as UTF-8
// with Unicode classes and multi-line anchors: "^" and "$" also at each CR, LF or CR LF, so "."
// is one Cyrillic letter and never a line end. A file is someone's text, and the drive's answer
// may be anything, so both compiling and searching are bounded: a pattern is at most
// MaxPatternLength bytes with MaxPatternNesting nested groups, and a search at one starting point
// stops with TooComplex once the engine's match, depth or heap limit is reached.
//
// PatternSearcher runs searches in slices: each search() works until its time is up and then says
// where the next call goes on, so a caller's thread never waits long on the engine. It watches
// the time from a callout placed at the pattern's start, which the engine calls at each starting
// point it tries.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

struct pcre2_real_code_8;
struct pcre2_real_match_context_8;
struct pcre2_real_match_data_8;
struct pcre2_real_jit_stack_8;
struct pcre2_callout_block_8;

namespace kelvane {

inline constexpr size_t MaxPatternLength = 4096; // bytes of UTF-8
inline constexpr uint32_t MaxPatternNesting = 64; // groups within groups

// What the engine would not take, in words for the user (UTF-8, Russian).
class PatternError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

class Pattern
{
public:
    // Raises PatternError.
    explicit Pattern(std::string_view utf8);
    ~Pattern();
    Pattern(const Pattern &) = delete;
    Pattern &operator=(const Pattern &) = delete;

    const std::string &text() const { return m_text; }

private:
    friend class PatternSearcher;

    std::string m_text;
    pcre2_real_code_8 *m_code = nullptr;
    bool m_jit = false;
};

class PatternSearcher
{
public:
    using Clock = std::chrono::steady_clock;

    enum class Outcome { Matched, NoMatch, Unfinished, TooComplex };

    struct Result
    {
        Outcome outcome = Outcome::NoMatch;
        size_t begin = 0; // Matched: the match within the subject
        size_t end = 0;
    };

    PatternSearcher();
    ~PatternSearcher();
    PatternSearcher(const PatternSearcher &) = delete;
    PatternSearcher &operator=(const PatternSearcher &) = delete;

    // Searches valid UTF-8 `subject` from the starting point `from` (a character boundary), until
    // `until` has passed: then Unfinished, with `from` moved to where the next call resumes. At
    // least one starting point is tried per call, so every call makes headway.
    Result search(
        const Pattern &pattern, std::string_view subject, size_t &from, Clock::time_point until);
    // The whole search at once; for tests and tools.
    Result search(const Pattern &pattern, std::string_view subject);

private:
    static int callout(pcre2_callout_block_8 *block, void *self);
    void release();

    pcre2_real_match_context_8 *m_context = nullptr;
    pcre2_real_match_data_8 *m_data = nullptr;
    pcre2_real_jit_stack_8 *m_jitStack = nullptr;
    // Of the search under way, for the callout.
    Clock::time_point m_until;
    size_t m_start = 0; // the starting point being tried
    bool m_timeUp = false;
};

} // namespace kelvane
