#include "app/console_output.h"

namespace kelvane {

void useParentConsole() { }

} // namespace kelvane
