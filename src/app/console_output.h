// Where what kelvane prints before any window (its help, its version, a wrong option) goes: the
// console it was started from. A Windows window program has none of its own: it borrows its
// parent's when its output is not sent elsewhere, and has it show UTF-8 as such. Elsewhere
// nothing is needed.
#pragma once

namespace kelvane {

// Call only when printing: a borrowed console that closes ends the program with it.
void useParentConsole();

} // namespace kelvane
