#include "serial/main_thread.h"

#include "serial/stop_signal.h"

namespace kelvane {

void MainThread::serve()
{
    std::unique_lock lock(m_mutex);
    while (!m_queue.empty())
        runOne(lock);
}

void MainThread::serveUntil(const std::function<bool()> &finished)
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        if (!m_queue.empty()) {
            runOne(lock);
            continue;
        }
        if (finished())
            return;
        m_changed.wait(lock);
    }
}

void MainThread::notify()
{
    // Taking the lock orders this after a waiter's test of its condition: no lost wake-up.
    std::lock_guard lock(m_mutex);
    m_changed.notify_all();
}

size_t MainThread::pendingCount()
{
    std::lock_guard lock(m_mutex);
    return m_queue.size();
}

void MainThread::call(std::function<void()> work, const StopSignal &stop)
{
    auto request = enqueue(std::move(work));
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] {
        return request->state == State::Done || (request->state == State::Running && stop.isSet());
    });
}

void MainThread::send(std::function<void()> work)
{
    auto request = enqueue(std::move(work));
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return request->state != State::Queued; });
}

std::shared_ptr<MainThread::Request> MainThread::enqueue(std::function<void()> work)
{
    auto request = std::make_shared<Request>();
    request->work = std::move(work);
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back(request);
        m_changed.notify_all();
    }
    wake();
    return request;
}

void MainThread::runOne(std::unique_lock<std::mutex> &lock)
{
    std::shared_ptr<Request> request = std::move(m_queue.front());
    m_queue.pop_front();
    request->state = State::Running;
    m_changed.notify_all();
    lock.unlock();
    runGuarded(request->work);
    lock.lock();
    request->state = State::Done;
    m_changed.notify_all();
}

void MainThread::runGuarded(const std::function<void()> &work)
{
    try {
        work();
    } catch (...) {
        m_errors.error(currentExceptionText());
    }
}

} // namespace kelvane
