// runGuarded: how every window and view runs its event handlers. What escapes a handler goes to an
// error sink (the program's shows it in its error box) and no further: the handler stops at the
// failing step, the program goes on, and no exception crosses Qt's event loop. A window may look
// at the error first and take it over, as the main window takes a port failure for the loss of the
// port when the device has gone away, and deal with it once the handler has unwound.
#pragma once

#include "base/error_sink.h"

#include <functional>

namespace kelvane {

// Looks at the error being handled (`throw;` inside a try block tells its type); true when it has
// dealt with it, so that it is not shown. Called inside the catch block.
using ErrorFilter = std::function<bool()>;

// Runs `handler`; what escapes it goes to `errors`, unless `filter` takes it: then `recover`, when
// given, runs once the handler has unwound (outside the catch block, so it may open windows),
// guarded in its turn. Returns false when something escaped.
bool runGuarded(ErrorSink &errors, const std::function<void()> &handler,
    const ErrorFilter &filter = {}, const std::function<void()> &recover = {});

// A slot that runs `handler` so. It takes no arguments, so it fits any signal.
std::function<void()> guarded(ErrorSink &errors, std::function<void()> handler,
    ErrorFilter filter = {}, std::function<void()> recover = {});

} // namespace kelvane
