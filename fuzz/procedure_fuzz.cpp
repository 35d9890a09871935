// Fuzz entry point: the input is a procedure file, read as the window and kelvane-batch read one.
// It must either give steps or a ProcedureError whose text is UTF-8 (it is shown and written to
// reports); nothing else may escape. Each pattern that was taken is then searched for in a short
// answer of the drive's, which must end with a match inside the text, on character boundaries,
// or with no match or too complex.
#include "procedures/drive_text.h"
#include "procedures/pattern.h"
#include "procedures/procedure.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace kelvane;

namespace {

// What a drive might have said: Cyrillic, CR LF, a prompt.
const std::string Answer
    = cp1251ToUtf8("M\r\r\n\xC3\xEE\xF2\xEE\xE2\xEE: 4 heads, 1 error\r\nF3 1>");

bool boundary(std::string_view text, size_t at)
{
    return at == text.size() || (static_cast<unsigned char>(text[at]) & 0xC0) != 0x80;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    Procedure procedure;
    try {
        // Upload files are looked for where none are: those lines are refused.
        procedure = parseProcedure(text, "/nonexistent-kelvane-fuzz");
    } catch (const ProcedureError &e) {
        if (!decodeUtf8(e.what()) || std::string_view(e.what()).empty())
            std::abort();
        return 0;
    }
    PatternSearcher searcher;
    for (const ProcedureStep &step : procedure.steps) {
        const bool searched
            = step.kind == ProcedureStep::Kind::Expect || step.kind == ProcedureStep::Kind::FailOn;
        if (step.line < 1 || searched != (step.pattern != nullptr))
            std::abort();
        if (!step.pattern)
            continue;
        const PatternSearcher::Result found = searcher.search(*step.pattern, Answer);
        if (found.outcome == PatternSearcher::Outcome::Matched
            && (found.begin > found.end || found.end > Answer.size()
                || !boundary(Answer, found.begin) || !boundary(Answer, found.end)))
            std::abort();
        if (found.outcome == PatternSearcher::Outcome::Unfinished)
            std::abort();
    }
    return 0;
}
