// Opening the program's command table: found where locateCommandTable() says, opened for writing
// when it may be written, else for reading, with the reason told.
#pragma once

#include "base/language.h"

#include <QString>
#include <string>

namespace kelvane {

class ErrorSink;
class TDbf;

// Opens `table` as the command table; its messages go to `errors`. `programFolder` is where the
// table is looked for when the current folder has none (empty: the executable's folder). Returns
// what the start-up says in the status line instead of its own text: why the table is open only
// for reading, or where the user's own copy of the default table was made; empty when neither.
// A first start copies the default table of the interface's `language`. Raises what the cursor
// raises when the table cannot be opened at all.
QString openCommandTable(
    TDbf &table, const std::string &programFolder, Language language, ErrorSink &errors);

} // namespace kelvane
