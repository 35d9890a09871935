// Error types of the dBase engine. Each carries its English message; callers show it as is.
// EBinaryDataSetError and EFieldToLongError are the engine's own; EReadError, EWriteError and
// EAssertionFailed stand for the stream and assertion errors of the application framework.
#pragma once

#include <stdexcept>
#include <string>

// A structural fault of a table or memo file, or a file that cannot be opened.
class EBinaryDataSetError : public std::runtime_error
{
public:
    explicit EBinaryDataSetError(const std::string &message) : std::runtime_error(message) { }
};

// A value whose stored text is longer than its field.
class EFieldToLongError : public std::runtime_error
{
public:
    explicit EFieldToLongError(const std::string &message) : std::runtime_error(message) { }
};

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

// An internal precondition did not hold.
class EAssertionFailed : public std::runtime_error
{
public:
    explicit EAssertionFailed(const std::string &message) : std::runtime_error(message) { }
};
