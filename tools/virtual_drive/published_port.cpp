#include "virtual_drive/published_port.h"

#include "serial/port_list.h"
#include "virtual_drive/drive_texts.h"

#include <cerrno>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace kelvane {

namespace {

std::optional<std::string> linkTarget(const std::string &link)
{
    char target[4096];
    const ssize_t n = readlink(link.c_str(), target, sizeof target);
    if (n < 0 || static_cast<size_t>(n) == sizeof target)
        return std::nullopt;
    return std::string(target, static_cast<size_t>(n));
}

bool isDevice(const std::string &path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
}

} // namespace

PublishedPort::PublishedPort(
    const std::string &folder, const std::string &name, const std::string &target)
    : m_path(folder + "/" + name), m_target(target)
{
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos)
        throw std::runtime_error(localText(DriveText::BadPortName, {name}));
    if (!makeVirtualPortsFolder(folder))
        throw std::runtime_error(localText(DriveText::FolderNotPrivate, {folder}));
    removeStaleLink();
    if (symlink(target.c_str(), m_path.c_str()) != 0)
        throw std::runtime_error(
            localText(DriveText::LinkNotCreated, {m_path, std::strerror(errno)}));
}

PublishedPort::~PublishedPort()
{
    if (linkTarget(m_path) == m_target)
        unlink(m_path.c_str());
}

void PublishedPort::removeStaleLink() const
{
    struct stat st;
    if (lstat(m_path.c_str(), &st) != 0)
        return;
    if (!S_ISLNK(st.st_mode))
        throw std::runtime_error(localText(DriveText::NotALink, {m_path}));
    // A link to a live terminal belongs to a running virtual drive; one to nothing is left over
    // from a drive that was killed.
    const std::optional<std::string> target = linkTarget(m_path);
    if (target && isDevice(*target))
        throw std::runtime_error(localText(DriveText::PortTaken, {m_path, *target}));
    unlink(m_path.c_str());
}

} // namespace kelvane
