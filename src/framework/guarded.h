// guarded: wraps a window's event handler so that an error escaping it is shown by the general
// error display and goes no further; the handler stops at the failing step and the program goes
// on. Every handler is connected through it, so no exception crosses Qt's event loop.
#pragma once

#include "framework/dialogs.h"

#include <exception>
#include <utility>

namespace kelvane {

// Runs `handler` and shows what escapes it. Returns false when something escaped.
template<typename Handler> bool runGuarded(Handler &&handler)
{
    try {
        std::forward<Handler>(handler)();
        return true;
    } catch (const std::exception &e) {
        showError(QString::fromUtf8(e.what()));
    } catch (...) {
        showError(QStringLiteral("Unknown error"));
    }
    return false;
}

// A slot that runs `handler` guarded. It takes no arguments, so it fits any signal.
template<typename Handler> auto guarded(Handler handler)
{
    return [handler = std::move(handler)]() { runGuarded(handler); };
}

} // namespace kelvane
