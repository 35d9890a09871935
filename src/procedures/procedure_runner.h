// ProcedureRunner: runs a procedure's steps on an open port. It writes with the port's blocking
// SendText and waits through its host, which serves the port's events meanwhile and hands the
// received bytes and transmit-empty events in (received(), txEmpty()). The window's event loop
// and the command line's own loop are the two hosts. The patterns are searched while the host
// waits, in slices of SearchSlice, so neither host is held longer by one search. Main thread
// only.
#pragma once

#include "procedures/pattern.h"
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
    // The runner took something in that may satisfy a waiting `done`, or has a search to go on
    // with: `done` is to be looked at again soon, without sleeping first.
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
    // The longest a search holds the host's thread at a time (a starting point of the pattern
    // that is under way is finished first).
    static constexpr std::chrono::milliseconds SearchSlice {10};
    // How long searches still under way when a wait ends may take to finish; one that does not
    // is too complex for the text.
    static constexpr std::chrono::seconds SettleTime {2};

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
    // An expect's or a fail-on's search of the received text.
    struct Scan
    {
        const ProcedureStep *step = nullptr;
        size_t from = 0; // where in the received text it starts looking
        size_t next = 0; // where the search under way goes on, from `from`
        bool pending = false; // the latest text is still to be searched
    };

    // Returns false when the procedure is to end; m_outcome says why.
    bool runStep(const ProcedureStep &step);
    bool expect(const ProcedureStep &step);
    bool wait(const ProcedureStep &step);
    bool upload(const ProcedureStep &step);
    void write(std::string_view bytes);
    void startAnswer();
    // Waits through the host until `done`, a fail-on's match or a pattern too complex for the
    // text; the searches go on meanwhile, and those under way at `deadline` get SettleTime more.
    ProcedureHost::Wait waitFor(
        const std::function<bool()> &done, ProcedureHost::Clock::time_point deadline);
    // Goes on with the searches for a slice; true when none is left.
    bool advance();
    bool advance(Scan &scan, PatternSearcher::Clock::time_point until);
    void cut(size_t characters);
    bool end(ProcedureOutcome::Status status, int line, std::string message);
    // Ends the procedure at `step` when a fail-on matched or a pattern was too complex.
    bool failedBySearch(const ProcedureStep &step);

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
    std::string m_text; // received since the last write, UTF-8
    size_t m_characters = 0; // in m_text
    PatternSearcher m_searcher;
    std::vector<Scan> m_failOn;
    const ProcedureStep *m_tripped = nullptr; // the fail-on that matched
    std::string m_trippedText;
    Scan m_expect; // no step but during an expect
    bool m_expectMatched = false;
    std::string m_matchedText;
    const ProcedureStep *m_tooComplex = nullptr; // the expect or fail-on the engine gave up on
    ProcedureOutcome m_outcome;
};

} // namespace kelvane
