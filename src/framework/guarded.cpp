#include "framework/guarded.h"

namespace kelvane {

bool runGuarded(ErrorSink &errors, const std::function<void()> &handler, const ErrorFilter &filter)
{
    try {
        handler();
        return true;
    } catch (...) {
        if (!filter || !filter())
            errors.error(currentExceptionText());
    }
    return false;
}

std::function<void()> guarded(ErrorSink &errors, std::function<void()> handler, ErrorFilter filter)
{
    return [&errors, handler = std::move(handler), filter = std::move(filter)] {
        runGuarded(errors, handler, filter);
    };
}

} // namespace kelvane
