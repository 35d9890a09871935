#include "serial/main_thread.h"

#include "serial/stop_signal.h"

#include <exception>

namespace kelvane {

void MainThread::Serve()
{
    std::unique_lock lock(mutex_);
    while (!queue_.empty())
        runOne(lock);
}

void MainThread::ServeUntil(const std::function<bool()> &finished)
{
    std::unique_lock lock(mutex_);
    for (;;) {
        if (!queue_.empty()) {
            runOne(lock);
            continue;
        }
        if (finished())
            return;
        changed_.wait(lock);
    }
}

void MainThread::Notify()
{
    // Taking the lock orders this after a waiter's test of its condition: no lost wake-up.
    std::lock_guard lock(mutex_);
    changed_.notify_all();
}

size_t MainThread::PendingCount()
{
    std::lock_guard lock(mutex_);
    return queue_.size();
}

void MainThread::Call(std::function<void()> work, const StopSignal &stop)
{
    auto request = enqueue(std::move(work));
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] {
        return request->state == State::Done || (request->state == State::Running && stop.IsSet());
    });
}

void MainThread::Send(std::function<void()> work)
{
    auto request = enqueue(std::move(work));
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return request->state != State::Queued; });
}

std::shared_ptr<MainThread::Request> MainThread::enqueue(std::function<void()> work)
{
    auto request = std::make_shared<Request>();
    request->work = std::move(work);
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(request);
        changed_.notify_all();
    }
    Wake();
    return request;
}

void MainThread::runOne(std::unique_lock<std::mutex> &lock)
{
    std::shared_ptr<Request> request = std::move(queue_.front());
    queue_.pop_front();
    request->state = State::Running;
    changed_.notify_all();
    lock.unlock();
    runGuarded(request->work);
    lock.lock();
    request->state = State::Done;
    changed_.notify_all();
}

void MainThread::runGuarded(const std::function<void()> &work)
{
    try {
        work();
    } catch (const std::exception &e) {
        ReportError(e.what());
    } catch (...) {
        ReportError("Unknown error");
    }
}

} // namespace kelvane
