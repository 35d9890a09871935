// ProgramEnvironment: what the program takes from the machine it runs on. The program itself
// uses the defaults; tests give their own folders and devices.
#pragma once

#include "base/language.h"
#include "serial/port_list.h"
#include "serial/serial_device.h"

#include <functional>
#include <string>

namespace kelvane {

struct ProgramEnvironment
{
    PortInventory inventory; // where the port box finds the installed ports
    DeviceOpener opener; // opens the port's device; empty: the real serial device
    // Where the command table is looked for when the current folder has none; empty: the
    // folder of the program's executable.
    std::string programFolder;
    // Whether ModemManager runs; empty: asked on the system bus.
    std::function<bool()> modemManagerRunning;
    // The interface's language: a first start copies the default command table in it. The
    // program's start installs its translations (installTranslations()).
    Language language = Language::Russian;
};

} // namespace kelvane
