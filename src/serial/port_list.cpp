#include "serial/port_list.h"

#include "serial/com_error.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace kelvane {

namespace {

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

} // namespace

std::string PortInventory::defaultVirtualPortsFolder()
{
    const char *runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/')
        return std::string(runtime) + "/kelvane-ports";
    return "/tmp/kelvane-ports-" + std::to_string(getuid());
}

void ListSerialPorts(std::vector<std::string> &target, const PortInventory &inventory)
{
    Dir dir(opendir(inventory.ttyClass.c_str()));
    if (!dir)
        throw EComPort(ComMessage::PortList);
    const std::vector<std::string> consoles = consoleTtys(inventory.ttyClass);
    std::vector<std::string> ports;
    for (const std::string &name : entries(dir.get())) {
        const std::string entry = inventory.ttyClass + "/" + name;
        if (!exists(entry + "/device") || uartMissing(entry)
            || std::find(consoles.begin(), consoles.end(), name) != consoles.end())
            continue;
        ports.push_back(inventory.devices + "/" + name);
    }
    for (std::string &port : virtualPorts(inventory.virtualPorts))
        ports.push_back(std::move(port));
    std::stable_sort(ports.begin(), ports.end(), lessIgnoringCase);
    target = std::move(ports);
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
