// FakeMachine: a machine's serial devices in a temporary folder, as the port list and the hot-plug
// watch read them: the tty inventory, the USB devices behind it, the device files, udev's stable
// links and properties, and the virtual ports folder. Adapters are plugged in and pulled out in
// the order the kernel and udev use, so watchers see the same sequence of changes.
#pragma once

#include "serial/port_list.h"

#include <filesystem>
#include <string>

namespace kelvane {

struct UsbAdapter
{
    std::string tty; // the kernel's name, e.g. ttyUSB0
    std::string vendorId = "0403";
    std::string productId = "6001";
    std::string manufacturer = "FTDI";
    std::string product = "FT232R USB UART";
    std::string serial = "A50285BI"; // empty: the adapter has none
    bool modemManagerIgnores = false; // a udev rule marks it for ModemManager to leave alone
};

class FakeMachine
{
public:
    // Points `inventory` at new folders under `root`; the virtual ports folder is made private.
    FakeMachine(const std::filesystem::path &root, PortInventory &inventory);

    // The kernel's entry and device file (a link to `deviceFile`, e.g. a pseudo-terminal), then
    // udev's properties and stable link. Returns the stable link's path, the port's name.
    std::string plug(const UsbAdapter &adapter, const std::string &deviceFile);
    // The stable link first, then the device file and the kernel's entry.
    void unplug(const UsbAdapter &adapter);
    // A tty with a device behind it that is no USB adapter (an on-board port).
    void addTty(const std::string &name);
    // Publishes a virtual port named `name` for the pseudo-terminal at `slavePath`.
    std::string publish(const std::string &name, const std::string &slavePath);

    std::string stableName(const UsbAdapter &adapter) const;

private:
    std::filesystem::path m_root;
    PortInventory &m_inventory;
    int m_minor = 0;
};

} // namespace kelvane
