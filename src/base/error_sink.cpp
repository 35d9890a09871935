#include "base/error_sink.h"

#include <algorithm>
#include <exception>
#include <iostream>

namespace kelvane {

namespace {

class StandardErrorSink final : public ErrorSink
{
public:
    void error(const std::string &text) override { std::cerr << text << std::endl; }

    void message(const std::string &text) override
    {
        std::string readable = text;
        std::replace(readable.begin(), readable.end(), '\r', '\n');
        std::cerr << readable << std::endl;
    }
};

} // namespace

ErrorSink &ErrorSink::standardError()
{
    static StandardErrorSink sink;
    return sink;
}

std::string currentExceptionText()
{
    try {
        throw;
    } catch (const std::exception &error) {
        return error.what();
    } catch (...) {
        return "Unknown error";
    }
}

} // namespace kelvane
