#include "procedures/transcript.h"

#include "procedures/drive_text.h"
#include "procedures/procedure_texts.h"

#include <cstdio>
#include <ctime>

namespace kelvane {

void Transcript::step(const ProcedureStep &step, size_t index, size_t count)
{
    flush();
    line(localText(ProcedureText::Step,
        {std::to_string(index + 1), std::to_string(count), std::to_string(step.line),
            step.source}));
}

void Transcript::passed(const std::string &note)
{
    if (!note.empty()) {
        flush();
        line("  " + note);
    }
}

void Transcript::received(std::string_view cp1251)
{
    for (const char c : cp1251) {
        const bool lf = c == '\n';
        if (c == '\r' || lf) {
            // CR LF ends one line, not two.
            if (!(lf && m_afterCr))
                flush();
            m_afterCr = c == '\r';
            continue;
        }
        m_afterCr = false;
        if (m_partial.empty())
            m_partialSince = Clock::now();
        m_partial += c;
    }
}

void Transcript::outcome(const ProcedureOutcome &outcome, size_t steps)
{
    flush();
    switch (outcome.status) {
    case ProcedureOutcome::Status::Passed:
        line(localText(ProcedureText::Passed, {std::to_string(steps)}));
        break;
    case ProcedureOutcome::Status::Failed:
        line(localText(ProcedureText::Failed, {std::to_string(outcome.line), outcome.message}));
        break;
    case ProcedureOutcome::Status::Stopped:
        line(localText(ProcedureText::Interrupted, {std::to_string(outcome.line)}));
        break;
    }
}

void Transcript::flush()
{
    if (m_partial.empty())
        return;
    line("  < " + cp1251ToUtf8(m_partial), m_partialSince);
    m_partial.clear();
}

void Transcript::line(const std::string &text, Clock::time_point when)
{
    const std::time_t seconds = Clock::to_time_t(when);
    const auto millis
        = std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count()
        % 1000;
    std::tm local {};
    localtime_r(&seconds, &local);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d.%03d ", local.tm_hour, local.tm_min,
        local.tm_sec, static_cast<int>(millis));
    m_write(stamp + text);
}

} // namespace kelvane
