#include "serial/port_list.h"

#include "serial/com_error.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace kelvane {

namespace {

namespace fs = std::filesystem;

struct DirCloser
{
    void operator()(DIR *dir) const { closedir(dir); }
};
using Dir = std::unique_ptr<DIR, DirCloser>;

bool exists(const std::string &path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

// A port of the 8250 family has a "type" attribute; 0 means no UART answers at that address.
bool uartMissing(const std::string &entry)
{
    std::ifstream in(entry + "/type");
    int type = -1;
    return in >> type && type == 0;
}

// The ttys the kernel's console writes to: drive commands must never go there.
std::vector<std::string> consoleTtys(const std::string &ttyClass)
{
    std::ifstream in(ttyClass + "/console/active");
    std::vector<std::string> names;
    for (std::string name; in >> name;)
        names.push_back(name);
    return names;
}

std::vector<std::string> entries(DIR *dir)
{
    std::vector<std::string> names;
    while (dirent *e = readdir(dir)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    return names;
}

bool pointsToPseudoTerminal(const std::string &link)
{
    struct stat st;
    if (lstat(link.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return false;
    char target[256];
    const ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
    if (n <= 0)
        return false;
    target[n] = '\0';
    const std::string path = target;
    if (path.rfind("/dev/pts/", 0) != 0 || path.find("..") != std::string::npos)
        return false;
    return stat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
}

std::vector<std::string> virtualPorts(const std::string &folder)
{
    std::vector<std::string> ports;
    if (folder.empty() || !isPrivateFolder(folder))
        return ports;
    Dir dir(opendir(folder.c_str()));
    if (!dir)
        return ports;
    for (const std::string &name : entries(dir.get())) {
        const std::string link = folder + "/" + name;
        if (pointsToPseudoTerminal(link))
            ports.push_back(link);
    }
    return ports;
}

bool lessIgnoringCase(const std::string &a, const std::string &b)
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
        [](unsigned char x, unsigned char y) { return std::tolower(x) < std::tolower(y); });
}

// The first line of a small attribute file, without surrounding blanks; empty when unreadable.
std::string attribute(const fs::path &file)
{
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    const auto first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    return line.substr(first, line.find_last_not_of(" \t\r") - first + 1);
}

// The tty names behind udev's stable links: ttyUSB0 -> /dev/serial/by-id/usb-FTDI_…-port0. A
// name with several links keeps the first in sorted order.
std::map<std::string, std::string> stableLinks(const std::string &folder)
{
    std::map<std::string, std::string> links;
    std::error_code error;
    std::vector<fs::path> entries;
    for (const fs::directory_entry &entry : fs::directory_iterator(folder, error))
        entries.push_back(entry.path());
    std::sort(entries.begin(), entries.end());
    for (const fs::path &link : entries) {
        const fs::path target = fs::read_symlink(link, error);
        if (!error && target.has_filename())
            links.emplace(target.filename().string(), link.string());
    }
    return links;
}

// The USB device a tty belongs to: the nearest folder above the tty's device that carries USB
// ids (an adapter's tty sits one or two levels below its interface's device).
fs::path usbDeviceOf(const fs::path &ttyEntry)
{
    std::error_code error;
    fs::path folder = fs::canonical(ttyEntry / "device", error);
    for (int level = 0; !error && level < 6 && folder.has_relative_path(); ++level) {
        if (fs::exists(folder / "idVendor", error) && fs::exists(folder / "idProduct", error))
            return folder;
        folder = folder.parent_path();
    }
    return {};
}

void describeUsbAdapter(SerialPortInfo &port, const fs::path &usb, const std::string &tty)
{
    port.vendorId = attribute(usb / "idVendor");
    port.productId = attribute(usb / "idProduct");
    port.manufacturer = attribute(usb / "manufacturer");
    std::string what = attribute(usb / "product");
    if (what.empty())
        what = port.manufacturer;
    if (what.empty())
        what = "USB " + port.vendorId + ":" + port.productId;
    // Two adapters of one kind differ by their serial number; without one, by the kernel's name.
    const std::string serial = attribute(usb / "serial");
    port.description = what + " (" + (serial.empty() ? tty : serial) + ")";
}

// udev's properties of the tty (its database file is named by the device's numbers).
bool modemManagerIgnores(const fs::path &ttyEntry, const std::string &udevData)
{
    const std::string numbers = attribute(ttyEntry / "dev");
    if (numbers.empty())
        return false;
    std::ifstream in(udevData + "/c" + numbers);
    for (std::string line; std::getline(in, line);)
        if (line == "E:ID_MM_DEVICE_IGNORE=1")
            return true;
    return false;
}

} // namespace

std::string PortInventory::defaultVirtualPortsFolder()
{
    const char *runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/')
        return std::string(runtime) + "/kelvane-ports";
    return "/tmp/kelvane-ports-" + std::to_string(getuid());
}

std::vector<SerialPortInfo> serialPorts(const PortInventory &inventory)
{
    Dir dir(opendir(inventory.ttyClass.c_str()));
    if (!dir)
        throw EComPort(ComMessage::PortList);
    const std::vector<std::string> consoles = consoleTtys(inventory.ttyClass);
    const std::map<std::string, std::string> links = stableLinks(inventory.serialById);
    std::vector<SerialPortInfo> ports;
    for (const std::string &name : entries(dir.get())) {
        const std::string entry = inventory.ttyClass + "/" + name;
        if (!exists(entry + "/device") || uartMissing(entry)
            || std::find(consoles.begin(), consoles.end(), name) != consoles.end())
            continue;
        SerialPortInfo port;
        port.device = inventory.devices + "/" + name;
        const fs::path usb = usbDeviceOf(entry);
        const auto link = links.find(name);
        port.name = !usb.empty() && link != links.end() ? link->second : port.device;
        if (!usb.empty()) {
            describeUsbAdapter(port, usb, name);
            port.modemManagerIgnores = modemManagerIgnores(entry, inventory.udevData);
        }
        ports.push_back(std::move(port));
    }
    for (std::string &link : virtualPorts(inventory.virtualPorts)) {
        SerialPortInfo port;
        std::error_code error;
        port.device = fs::read_symlink(link, error).string();
        port.name = std::move(link);
        ports.push_back(std::move(port));
    }
    std::stable_sort(
        ports.begin(), ports.end(), [](const SerialPortInfo &a, const SerialPortInfo &b) {
            return lessIgnoringCase(a.name, b.name);
        });
    return ports;
}

std::string examplePortName()
{
    return "/dev/ttyUSB0";
}

std::string commandLinePortName(const std::string &name)
{
    return name.find('/') == std::string::npos ? "/dev/" + name : name;
}

bool isPrivateFolder(const std::string &folder)
{
    struct stat st;
    return lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == getuid()
        && (st.st_mode & 077) == 0;
}

bool makeVirtualPortsFolder(const std::string &folder)
{
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    return isPrivateFolder(folder);
}

} // namespace kelvane
