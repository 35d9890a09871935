// What the command line asks of the main window at start: the port and the rate preselected, and
// a connection made as a click on "Соеденить" would make it, once the window is up.
#pragma once

#include "app/command_line.h"

namespace kelvane {

class TMainForm;

void applyStartOptions(TMainForm &mainWindow, const StartOptions &options);

} // namespace kelvane
