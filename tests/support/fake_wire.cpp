#include "support/fake_wire.h"

#include <algorithm>
#include <thread>

namespace kelvane {

FakeWire::FakeWire()
{
    m_script->eventAfterWrite(CommEvent::TxEmpty);
}

void FakeWire::Write(std::string_view bytes)
{
    m_script->supplyInput(std::string(bytes));
    m_script->queueEvent(CommEvent::RxChar);
}

std::string FakeWire::take(size_t count)
{
    const std::string written = m_script->written();
    const std::string got = written.substr(m_taken, count);
    m_taken += got.size();
    return got;
}

std::string FakeWire::Read(size_t count, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::string got;
    for (;;) {
        got += take(count - got.size());
        if (got.size() == count || std::chrono::steady_clock::now() >= deadline)
            return got;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

std::string FakeWire::readUntilQuiet(std::chrono::milliseconds quiet)
{
    std::string got;
    auto last = std::chrono::steady_clock::now();
    for (;;) {
        const std::string more = take(std::string::npos);
        const auto now = std::chrono::steady_clock::now();
        if (!more.empty()) {
            got += more;
            last = now;
        } else if (now - last >= quiet) {
            return got;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

} // namespace kelvane
