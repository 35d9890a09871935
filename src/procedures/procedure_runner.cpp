#include "procedures/procedure_runner.h"

#include "base/utf8_path.h"
#include "procedures/drive_text.h"
#include "procedures/procedure_texts.h"
#include "serial/com_port.h"

#include <cstdio>

namespace kelvane {

using ProcedureText::inQuotes;

namespace {

std::string secondsText(std::chrono::milliseconds time)
{
    char text[32];
    if (time.count() % 1000 == 0)
        std::snprintf(text, sizeof text, "%lld", static_cast<long long>(time.count() / 1000));
    else
        std::snprintf(text, sizeof text, "%.3g", static_cast<double>(time.count()) / 1000.0);
    return text;
}

} // namespace

ProcedureOutcome ProcedureRunner::run(const Procedure &procedure)
{
    m_running = true;
    m_text.clear();
    m_characters = 0;
    m_failOn.clear();
    m_tripped = nullptr;
    m_expect = {};
    m_tooComplex = nullptr;
    m_outcome = {};
    struct Running
    {
        bool &flag;
        ~Running() { flag = false; }
    } running {m_running};
    const size_t count = procedure.steps.size();
    for (size_t i = 0; i < count; ++i) {
        const ProcedureStep &step = procedure.steps[i];
        if (m_host.stopRequested()) {
            end(ProcedureOutcome::Status::Stopped, step.line, localText(ProcedureText::Stopped));
            return m_outcome;
        }
        m_observer.stepStarted(step, i, count);
        if (!runStep(step))
            return m_outcome;
    }
    return m_outcome;
}

bool ProcedureRunner::runStep(const ProcedureStep &step)
{
    using Kind = ProcedureStep::Kind;
    std::string note;
    switch (step.kind) {
    case Kind::Send:
    case Kind::SendRaw:
    case Kind::Level:
        write(step.bytes);
        break;
    case Kind::Rate:
        startAnswer();
        switchRate(m_port, step.rate);
        break;
    case Kind::FailOn:
        m_failOn.push_back({&step, m_text.size()});
        break;
    case Kind::Expect:
        if (!expect(step))
            return false;
        note = localText(ProcedureText::Matched, {inQuotes(m_matchedText)});
        break;
    case Kind::Wait:
        if (!wait(step))
            return false;
        break;
    case Kind::Upload:
        if (!upload(step))
            return false;
        break;
    }
    if (failedBySearch(step))
        return false;
    m_observer.stepPassed(step, note);
    return true;
}

void ProcedureRunner::write(std::string_view bytes)
{
    startAnswer();
    m_port.SendText(bytes);
}

void ProcedureRunner::startAnswer()
{
    // What an expect looks at is the answer to the latest write.
    m_text.clear();
    m_characters = 0;
    for (Scan &scan : m_failOn)
        scan = {scan.step};
}

bool ProcedureRunner::expect(const ProcedureStep &step)
{
    // The answer may be there already.
    m_expect = {&step, 0, 0, true};
    m_expectMatched = false;
    const ProcedureHost::Wait result
        = waitFor([this] { return m_expectMatched; }, ProcedureHost::Clock::now() + step.time);
    m_expect = {};
    if (failedBySearch(step))
        return false;
    switch (result) {
    case ProcedureHost::Wait::Done:
        return true;
    case ProcedureHost::Wait::Stopped:
        return end(ProcedureOutcome::Status::Stopped, step.line, localText(ProcedureText::Stopped));
    case ProcedureHost::Wait::TimedOut:
        break;
    }
    return end(ProcedureOutcome::Status::Failed, step.line,
        localText(ProcedureText::NoAnswer, {inQuotes(step.patternText), secondsText(step.time)}));
}

bool ProcedureRunner::wait(const ProcedureStep &step)
{
    const ProcedureHost::Wait result
        = waitFor([] { return false; }, ProcedureHost::Clock::now() + step.time);
    if (failedBySearch(step))
        return false;
    if (result == ProcedureHost::Wait::Stopped)
        return end(ProcedureOutcome::Status::Stopped, step.line, localText(ProcedureText::Stopped));
    return true;
}

bool ProcedureRunner::upload(const ProcedureStep &step)
{
    startAnswer();
    m_port.SendText(uploadStartCommand(step.upload));
    const std::string name = pathUtf8(step.file.filename());
    const UploadFile file {step.file, pathUtf8(step.file), utf8ToCp1251(name).value_or(name)};
    bool sent = false;
    m_uploading = &file;
    try {
        sent = transferUpload(m_port, *this, file, m_uploadWaitFloor);
    } catch (const EComPort &) {
        dataEnded();
        throw;
    } catch (const std::exception &e) {
        dataEnded();
        return end(ProcedureOutcome::Status::Failed, step.line, e.what());
    }
    dataEnded(); // a cancel leaves the transfer before it ends the data
    if (failedBySearch(step))
        return false;
    if (!sent)
        return end(ProcedureOutcome::Status::Stopped, step.line, localText(ProcedureText::Stopped));
    return true;
}

UploadPacing::Wait ProcedureRunner::waitForTxEmpty(std::chrono::milliseconds bound)
{
    switch (waitFor([this] { return m_txEmpty; }, ProcedureHost::Clock::now() + bound)) {
    case ProcedureHost::Wait::Done:
        // A fail-on that matched meanwhile ends the upload here, like a cancel.
        return m_tripped || m_tooComplex ? Wait::Cancelled : Wait::TxEmpty;
    case ProcedureHost::Wait::Stopped:
        return Wait::Cancelled;
    case ProcedureHost::Wait::TimedOut:
        break;
    }
    return m_tooComplex ? Wait::Cancelled : Wait::TimedOut;
}

ProcedureHost::Wait ProcedureRunner::waitFor(
    const std::function<bool()> &done, ProcedureHost::Clock::time_point deadline)
{
    const auto settled = [&] { return advance() && (done() || m_tripped || m_tooComplex); };
    ProcedureHost::Wait result = m_host.waitUntil(settled, deadline);
    if (result != ProcedureHost::Wait::TimedOut || advance())
        return result;
    // What came before the deadline counts, however long its search takes within reason.
    result
        = m_host.waitUntil([this] { return advance(); }, ProcedureHost::Clock::now() + SettleTime);
    if (result == ProcedureHost::Wait::TimedOut) {
        for (const Scan &scan : m_failOn)
            if (scan.pending && !m_tooComplex)
                m_tooComplex = scan.step;
        if (!m_tooComplex)
            m_tooComplex = m_expect.step;
        return result;
    }
    if (result == ProcedureHost::Wait::Done)
        return settled() ? result : ProcedureHost::Wait::TimedOut;
    return result;
}

bool ProcedureRunner::advance()
{
    const PatternSearcher::Clock::time_point until = PatternSearcher::Clock::now() + SearchSlice;
    // Fail-ons first: what they forbid ends the procedure even when the expect matched too.
    for (Scan &scan : m_failOn)
        if (!m_tripped && !m_tooComplex && !advance(scan, until))
            return false;
    if (m_expect.step && !m_expectMatched && !m_tripped && !m_tooComplex)
        return advance(m_expect, until);
    return true;
}

bool ProcedureRunner::advance(Scan &scan, PatternSearcher::Clock::time_point until)
{
    if (!scan.pending)
        return true;
    const std::string_view subject = std::string_view(m_text).substr(scan.from);
    const PatternSearcher::Result found
        = m_searcher.search(*scan.step->pattern, subject, scan.next, until);
    if (found.outcome == PatternSearcher::Outcome::Unfinished) {
        m_host.changed();
        return false;
    }
    scan.pending = false;
    if (found.outcome == PatternSearcher::Outcome::TooComplex) {
        m_tooComplex = scan.step;
    } else if (found.outcome == PatternSearcher::Outcome::Matched) {
        const std::string matched(subject.substr(found.begin, found.end - found.begin));
        if (scan.step->kind == ProcedureStep::Kind::Expect) {
            m_expectMatched = true;
            m_matchedText = matched;
        } else {
            m_tripped = scan.step;
            m_trippedText = matched;
        }
    }
    return true;
}

void ProcedureRunner::received(std::string_view bytes)
{
    if (!m_running || bytes.empty())
        return;
    m_text += cp1251ToUtf8(bytes);
    m_characters += bytes.size();
    if (m_characters > MaxText)
        cut(m_characters - MaxText);
    // Each pattern is searched for again over the whole text: a match may begin anywhere in it.
    for (Scan &scan : m_failOn) {
        scan.next = 0;
        scan.pending = true;
    }
    if (m_expect.step) {
        m_expect.next = 0;
        m_expect.pending = true;
    }
    m_host.changed();
}

void ProcedureRunner::cut(size_t characters)
{
    size_t bytes = 0;
    for (size_t n = 0; n < characters && bytes < m_text.size(); ++n) {
        ++bytes;
        while (bytes < m_text.size() && (static_cast<unsigned char>(m_text[bytes]) & 0xC0) == 0x80)
            ++bytes;
    }
    m_text.erase(0, bytes);
    m_characters -= characters;
    for (Scan &scan : m_failOn)
        scan.from = scan.from > bytes ? scan.from - bytes : 0;
}

void ProcedureRunner::txEmpty()
{
    if (!m_running)
        return;
    m_txEmpty = true;
    m_host.changed();
}

bool ProcedureRunner::failedBySearch(const ProcedureStep &step)
{
    if (m_tooComplex) {
        const std::string pattern = inQuotes(m_tooComplex->patternText);
        end(ProcedureOutcome::Status::Failed, step.line,
            m_tooComplex->kind == ProcedureStep::Kind::FailOn
                ? localText(
                    ProcedureText::FailOnTooComplex, {std::to_string(m_tooComplex->line), pattern})
                : localText(ProcedureText::TooComplex, {pattern}));
        return true;
    }
    if (!m_tripped)
        return false;
    end(ProcedureOutcome::Status::Failed, step.line,
        localText(ProcedureText::Forbidden,
            {inQuotes(m_trippedText), std::to_string(m_tripped->line),
                inQuotes(m_tripped->patternText)}));
    return true;
}

bool ProcedureRunner::end(ProcedureOutcome::Status status, int line, std::string message)
{
    m_outcome.status = status;
    m_outcome.line = line;
    m_outcome.message = std::move(message);
    return false;
}

} // namespace kelvane
