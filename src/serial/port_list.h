// The list of serial ports installed on this machine, and the folder of virtual ports.
//
// On Windows the installed ports are the values of HKLM\HARDWARE\DEVICEMAP\SERIALCOMM, each
// described by the friendly name, maker and USB ids of its device (SetupAPI); there are no
// virtual ports there.
//
// On Linux installed ports come from the kernel's device inventory: the ttys under /sys/class/tty
// with a real device behind them (8250-type ports only when their UART exists), except those the
// system console writes to. A USB adapter is named by its link in /dev/serial/by-id, which stays
// the same across plug order and reboots, and described by what its USB device says of itself
// (product, serial number, maker, vendor and product ids). Virtual ports are the symbolic links
// to pseudo-terminals in a folder private to the user, where programs such as the virtual drive
// publish theirs. Names are the paths handed to TBComPort::SetPort.
#pragma once

#include <string>
#include <vector>

namespace kelvane {

// Where the list is read from. Every place is a parameter, so tests build a fake machine. Linux
// reads the folders, Windows the registry key.
struct PortInventory
{
    std::string ttyClass = "/sys/class/tty"; // the kernel's tty inventory
    std::string devices = "/dev"; // where the ttys' device files are
    std::string serialById = "/dev/serial/by-id"; // udev's stable links to USB serial ports
    std::string udevData = "/run/udev/data"; // udev's properties of each device
    std::string virtualPorts = defaultVirtualPortsFolder();
    std::string registryKey = "HARDWARE\\DEVICEMAP\\SERIALCOMM"; // under HKEY_LOCAL_MACHINE

    // $XDG_RUNTIME_DIR/kelvane-ports, or /tmp/kelvane-ports-<uid> without a runtime folder;
    // empty on Windows.
    static std::string defaultVirtualPortsFolder();
};

// One port of the list.
struct SerialPortInfo
{
    // What SetPort gets: the by-id link of a USB adapter, else the device path; "COM3" on Windows.
    std::string name;
    // The device file behind the name (/dev/ttyUSB0, /dev/pts/3); the kernel's name of the
    // device on Windows (\Device\VCP0).
    std::string device;
    // What the adapter is: its product and its serial number, or its kernel name when it has
    // none ("FT232R USB UART (A50285BI)"). Empty for ports that are not USB adapters. On Windows
    // the device's friendly name ("USB Serial Port (COM3)"), for every port that has one.
    std::string description;
    std::string manufacturer;
    std::string vendorId; // four hex digits, USB adapters only
    std::string productId;
    // udev tells ModemManager to leave this device alone (ID_MM_DEVICE_IGNORE).
    bool modemManagerIgnores = false;

    bool isUsb() const { return !vendorId.empty(); }
    bool operator==(const SerialPortInfo &) const = default;
};

// The ports, sorted by name case-insensitively as text (so ttyUSB10 comes before ttyUSB2).
// Raises EComPort "Ошибка обращения к системному реестру" when the inventory cannot be read.
std::vector<SerialPortInfo> serialPorts(const PortInventory &inventory = {});

// Replaces the content of `target` with the names of serialPorts(); equal names stay separate
// entries. An inventory without ports gives an empty list. On failure raises as serialPorts()
// does, leaving `target` as it was.
void ListSerialPorts(std::vector<std::string> &target, const PortInventory &inventory = {});

// A port as the tools' help names one: "/dev/ttyUSB0", "COM3" on Windows.
std::string examplePortName();

// What SetPort gets for a port named on the command line that no list holds: on Linux a bare name
// is a device in /dev ("ttyS1" is "/dev/ttyS1"), on Windows a port's name is the name ("COM12").
std::string commandLinePortName(const std::string &name);

// Whether `folder` may be trusted as a virtual ports folder: a real folder (not a link), owned by
// this user, with no access for anybody else. Never on Windows, which has no virtual ports.
bool isPrivateFolder(const std::string &folder);

// Creates the virtual ports folder (mode 0700) if needed; false when it exists but may not be
// trusted or cannot be made.
bool makeVirtualPortsFolder(const std::string &folder);

} // namespace kelvane
