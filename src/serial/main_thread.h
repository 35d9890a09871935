// MainThread: how a port's event thread hands work to the program's main thread.
//
// The event thread queues a call and waits, either until the main thread has run it (call, the
// blocking hand-over of smThreadSync) or until the main thread has taken it in hand (send, the
// window message of smWindowSync). The main thread runs queued calls in serve(), which the
// program arranges to happen from its event loop when wake() is called, and in serveUntil(),
// which ClosePort uses so that a pending hand-over can never deadlock the close.
//
// A program provides one subclass (the Qt one lives in the framework); tests pump serve()
// themselves. Errors that escape the port's event handlers go to the error sink given at
// construction, which must take them from any thread (with smNone the handlers run in the event
// thread). Thread-safe as documented per member.
#pragma once

#include "base/error_sink.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace kelvane {

class StopSignal;

class MainThread
{
public:
    // `errors` is not owned and must outlive this object.
    explicit MainThread(ErrorSink &errors) : m_errors(errors) { }
    virtual ~MainThread() = default;
    MainThread(const MainThread &) = delete;
    MainThread &operator=(const MainThread &) = delete;

    // Where errors that escaped an event handler go. Any thread.
    ErrorSink &errorSink() { return m_errors; }

    // Main thread: runs the calls queued so far. Re-entrant: a call may run a nested event loop.
    void serve();
    // Main thread: serves queued calls until `finished` holds. `finished` is re-evaluated on
    // every queued call and on every notify().
    void serveUntil(const std::function<bool()> &finished);
    // Any thread: makes serveUntil look at its condition again.
    void notify();
    // Any thread: the number of calls waiting to be served.
    size_t pendingCount();

    // Event thread: runs `work` in the main thread and waits until it has run. Exceptions that
    // escape `work` go to the error sink and no further. When `stop` is set while
    // `work` is already running, the wait ends early: the main thread is then closing the port
    // from inside `work`, and waiting for it would deadlock.
    void call(std::function<void()> work, const StopSignal &stop);
    // Event thread: queues `work` and waits only until the main thread has taken it in hand.
    void send(std::function<void()> work);

protected:
    // Any thread: asks the main thread to call serve() soon. Must not block.
    virtual void wake() = 0;

private:
    enum class State { Queued, Running, Done };
    struct Request
    {
        std::function<void()> work;
        State state = State::Queued;
    };

    std::shared_ptr<Request> enqueue(std::function<void()> work);
    // REQUIRES: lock held. Runs the first queued request with the lock released.
    void runOne(std::unique_lock<std::mutex> &lock);
    void runGuarded(const std::function<void()> &work);

    ErrorSink &m_errors;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::shared_ptr<Request>> m_queue;
};

} // namespace kelvane
