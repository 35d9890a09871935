#include "support/fake_machine.h"

#include <fstream>

namespace kelvane {

namespace fs = std::filesystem;

namespace {

void write(const fs::path &file, const std::string &text)
{
    std::ofstream(file) << text << "\n";
}

std::string underscored(std::string text)
{
    for (char &c : text)
        if (c == ' ')
            c = '_';
    return text;
}

} // namespace

FakeMachine::FakeMachine(const fs::path &root, PortInventory &inventory)
    : m_root(root), m_inventory(inventory)
{
    m_inventory.ttyClass = (root / "sys" / "class" / "tty").string();
    m_inventory.devices = (root / "dev").string();
    m_inventory.serialById = (root / "dev" / "serial" / "by-id").string();
    m_inventory.udevData = (root / "udev").string();
    m_inventory.virtualPorts = (root / "ports").string();
    for (const std::string &folder :
        {m_inventory.ttyClass, m_inventory.devices, m_inventory.udevData})
        fs::create_directories(folder);
    fs::create_directories(root / "sys" / "devices");
    makeVirtualPortsFolder(m_inventory.virtualPorts);
}

std::string FakeMachine::stableName(const UsbAdapter &a) const
{
    return m_inventory.serialById + "/usb-" + underscored(a.manufacturer) + "_"
        + underscored(a.product) + (a.serial.empty() ? "" : "_" + a.serial) + "-if00-port0";
}

std::string FakeMachine::plug(const UsbAdapter &a, const std::string &deviceFile)
{
    // The USB device, its interface and the adapter's port below it, as sysfs has them.
    const fs::path usb = m_root / "sys" / "devices" / "usb1" / ("1-" + a.tty);
    const fs::path port = usb / "1-1:1.0" / a.tty;
    fs::create_directories(port);
    write(usb / "idVendor", a.vendorId);
    write(usb / "idProduct", a.productId);
    write(usb / "manufacturer", a.manufacturer);
    write(usb / "product", a.product);
    if (!a.serial.empty())
        write(usb / "serial", a.serial);
    const fs::path entry = fs::path(m_inventory.ttyClass) / a.tty;
    fs::create_directories(entry);
    fs::create_directory_symlink(port, entry / "device");
    const std::string numbers = "188:" + std::to_string(m_minor++);
    write(entry / "dev", numbers);
    fs::create_symlink(deviceFile, fs::path(m_inventory.devices) / a.tty);
    write(fs::path(m_inventory.udevData) / ("c" + numbers),
        std::string("I:1\nE:ID_MM_CANDIDATE=1")
            + (a.modemManagerIgnores ? "\nE:ID_MM_DEVICE_IGNORE=1" : ""));
    fs::create_directories(m_inventory.serialById);
    const std::string name = stableName(a);
    fs::create_symlink(fs::path("../..") / a.tty, name);
    return name;
}

void FakeMachine::unplug(const UsbAdapter &a)
{
    fs::remove(stableName(a));
    fs::remove(fs::path(m_inventory.devices) / a.tty);
    fs::remove_all(fs::path(m_inventory.ttyClass) / a.tty);
    fs::remove_all(m_root / "sys" / "devices" / "usb1" / ("1-" + a.tty));
}

void FakeMachine::addTty(const std::string &name)
{
    const fs::path device = m_root / "sys" / "devices" / "platform" / name;
    fs::create_directories(device);
    const fs::path entry = fs::path(m_inventory.ttyClass) / name;
    fs::create_directories(entry);
    fs::create_directory_symlink(device, entry / "device");
}

std::string FakeMachine::publish(const std::string &name, const std::string &slavePath)
{
    const fs::path link = fs::path(m_inventory.virtualPorts) / name;
    fs::remove(link);
    fs::create_symlink(slavePath, link);
    return link.string();
}

} // namespace kelvane
