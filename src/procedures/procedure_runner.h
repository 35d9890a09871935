// ProcedureRunner: runs a procedure's steps on an open port. It writes with the port's blocking
// SendText and waits through its host, which serves the port's events meanwhile and hands the
// received bytes and transmit-empty events in (received(), txEmpty()). The window's event loop
// and the command line's own loop are the two hosts. Main thread only.
#pragma once

#include "procedures/procedure.h"
#include "procedures/upload_transfer.h"

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

namespace kelvane {

class TBComPort;

class ProcedureHost
{
public:
    using Clock = std::chrono::steady_clock;
    enum class Wait { Done, TimedOut, Stopped };

    virtual ~ProcedureHost() = default;

    // Serves the port's events until `done` holds (Done), `deadline` passes (TimedOut) or the
    // user stops the procedure (Stopped). Returns Done at once when `done` already holds.
    virtual Wait waitUntil(const std::function<bool()> &done, Clock::time_point deadline) = 0;
    // The runner took something in that may satisfy a waiting `done`.
    virtual void changed() { }
    // Whether the user asked to stop; looked at before each step as well as in the waits.
    virtual bool stopRequested() const = 0;
};

// What the runner tells while it runs: where progress, reports and the session's journal hook in.
class ProcedureObserver
{
public:
    virtual ~ProcedureObserver() = default;
    // `index` counts from 0.
    virtual void stepStarted(const ProcedureStep &step, size_t index, size_t count) = 0;
    // The step passed; `note` says what it found (an expect's matched text), or is empty.
    virtual void stepPassed(const ProcedureStep &step, const std::string &note) = 0;
    // An upload step's file goes out from the first until the second, after its header (the
    // session journal sums its bytes up rather than showing them). The second comes however
    // the transfer ends.
    virtual void fileDataBegins(const UploadFile & /*file*/, int64_t /*size*/) { }
    virtual void fileDataEnded() { }
};

struct ProcedureOutcome
{
    enum class Status { Passed, Failed, Stopped };

    Status status = Status::Passed;
    int line = 0; // of the step that failed or was stopped
    std::string message; // UTF-8; empty when passed
};

class ProcedureRunner : private UploadPacing
{
public:
    // Received text an expect or fail-on looks at is cut to this many characters from its end.
    static constexpr size_t MaxText = 64 * 1024;

    ProcedureRunner(TBComPort &port, ProcedureHost &host, ProcedureObserver &observer)
        : m_port(port), m_host(host), m_observer(observer)
    { }

    // Runs every step in order until one fails or the host stops. The port's errors (EComPort)
    // are raised; a failed upload is the step's failure.
    ProcedureOutcome run(const Procedure &procedure);
    bool running() const { return m_running; }

    // The host hands in what the port reports while a procedure runs; ignored otherwise.
    void received(std::string_view bytes);
    void txEmpty();

    // The least time an upload waits for the transmit buffer to empty.
    void setUploadWaitFloor(std::chrono::milliseconds floor) { m_uploadWaitFloor = floor; }

private:
    struct Armed
    {
        const ProcedureStep *step;
        size_t from; // where in the received text it starts looking
    };

    // Returns false when the procedure is to end; m_outcome says why.
    bool runStep(const ProcedureStep &step);
    bool expect(const ProcedureStep &step);
    bool wait(const ProcedureStep &step);
    bool upload(const ProcedureStep &step);
    void write(std::string_view bytes);
    void startAnswer();
    void checkFailOn();
    bool end(ProcedureOutcome::Status status, int line, std::string message);
    bool failedByFailOn(const ProcedureStep &step);

    // UploadPacing
    void resetTxEmpty() override { m_txEmpty = false; }
    Wait waitForTxEmpty(std::chrono::milliseconds bound) override;
    void dataBegins(int64_t size) override { m_observer.fileDataBegins(*m_uploading, size); }
    void dataEnded() override
    {
        m_uploading = nullptr;
        m_observer.fileDataEnded();
    }

    TBComPort &m_port;
    ProcedureHost &m_host;
    ProcedureObserver &m_observer;
    std::chrono::milliseconds m_uploadWaitFloor {5000};

    bool m_running = false;
    bool m_txEmpty = false;
    const UploadFile *m_uploading = nullptr; // during an upload step
    std::wstring m_text; // received since the last write
    std::vector<Armed> m_failOn;
    const ProcedureStep *m_tripped = nullptr; // the fail-on that matched
    std::string m_trippedText;
    const std::wregex *m_expect = nullptr;
    bool m_expectMatched = false;
    std::string m_matchedText;
    ProcedureOutcome m_outcome;
};

} // namespace kelvane
