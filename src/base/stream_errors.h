// The stream errors of the application framework: a stream that could not deliver or store the
// fixed number of bytes asked of it. Each carries its English message.
#pragma once

#include <stdexcept>
#include <string>

namespace kelvane {

// A read that had to deliver a fixed number of bytes met the end of the file. The message may
// go on to say which file and what is missing.
class EReadError : public std::runtime_error
{
public:
    EReadError() : std::runtime_error("Stream read error") { }
    explicit EReadError(const std::string &detail)
        : std::runtime_error("Stream read error: " + detail)
    { }
};

// A write that had to store a fixed number of bytes could not.
class EWriteError : public std::runtime_error
{
public:
    EWriteError() : std::runtime_error("Stream write error") { }
};

} // namespace kelvane
