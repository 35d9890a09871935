#include "framework/guarded.h"

namespace kelvane {

bool runGuarded(ErrorSink &errors, const std::function<void()> &handler, const ErrorFilter &filter,
    const std::function<void()> &recover)
{
    bool taken = false;
    try {
        handler();
        return true;
    } catch (...) {
        taken = filter && filter();
        if (!taken)
            errors.error(currentExceptionText());
    }
    if (taken && recover)
        runGuarded(errors, recover);
    return false;
}

std::function<void()> guarded(ErrorSink &errors, std::function<void()> handler, ErrorFilter filter,
    std::function<void()> recover)
{
    return [&errors, handler = std::move(handler), filter = std::move(filter),
               recover = std::move(recover)] { runGuarded(errors, handler, filter, recover); };
}

} // namespace kelvane
