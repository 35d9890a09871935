// Error types of the dBase engine. Each carries its English message; callers show it as is.
// EBinaryDataSetError and EFieldToLongError are the engine's own; EAssertionFailed stands for the
// assertion error of the application framework. The stream errors are in base/stream_errors.h.
#pragma once

#include "base/stream_errors.h"

#include <stdexcept>
#include <string>

namespace kelvane {

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

// An internal precondition did not hold.
class EAssertionFailed : public std::runtime_error
{
public:
    explicit EAssertionFailed(const std::string &message) : std::runtime_error(message) { }
};

} // namespace kelvane
