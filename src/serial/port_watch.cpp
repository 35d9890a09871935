#include "serial/port_watch.h"

#include <cerrno>
#include <filesystem>
#include <sys/inotify.h>
#include <unistd.h>

namespace kelvane {

namespace {

constexpr uint32_t EntryChanges = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;

std::string parentOf(const std::string &folder)
{
    return std::filesystem::path(folder).parent_path().string();
}

bool isFolder(const std::string &path)
{
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

} // namespace

PortWatch::PortWatch(const PortInventory &inventory)
    : m_inventory(inventory), m_fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
{
    m_virtualPortsName = std::filesystem::path(m_inventory.virtualPorts).filename().string();
    watchFolders();
}

PortWatch::~PortWatch()
{
    if (m_fd >= 0)
        close(m_fd);
}

void PortWatch::watch(const std::string &folder, uint32_t events)
{
    if (folder.empty())
        return;
    // Watching a folder again gives its existing descriptor.
    const int wd = inotify_add_watch(m_fd, folder.c_str(), events | IN_ONLYDIR);
    if (wd >= 0)
        m_watches[wd] = folder;
}

void PortWatch::watchFolders()
{
    if (m_fd < 0)
        return;
    // A device file's group is set just after the file appears: a port that could not be
    // opened a moment ago may be openable now.
    watch(m_inventory.devices, EntryChanges | IN_ATTRIB);
    watch(parentOf(m_inventory.serialById), EntryChanges);
    watch(m_inventory.serialById, EntryChanges);
    watch(m_inventory.virtualPorts, EntryChanges);
    // The folder's parent (the user's runtime folder or /tmp) only until the folder is there.
    if (isFolder(m_inventory.virtualPorts)) {
        if (m_aboveWatch >= 0) {
            inotify_rm_watch(m_fd, m_aboveWatch);
            m_aboveWatch = -1;
        }
    } else if (m_aboveWatch < 0) {
        const std::string above = parentOf(m_inventory.virtualPorts);
        for (const auto &[wd, folder] : m_watches)
            if (folder == above)
                return; // watched for its entries already
        m_aboveWatch = inotify_add_watch(m_fd, above.c_str(), IN_CREATE | IN_MOVED_TO | IN_ONLYDIR);
    }
}

bool PortWatch::takeChanges()
{
    bool changed = false;
    // Watching folders anew queues events of its own (a dropped watch's end): read until the
    // queue stays empty.
    for (int round = 0; round < 4; ++round) {
        bool read = false;
        changed = readQueued(read) || changed;
        if (!read)
            break;
        watchFolders();
    }
    return changed;
}

bool PortWatch::readQueued(bool &read)
{
    if (m_fd < 0)
        return false;
    bool changed = false;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n <= 0) {
            if (n < 0 && errno == EINTR)
                continue;
            break;
        }
        read = true;
        for (ssize_t at = 0; at < n;) {
            const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (event->mask & IN_IGNORED) {
                // A watched folder went away; the parent's watch ends when we drop it.
                if (m_watches.erase(event->wd) != 0)
                    changed = true;
                else if (event->wd == m_aboveWatch)
                    m_aboveWatch = -1;
                continue;
            }
            // Of the parent's entries only the virtual ports folder counts.
            if (event->wd == m_aboveWatch) {
                if (event->len > 0 && event->name == m_virtualPortsName)
                    changed = true;
                continue;
            }
            changed = true;
        }
    }
    return changed;
}

} // namespace kelvane
