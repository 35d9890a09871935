// ErrorSink: where code hands what it must tell the user but cannot show itself: an error that
// escaped an operation and can be raised no further (a window's handler, a destructor, the port's
// event thread), or a message the user must read (a damaged table that was repaired). The program
// gives one sink, which shows both in its message box; each library takes the sink where it is
// made and writes to standard error without one. Implementations say from which threads they may
// be called.
#pragma once

#include <string>

namespace kelvane {

class ErrorSink
{
public:
    virtual ~ErrorSink() = default;

    virtual void error(const std::string &text) = 0;
    virtual void message(const std::string &text) = 0;

    // Standard error, a line each (a CR in a message starts a new line). Thread-safe; lives as
    // long as the program.
    static ErrorSink &standardError();
};

// The message of the exception being handled: what() of a std::exception, "Unknown error" for
// anything else. REQUIRES: called inside a catch block.
std::string currentExceptionText();

} // namespace kelvane
