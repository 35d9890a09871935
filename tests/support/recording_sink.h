// RecordingSink: an error sink that keeps what it is told, for tests to read. Thread-safe.
#pragma once

#include "base/error_sink.h"

#include <mutex>
#include <string>
#include <vector>

namespace kelvane {

class RecordingSink : public ErrorSink
{
public:
    void error(const std::string &text) override
    {
        std::lock_guard lock(m_mutex);
        m_errors.push_back(text);
    }
    void message(const std::string &text) override
    {
        std::lock_guard lock(m_mutex);
        m_messages.push_back(text);
    }

    std::vector<std::string> errors() const
    {
        std::lock_guard lock(m_mutex);
        return m_errors;
    }
    std::vector<std::string> messages() const
    {
        std::lock_guard lock(m_mutex);
        return m_messages;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_errors;
    std::vector<std::string> m_messages;
};

} // namespace kelvane
