// Transcript: the written account of a procedure run, as the command line prints it and writes
// its report: each step, each line the drive answered and the outcome, every line with the wall
// clock time. Received text is shown in UTF-8, a line at a time; a line the drive has not ended
// yet (a prompt) is written when the next step starts or the run ends.
#pragma once

#include "procedures/procedure.h"
#include "procedures/procedure_runner.h"

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

namespace kelvane {

class Transcript
{
public:
    using Clock = std::chrono::system_clock;
    using Writer = std::function<void(const std::string &line)>;

    explicit Transcript(Writer write) : m_write(std::move(write)) { }

    void step(const ProcedureStep &step, size_t index, size_t count);
    void passed(const std::string &note);
    void received(std::string_view cp1251);
    void outcome(const ProcedureOutcome &outcome, size_t steps);
    // Writes a line the drive has not ended yet.
    void flush();

private:
    void line(const std::string &text, Clock::time_point when = Clock::now());

    Writer m_write;
    std::string m_partial; // received, not yet ended by CR or LF
    Clock::time_point m_partialSince; // when its first byte came
    bool m_afterCr = false;
};

} // namespace kelvane
