// A procedure: the steps of one repair, read from a UTF-8 text file, one step per line. Blank
// lines and lines whose first non-blank character is "#" are skipped. The steps:
//
//   send TEXT              TEXT and CR, as Enter in the input line (TEXT may be empty)
//   send-raw TEXT          TEXT alone
//   level X                "/X", X one letter or digit
//   rate N                 the rate switch: "/T", the rate's command, then the port's rate
//   expect REGEX [SECONDS] wait until the text received since the last write matches
//   fail-on REGEX          from here on, received text that matches fails the procedure
//   wait SECONDS           wait, watching the fail-on patterns
//   upload overlay FILE    the upload into drive RAM; FILE relative to the procedure's folder
//   upload cert FILE
//
// TEXT is the rest of the line after the keyword and one blank, exactly (Windows-1251 on the
// wire). For expect, a last word that is a number is the time-out (default 10 s), so a pattern
// that ends in a number needs another ending, e.g. "(5)". Patterns are PCRE2's, multi-line
// ("^" and "$" also at line ends), matched per character against the received text (see
// pattern.h). Every error is found while reading, before anything is sent, and names its line.
#pragma once

#include "procedures/pattern.h"
#include "procedures/rate_table.h"
#include "procedures/upload_transfer.h"

#include <chrono>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kelvane {

struct ProcedureStep
{
    enum class Kind { Send, SendRaw, Level, Rate, Expect, FailOn, Wait, Upload };

    Kind kind = Kind::Send;
    int line = 0;
    std::string source; // the line as written, UTF-8, without surrounding blanks
    std::string bytes; // Send, SendRaw, Level: what goes on the wire
    const RateEntry *rate = nullptr;
    std::shared_ptr<const Pattern> pattern; // Expect, FailOn
    std::string patternText; // the pattern as written
    std::chrono::milliseconds time {0}; // Expect: time-out; Wait: how long
    UploadKind upload = UploadKind::Overlay;
    std::filesystem::path file; // Upload: resolved against the procedure's folder

    // Whether the step writes to the drive: the received text an expect looks at starts anew.
    bool writes() const
    {
        return kind != Kind::Expect && kind != Kind::FailOn && kind != Kind::Wait;
    }
};

struct Procedure
{
    std::filesystem::path file;
    std::vector<ProcedureStep> steps;
};

// A procedure that cannot be read; `line` is 0 when the fault is the file's as a whole.
class ProcedureError : public std::runtime_error
{
public:
    ProcedureError(int line, const std::string &text);
    int line() const { return m_line; }

private:
    int m_line;
};

inline constexpr std::chrono::milliseconds DefaultExpectTime = std::chrono::seconds(10);

// Parses the text of a procedure; upload files are looked for in `folder` and must be readable.
Procedure parseProcedure(std::string_view text, const std::filesystem::path &folder);
// Reads and parses a procedure file.
Procedure loadProcedure(const std::filesystem::path &file);

} // namespace kelvane
