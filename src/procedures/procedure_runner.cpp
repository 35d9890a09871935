#include "procedures/procedure_runner.h"

#include "base/utf8_path.h"
#include "procedures/drive_text.h"
#include "serial/com_port.h"

#include <cstdio>

namespace kelvane {

namespace {

std::string inQuotes(std::string_view text)
{
    return "«" + std::string(text) + "»";
}

std::string secondsText(std::chrono::milliseconds time)
{
    char text[32];
    if (time.count() % 1000 == 0)
        std::snprintf(text, sizeof text, "%lld", static_cast<long long>(time.count() / 1000));
    else
        std::snprintf(text, sizeof text, "%.3g", static_cast<double>(time.count()) / 1000.0);
    return text;
}

std::string utf8(const std::wstring &text)
{
    return encodeUtf8(std::u32string(text.begin(), text.end()));
}

} // namespace

ProcedureOutcome ProcedureRunner::run(const Procedure &procedure)
{
    m_running = true;
    m_text.clear();
    m_failOn.clear();
    m_tripped = nullptr;
    m_expect = nullptr;
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
            end(ProcedureOutcome::Status::Stopped, step.line, "остановлена");
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
        note = "совпало: " + inQuotes(m_matchedText);
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
    if (failedByFailOn(step))
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
    for (Armed &armed : m_failOn)
        armed.from = 0;
}

bool ProcedureRunner::expect(const ProcedureStep &step)
{
    m_expect = step.pattern.get();
    std::wsmatch match;
    m_expectMatched = std::regex_search(m_text, match, *m_expect);
    if (m_expectMatched)
        m_matchedText = utf8(match.str());
    const ProcedureHost::Wait result = m_host.waitUntil(
        [this] { return m_expectMatched || m_tripped; }, ProcedureHost::Clock::now() + step.time);
    m_expect = nullptr;
    if (failedByFailOn(step))
        return false;
    switch (result) {
    case ProcedureHost::Wait::Done:
        return true;
    case ProcedureHost::Wait::Stopped:
        return end(ProcedureOutcome::Status::Stopped, step.line, "остановлена");
    case ProcedureHost::Wait::TimedOut:
        break;
    }
    return end(ProcedureOutcome::Status::Failed, step.line,
        "нет ответа " + inQuotes(step.patternText) + " за " + secondsText(step.time) + " с");
}

bool ProcedureRunner::wait(const ProcedureStep &step)
{
    const ProcedureHost::Wait result = m_host.waitUntil(
        [this] { return m_tripped != nullptr; }, ProcedureHost::Clock::now() + step.time);
    if (failedByFailOn(step))
        return false;
    if (result == ProcedureHost::Wait::Stopped)
        return end(ProcedureOutcome::Status::Stopped, step.line, "остановлена");
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
    if (failedByFailOn(step))
        return false;
    if (!sent)
        return end(ProcedureOutcome::Status::Stopped, step.line, "остановлена");
    return true;
}

UploadPacing::Wait ProcedureRunner::waitForTxEmpty(std::chrono::milliseconds bound)
{
    switch (m_host.waitUntil(
        [this] { return m_txEmpty || m_tripped; }, ProcedureHost::Clock::now() + bound)) {
    case ProcedureHost::Wait::Done:
        // A fail-on that matched meanwhile ends the upload here, like a cancel.
        return m_tripped ? Wait::Cancelled : Wait::TxEmpty;
    case ProcedureHost::Wait::Stopped:
        return Wait::Cancelled;
    case ProcedureHost::Wait::TimedOut:
        break;
    }
    return Wait::TimedOut;
}

void ProcedureRunner::received(std::string_view bytes)
{
    if (!m_running || bytes.empty())
        return;
    m_text += cp1251ToWide(bytes);
    if (m_text.size() > MaxText) {
        const size_t cut = m_text.size() - MaxText;
        m_text.erase(0, cut);
        for (Armed &armed : m_failOn)
            armed.from = armed.from > cut ? armed.from - cut : 0;
    }
    checkFailOn();
    if (m_expect && !m_expectMatched) {
        std::wsmatch match;
        m_expectMatched = std::regex_search(m_text, match, *m_expect);
        if (m_expectMatched)
            m_matchedText = utf8(match.str());
    }
    m_host.changed();
}

void ProcedureRunner::txEmpty()
{
    if (!m_running)
        return;
    m_txEmpty = true;
    m_host.changed();
}

void ProcedureRunner::checkFailOn()
{
    if (m_tripped)
        return;
    for (const Armed &armed : m_failOn) {
        std::wsmatch match;
        const std::wstring::const_iterator from
            = m_text.begin() + static_cast<ptrdiff_t>(armed.from);
        if (std::regex_search(from, m_text.cend(), match, *armed.step->pattern)) {
            m_tripped = armed.step;
            m_trippedText = utf8(match.str());
            return;
        }
    }
}

bool ProcedureRunner::failedByFailOn(const ProcedureStep &step)
{
    if (!m_tripped)
        return false;
    end(ProcedureOutcome::Status::Failed, step.line,
        "получено " + inQuotes(m_trippedText) + ", что запрещает fail-on строки "
            + std::to_string(m_tripped->line) + " " + inQuotes(m_tripped->patternText));
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
