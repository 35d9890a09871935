// PortWatch: tells when the port list may have changed, without polling. It watches, with
// inotify, the folders whose entries make the list: the device files, udev's stable links (and
// the folders above them, which udev makes with the first adapter and removes with the last) and
// the virtual ports folder (and its parent while it is missing). The owner waits for fd() to be
// readable in its own event loop and then calls takeChanges().
#pragma once

#include "serial/port_list.h"

#include <map>
#include <string>

namespace kelvane {

class PortWatch
{
public:
    explicit PortWatch(const PortInventory &inventory = {});
    ~PortWatch();
    PortWatch(const PortWatch &) = delete;
    PortWatch &operator=(const PortWatch &) = delete;

    // Readable when changes wait; -1 when the system gave no watch (the list is then read only
    // when the box opens).
    int fd() const { return m_fd; }
    // Reads every waiting change without blocking; true when one of them may touch the list.
    // Folders that appeared or went away since are watched or dropped accordingly.
    bool takeChanges();

private:
    // Reads what is queued; `read` tells whether anything was.
    bool readQueued(bool &read);
    void watchFolders();
    void watch(const std::string &folder, uint32_t events);

    PortInventory m_inventory;
    int m_fd = -1;
    std::map<int, std::string> m_watches; // watch descriptor -> folder
    int m_aboveWatch = -1; // the virtual ports folder's parent, while the folder is missing
    std::string m_virtualPortsName;
};

} // namespace kelvane
