// The port watch of Linux: inotify on the folders whose entries make the port list.
#include "connection/port_watcher.h"

#include "serial/port_watch.h"

#include <QSocketNotifier>

namespace kelvane {

namespace {

class FolderChanges final : public PortChanges
{
public:
    explicit FolderChanges(const PortInventory &inventory) : m_watch(inventory) { }
    int fd() const { return m_watch.fd(); }
    bool takeChanges() override { return m_watch.takeChanges(); }

private:
    PortWatch m_watch;
};

} // namespace

PortWatcher::PortWatcher(const PortInventory &inventory, QObject *parent)
    : QObject(parent), m_changes(std::make_unique<FolderChanges>(inventory))
{
    const int fd = static_cast<FolderChanges &>(*m_changes).fd();
    if (fd < 0)
        return;
    auto *notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] { takeChanges(); });
}

} // namespace kelvane
