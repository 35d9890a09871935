// How long one slice of a procedure's pattern search holds the thread that runs it (the window's
// or kelvane-batch's), over the most text a procedure keeps (64 Ki characters): the patterns that
// std::regex could not take, patterns made to backtrack, and ordinary ones, with the JIT and with
// the interpreter ("(*NO_JIT)"). A search is given slices of ProcedureRunner::SearchSlice, as the
// runner does, until it ends or `seconds` have passed. Each slice is timed by the clock and by
// the thread's processor time, which other programs on a busy machine do not inflate.
//
//   build/bench/kelvane_bench_pattern [seconds]
#include "procedures/pattern.h"
#include "procedures/procedure_runner.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

using namespace kelvane;

namespace {

using Clock = PatternSearcher::Clock;
using Milliseconds = std::chrono::duration<double, std::milli>;

double threadMilliseconds()
{
    timespec t {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// UTF-8 text of `characters` characters made of `line` over and over, then `end`.
std::string text(const std::string &line, size_t characters, const std::string &end = "")
{
    std::string made;
    size_t count = 0;
    const auto length = [](const std::string &s) {
        return static_cast<size_t>(std::count_if(s.begin(), s.end(),
            [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
    };
    while (count + length(line) + length(end) <= characters) {
        made += line;
        count += length(line);
    }
    return made + end;
}

const char *outcomeText(PatternSearcher::Outcome outcome)
{
    switch (outcome) {
    case PatternSearcher::Outcome::Matched:
        return "найдено";
    case PatternSearcher::Outcome::NoMatch:
        return "нет";
    case PatternSearcher::Outcome::Unfinished:
        return "не закончен";
    case PatternSearcher::Outcome::TooComplex:
        return "слишком сложно";
    }
    return "";
}

void measure(const char *name, const std::string &pattern, const std::string &subject,
    std::chrono::seconds most, double &worst, double &worstProcessor)
{
    for (const char *engine : {"", "(*NO_JIT)"}) {
        const Pattern compiled(engine + pattern);
        PatternSearcher searcher;
        size_t from = 0;
        int slices = 0;
        Milliseconds longest {0};
        double longestProcessor = 0;
        PatternSearcher::Result result;
        const Clock::time_point start = Clock::now();
        do {
            const double processor = threadMilliseconds();
            const Clock::time_point began = Clock::now();
            result = searcher.search(compiled, subject, from, began + ProcedureRunner::SearchSlice);
            longest = std::max<Milliseconds>(longest, Clock::now() - began);
            longestProcessor = std::max(longestProcessor, threadMilliseconds() - processor);
            ++slices;
        } while (
            result.outcome == PatternSearcher::Outcome::Unfinished && Clock::now() - start < most);
        const Milliseconds total = Clock::now() - start;
        worst = std::max(worst, longest.count());
        worstProcessor = std::max(worstProcessor, longestProcessor);
        std::printf("%-24s %-6s %-15s %7d %8.2f %8.2f %9.1f\n", name, *engine ? "interp" : "JIT",
            outcomeText(result.outcome), slices, longest.count(), longestProcessor, total.count());
    }
}

} // namespace

int main(int argc, char **argv)
{
    const std::chrono::seconds most(argc > 1 ? std::atoi(argv[1]) : 5);
    const size_t full = ProcedureRunner::MaxText;
    const std::string answer = text("головка 1: ошибок 0, aZ b\r\n", full);
    const std::string prompted = text("головка 1: ошибок 0, ab\r\n", full, "F3 1>");
    const std::string noZ = text("головка 1: ошибок 0, ab\r\n", full);
    const std::string exes = text("x", full, "zy");
    const std::string line300 = std::string(300, 'a') + "Z";
    struct Case
    {
        const char *name;
        std::string pattern;
        const std::string &subject;
    };
    const Case cases[] = {
        {"(a|b|c|\\s|\\S)*ZZZ 300", "(a|b|c|\\s|\\S)*ZZZ", line300},
        {"(a|b|c|\\s|\\S)*ZZZ", "(a|b|c|\\s|\\S)*ZZZ", answer},
        {"[\\s\\S]*ZZZ", "[\\s\\S]*ZZZ", answer},
        {"[\\s\\S]*ZZZ, no Z", "[\\s\\S]*ZZZ", noZ},
        {"[^Z]*ZZZ", "[^Z]*ZZZ", answer},
        {"[\\s\\S]*F3 1>$", "[\\s\\S]*F3 1>$", prompted},
        {"(.|\\r|\\n)*ZZZ", "(.|\\r|\\n)*ZZZ", answer},
        {"^(x+x+)+y", "^(x+x+)+y", exes},
        {"(?:(x|xx)*)*y", "(?:(x|xx)*)*y", exes},
        {"(x+)+(x+)+(x+)+y", "(x+)+(x+)+(x+)+y", exes},
        {"F3 1>$", "F3 1>$", prompted},
        {"(?i)ОШИБОК [1-9]", "(?i)ОШИБОК [1-9]", answer},
    };
    std::printf("text: %zu characters; slice %lld ms; at most %lld s per search\n\n", full,
        static_cast<long long>(ProcedureRunner::SearchSlice.count()),
        static_cast<long long>(most.count()));
    std::printf("%-24s %-6s %-15s %7s %8s %8s %9s\n", "pattern", "engine", "outcome", "slices",
        "max ms", "max cpu", "total ms");
    double worst = 0;
    double worstProcessor = 0;
    for (const Case &c : cases)
        measure(c.name, c.pattern, c.subject, most, worst, worstProcessor);
    std::printf("\nthe longest slice: %.2f ms by the clock, %.2f ms of processor time\n", worst,
        worstProcessor);
}
