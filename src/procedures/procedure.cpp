#include "procedures/procedure.h"

#include "base/utf8_path.h"
#include "procedures/drive_text.h"
#include "procedures/procedure_texts.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <sstream>

namespace kelvane {

using ProcedureText::inQuotes;

namespace {

constexpr double LongestTime = 24 * 60 * 60; // seconds: a day is surely a mistake already

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Seconds as digits with an optional fraction; nothing for anything else or out of range.
std::optional<std::chrono::milliseconds> seconds(std::string_view text)
{
    if (text.empty() || text.size() > 12)
        return std::nullopt;
    size_t dots = 0;
    for (const char c : text) {
        if (c == '.')
            ++dots;
        else if (c < '0' || c > '9')
            return std::nullopt;
    }
    if (dots > 1 || text.front() == '.' || text.back() == '.')
        return std::nullopt;
    // Not strtod: the program's locale may want a decimal comma.
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    if (!(value > 0) || value > LongestTime)
        return std::nullopt;
    return std::chrono::milliseconds(static_cast<int64_t>(std::llround(value * 1000)));
}

class LineParser
{
public:
    LineParser(int line, std::string_view text, const std::filesystem::path &folder)
        : m_line(line), m_text(text), m_folder(folder)
    { }

    ProcedureStep parse()
    {
        size_t end = 0;
        while (end < m_text.size() && !isBlank(m_text[end]))
            ++end;
        const std::string_view keyword = m_text.substr(0, end);
        // The text of send and send-raw is taken as written after one blank.
        m_raw = end < m_text.size() ? m_text.substr(end + 1) : std::string_view();
        m_argument = trimmed(m_raw);
        m_step.line = m_line;
        m_step.source = std::string(trimmed(m_text));
        if (keyword == "send")
            return send(ProcedureStep::Kind::Send, "\r");
        if (keyword == "send-raw")
            return send(ProcedureStep::Kind::SendRaw, "");
        if (keyword == "level")
            return level();
        if (keyword == "rate")
            return rate();
        if (keyword == "expect")
            return expect();
        if (keyword == "fail-on")
            return failOn();
        if (keyword == "wait")
            return wait();
        if (keyword == "upload")
            return upload();
        fail(localText(ProcedureText::UnknownStep, {inQuotes(keyword)}));
    }

private:
    [[noreturn]] void fail(const std::string &text) const { throw ProcedureError(m_line, text); }

    ProcedureStep send(ProcedureStep::Kind kind, const char *end)
    {
        if (kind == ProcedureStep::Kind::SendRaw && m_raw.empty())
            fail(localText(ProcedureText::NoRawText));
        const std::optional<std::string> bytes = utf8ToCp1251(m_raw);
        if (!bytes)
            fail(localText(ProcedureText::NotCp1251));
        m_step.kind = kind;
        m_step.bytes = *bytes + end;
        return m_step;
    }

    ProcedureStep level()
    {
        const char c = m_argument.size() == 1 ? m_argument[0] : '\0';
        const bool letterOrDigit
            = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        if (!letterOrDigit)
            fail(localText(ProcedureText::BadLevel, {inQuotes(m_argument)}));
        m_step.kind = ProcedureStep::Kind::Level;
        m_step.bytes = std::string("/") + c;
        return m_step;
    }

    ProcedureStep rate()
    {
        m_step.rate = findRateEntry(m_argument);
        if (!m_step.rate) {
            std::string known;
            for (const RateEntry &entry : RateEntries)
                known += std::string(known.empty() ? "" : ", ") + entry.text;
            fail(localText(ProcedureText::BadRate, {inQuotes(m_argument), known}));
        }
        m_step.kind = ProcedureStep::Kind::Rate;
        return m_step;
    }

    ProcedureStep expect()
    {
        std::string_view pattern = m_argument;
        m_step.time = DefaultExpectTime;
        const size_t blank = m_argument.find_last_of(" \t");
        if (blank != std::string_view::npos) {
            if (const auto time = seconds(m_argument.substr(blank + 1))) {
                m_step.time = *time;
                pattern = trimmed(m_argument.substr(0, blank));
            } else if (isNumber(m_argument.substr(blank + 1))) {
                fail(localText(
                    ProcedureText::BadExpectTime, {inQuotes(m_argument.substr(blank + 1))}));
            }
        }
        m_step.kind = ProcedureStep::Kind::Expect;
        m_step.pattern = compile(pattern);
        return m_step;
    }

    ProcedureStep failOn()
    {
        m_step.kind = ProcedureStep::Kind::FailOn;
        m_step.pattern = compile(m_argument);
        return m_step;
    }

    ProcedureStep wait()
    {
        const auto time = seconds(m_argument);
        if (!time)
            fail(localText(ProcedureText::BadWaitTime, {inQuotes(m_argument)}));
        m_step.kind = ProcedureStep::Kind::Wait;
        m_step.time = *time;
        return m_step;
    }

    ProcedureStep upload()
    {
        size_t end = 0;
        while (end < m_argument.size() && !isBlank(m_argument[end]))
            ++end;
        const std::string_view what = m_argument.substr(0, end);
        const std::string_view name = trimmed(m_argument.substr(end));
        if ((what != "overlay" && what != "cert") || name.empty())
            fail(localText(ProcedureText::BadUpload));
        m_step.kind = ProcedureStep::Kind::Upload;
        m_step.upload = what == "overlay" ? UploadKind::Overlay : UploadKind::CertTable;
        m_step.file = m_folder / utf8Path(name);
        // The drive is told the name in its code page: it must fit.
        if (!utf8ToCp1251(pathUtf8(m_step.file.filename())))
            fail(localText(ProcedureText::FileNameNotCp1251));
        std::error_code failure;
        const bool regular = std::filesystem::is_regular_file(m_step.file, failure);
        if (!regular || !std::ifstream(m_step.file, std::ios::binary))
            fail(localText(ProcedureText::FileNotFound, {inQuotes(pathUtf8(m_step.file))}));
        return m_step;
    }

    std::shared_ptr<const Pattern> compile(std::string_view pattern)
    {
        if (pattern.empty())
            fail(localText(ProcedureText::NoPattern));
        m_step.patternText = std::string(pattern);
        try {
            return std::make_shared<const Pattern>(pattern);
        } catch (const PatternError &e) {
            fail(e.what());
        }
    }

    // Any last word that is a number is meant as the time-out, even one out of range.
    static bool isNumber(std::string_view word)
    {
        bool digit = false;
        for (const char c : word) {
            if (c >= '0' && c <= '9')
                digit = true;
            else if (c != '.' && c != ',')
                return false;
        }
        return digit;
    }

    int m_line;
    std::string_view m_text;
    const std::filesystem::path &m_folder;
    std::string_view m_raw;
    std::string_view m_argument;
    ProcedureStep m_step;
};

} // namespace

ProcedureError::ProcedureError(int line, const std::string &text)
    : std::runtime_error(
        line > 0 ? localText(ProcedureText::AtLine, {std::to_string(line), text}) : text),
      m_line(line)
{ }

Procedure parseProcedure(std::string_view text, const std::filesystem::path &folder)
{
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    if (!decodeUtf8(text))
        throw ProcedureError(0, localText(ProcedureText::NotUtf8));
    Procedure procedure;
    int line = 0;
    while (!text.empty()) {
        ++line;
        const size_t end = text.find('\n');
        std::string_view current = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (current.ends_with('\r'))
            current.remove_suffix(1);
        // Leading blanks go; trailing ones may be part of a sent text.
        while (!current.empty() && isBlank(current.front()))
            current.remove_prefix(1);
        if (trimmed(current).empty() || current.front() == '#')
            continue;
        procedure.steps.push_back(LineParser(line, current, folder).parse());
    }
    if (procedure.steps.empty())
        throw ProcedureError(0, localText(ProcedureText::NoSteps));
    return procedure;
}

Procedure loadProcedure(const std::filesystem::path &file)
{
    std::ifstream in(file, std::ios::binary);
    std::error_code failure;
    if (!in || std::filesystem::is_directory(file, failure))
        throw ProcedureError(0, localText(ProcedureText::NotOpened, {inQuotes(pathUtf8(file))}));
    std::ostringstream text;
    text << in.rdbuf();
    Procedure procedure = parseProcedure(text.str(), file.parent_path());
    procedure.file = file;
    return procedure;
}

} // namespace kelvane
