#include "support/pty_pair.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <unistd.h>
#include <utility>

namespace kelvane {

void PtyPair::Write(std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(master(), bytes.data(), bytes.size());
        if (n > 0) {
            bytes.remove_prefix(static_cast<size_t>(n));
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd p {master(), POLLOUT, 0};
            poll(&p, 1, 100);
        } else {
            throw std::runtime_error("cannot write to the pseudo-terminal");
        }
    }
}

std::string PtyPair::Read(size_t count, std::chrono::milliseconds timeout)
{
    std::string got;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    char buffer[65536];
    while (got.size() < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        pollfd p {master(), POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left.count())) <= 0)
            continue;
        const ssize_t n = ::read(master(), buffer, std::min(sizeof buffer, count - got.size()));
        if (n > 0)
            got.append(buffer, static_cast<size_t>(n));
        else if (n == 0 || (errno != EAGAIN && errno != EINTR))
            break;
    }
    return got;
}

std::string PtyPair::readUntilQuiet(std::chrono::milliseconds quiet)
{
    std::string got;
    char buffer[65536];
    for (;;) {
        pollfd p {master(), POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(quiet.count())) <= 0)
            return got;
        const ssize_t n = ::read(master(), buffer, sizeof buffer);
        if (n <= 0)
            return got;
        got.append(buffer, static_cast<size_t>(n));
    }
}

PtyReader::PtyReader(PtyPair &pty) : m_pty(pty), m_thread([this] { run(); }) { }

PtyReader::~PtyReader()
{
    m_stop = true;
    m_thread.join();
}

std::string PtyReader::taken()
{
    std::lock_guard lock(m_mutex);
    return std::exchange(m_bytes, {});
}

void PtyReader::run()
{
    while (!m_stop) {
        const std::string got = m_pty.Read(1 << 20, std::chrono::milliseconds(5));
        std::lock_guard lock(m_mutex);
        m_bytes += got;
        m_received += got.size();
    }
}

} // namespace kelvane
