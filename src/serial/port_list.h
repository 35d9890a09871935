// The list of serial ports installed on this machine, and the folder of virtual ports.
//
// Installed ports come from the kernel's device inventory: the ttys under /sys/class/tty with a
// real device behind them (8250-type ports only when their UART exists), except those the system
// console writes to. Virtual ports are the
// symbolic links to pseudo-terminals in a folder private to the user, where programs such as the
// virtual drive publish theirs. Names are the paths handed to TBComPort::SetPort.
#pragma once

#include <string>
#include <vector>

namespace kelvane {

struct PortInventory
{
    std::string ttyClass = "/sys/class/tty"; // the kernel's tty inventory
    std::string devices = "/dev"; // where the ttys' device files are
    std::string virtualPorts = defaultVirtualPortsFolder();

    // $XDG_RUNTIME_DIR/kelvane-ports, or /tmp/kelvane-ports-<uid> without a runtime folder.
    static std::string defaultVirtualPortsFolder();
};

// Replaces the content of `target` with the port names, sorted case-insensitively as text
// (so ttyUSB10 comes before ttyUSB2); equal names stay separate entries. An inventory without
// ports gives an empty list. Raises EComPort "Ошибка обращения к системному реестру" when the
// inventory cannot be read, leaving `target` as it was.
void ListSerialPorts(std::vector<std::string> &target, const PortInventory &inventory = {});

// Whether `folder` may be trusted as a virtual ports folder: a real folder (not a link), owned by
// this user, with no access for anybody else.
bool isPrivateFolder(const std::string &folder);

// Creates the virtual ports folder (mode 0700) if needed; false when it exists but may not be
// trusted or cannot be made.
bool makeVirtualPortsFolder(const std::string &folder);

} // namespace kelvane
