#include "procedures/pattern.h"

#include "procedures/procedure_texts.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <algorithm>
#include <array>
#include <new>
#include <pcre2.h>

namespace kelvane {

using ProcedureText::inQuotes;

namespace {

// Per starting point. An ordinary pattern needs a step or two per character of the drive's text,
// so a hundred thousand leave room over the most text kept, and the interpreter, whose steps cost
// most, reaches them in about 10 ms of processor time (the JIT in less); its memory for
// backtracking is kept to 4 MiB, which growing the first time also costs (see
// bench/pattern_bench.cpp). The JIT has a stack of its own.
constexpr uint32_t MatchLimit = 100000;
constexpr uint32_t DepthLimit = MatchLimit;
constexpr uint32_t HeapLimitKiB = 4 * 1024;
constexpr PCRE2_SIZE JitStackStart = 32 * 1024;
constexpr PCRE2_SIZE JitStackMost = 8 * 1024 * 1024;

constexpr uint32_t Options = PCRE2_UTF | PCRE2_UCP | PCRE2_MULTILINE | PCRE2_NEVER_BACKSLASH_C;
constexpr std::string_view StartCallout = "(?C1)";

// The settings a pattern may begin with, "(*UCP)" and the like: they must stay first.
constexpr std::array<std::string_view, 20> StartSettings
    = {"UTF", "UCP", "NOTEMPTY", "NOTEMPTY_ATSTART", "NO_AUTO_POSSESS", "NO_DOTSTAR_ANCHOR",
        "NO_JIT", "NO_START_OPT", "CR", "LF", "CRLF", "ANYCRLF", "ANY", "NUL", "BSR_ANYCRLF",
        "BSR_UNICODE", "LIMIT_HEAP", "LIMIT_MATCH", "LIMIT_DEPTH", "LIMIT_RECURSION"};

size_t startSettingsLength(std::string_view pattern)
{
    size_t at = 0;
    while (pattern.substr(at).starts_with("(*")) {
        const size_t close = pattern.find(')', at);
        if (close == std::string_view::npos)
            break;
        std::string_view name = pattern.substr(at + 2, close - at - 2);
        name = name.substr(0, name.find('='));
        if (std::find(StartSettings.begin(), StartSettings.end(), name) == StartSettings.end())
            break;
        at = close + 1;
    }
    return at;
}

// Characters, not bytes, before `offset` of UTF-8 `text`.
size_t characters(std::string_view text, size_t offset)
{
    return static_cast<size_t>(std::count_if(text.begin(),
        text.begin() + static_cast<ptrdiff_t>(std::min(offset, text.size())),
        [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

struct CompileContext
{
    pcre2_compile_context *context = pcre2_compile_context_create(nullptr);
    ~CompileContext() { pcre2_compile_context_free(context); }
};

} // namespace

Pattern::Pattern(std::string_view utf8) : m_text(utf8)
{
    CompileContext compile;
    if (!compile.context)
        throw std::bad_alloc();
    pcre2_set_newline(compile.context, PCRE2_NEWLINE_ANYCRLF);
    pcre2_set_parens_nest_limit(compile.context, MaxPatternNesting);
    pcre2_set_max_pattern_length(compile.context, MaxPatternLength);
    int error = 0;
    PCRE2_SIZE offset = 0;
    // The pattern as written first: its faults are told at their place in it.
    pcre2_code *plain = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(utf8.data()), utf8.size(),
        Options, &error, &offset, compile.context);
    if (!plain) {
        if (error == PCRE2_ERROR_PATTERN_STRING_TOO_LONG)
            throw PatternError(
                localText(ProcedureText::PatternTooLong, {std::to_string(MaxPatternLength)}));
        if (error == PCRE2_ERROR_PARENTHESES_NEST_TOO_DEEP
            || error == PCRE2_ERROR_QUERY_BARJX_NEST_TOO_DEEP)
            throw PatternError(
                localText(ProcedureText::PatternTooDeep, {std::to_string(MaxPatternNesting)}));
        PCRE2_UCHAR reason[256];
        pcre2_get_error_message(error, reason, sizeof reason);
        throw PatternError(localText(ProcedureText::PatternFault,
            {inQuotes(utf8), std::to_string(characters(utf8, offset) + 1),
                reinterpret_cast<const char *>(reason)}));
    }
    pcre2_code_free(plain);

    const size_t settings = startSettingsLength(utf8);
    const std::string watched = std::string(utf8.substr(0, settings)) + std::string(StartCallout)
        + std::string(utf8.substr(settings));
    pcre2_set_max_pattern_length(compile.context, MaxPatternLength + StartCallout.size());
    m_code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(watched.data()), watched.size(), Options,
        &error, &offset, compile.context);
    if (!m_code)
        throw PatternError(localText(ProcedureText::PatternUnsupported, {inQuotes(utf8)}));
    // Without a JIT the interpreter does the same, only slower.
    m_jit = pcre2_jit_compile(m_code, PCRE2_JIT_COMPLETE) == 0;
}

Pattern::~Pattern()
{
    pcre2_code_free(m_code);
}

PatternSearcher::PatternSearcher()
    : m_context(pcre2_match_context_create(nullptr)), m_data(pcre2_match_data_create(1, nullptr)),
      m_jitStack(pcre2_jit_stack_create(JitStackStart, JitStackMost, nullptr))
{
    if (!m_context || !m_data) {
        release();
        throw std::bad_alloc();
    }
    pcre2_set_match_limit(m_context, MatchLimit);
    pcre2_set_depth_limit(m_context, DepthLimit);
    pcre2_set_heap_limit(m_context, HeapLimitKiB);
    pcre2_set_callout(m_context, &PatternSearcher::callout, this);
    // Without a stack of its own the JIT has 32 KiB; none at all leaves that.
    if (m_jitStack)
        pcre2_jit_stack_assign(m_context, nullptr, m_jitStack);
}

PatternSearcher::~PatternSearcher()
{
    release();
}

void PatternSearcher::release()
{
    pcre2_jit_stack_free(m_jitStack);
    pcre2_match_data_free(m_data);
    pcre2_match_context_free(m_context);
}

int PatternSearcher::callout(pcre2_callout_block *block, void *self)
{
    auto &searcher = *static_cast<PatternSearcher *>(self);
    // The time is looked at once per starting point, never at the first of a call.
    if (block->start_match != searcher.m_start) {
        searcher.m_start = block->start_match;
        if (Clock::now() >= searcher.m_until) {
            searcher.m_timeUp = true;
            return PCRE2_ERROR_CALLOUT;
        }
    }
    return 0;
}

PatternSearcher::Result PatternSearcher::search(
    const Pattern &pattern, std::string_view subject, size_t &from, Clock::time_point until)
{
    m_until = until;
    m_start = from;
    m_timeUp = false;
    bool jit = pattern.m_jit;
    for (;;) {
        const int found = pcre2_match(pattern.m_code, reinterpret_cast<PCRE2_SPTR>(subject.data()),
            subject.size(), from, PCRE2_NO_UTF_CHECK | (jit ? 0 : PCRE2_NO_JIT), m_data, m_context);
        if (found >= 0) {
            const PCRE2_SIZE *match = pcre2_get_ovector_pointer(m_data);
            // \K may put the start after the end; the text between is what matched either way.
            return {Outcome::Matched, std::min(match[0], match[1]), std::max(match[0], match[1])};
        }
        if (found == PCRE2_ERROR_NOMATCH)
            return {Outcome::NoMatch};
        if (found == PCRE2_ERROR_CALLOUT && m_timeUp) {
            from = m_start;
            return {Outcome::Unfinished};
        }
        // The JIT's stack is smaller than the interpreter's heap: the interpreter goes on from
        // the starting point the JIT gave up at.
        if (found == PCRE2_ERROR_JIT_STACKLIMIT && jit) {
            jit = false;
            from = m_start;
            continue;
        }
        return {Outcome::TooComplex};
    }
}

PatternSearcher::Result PatternSearcher::search(const Pattern &pattern, std::string_view subject)
{
    size_t from = 0;
    return search(pattern, subject, from, Clock::time_point::max());
}

} // namespace kelvane
