#include "virtual_drive/published_port.h"

#include "serial/port_list.h"

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
    : path_(folder + "/" + name), target_(target)
{
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos)
        throw std::runtime_error("недопустимое имя порта \"" + name + "\"");
    if (!MakeVirtualPortsFolder(folder))
        throw std::runtime_error("папка виртуальных портов " + folder
            + " недоступна или не личная: она должна быть папкой, принадлежать вам и иметь права "
              "0700");
    removeStaleLink();
    if (symlink(target.c_str(), path_.c_str()) != 0)
        throw std::runtime_error("не удалось создать " + path_ + ": " + std::strerror(errno));
}

PublishedPort::~PublishedPort()
{
    if (linkTarget(path_) == target_)
        unlink(path_.c_str());
}

void PublishedPort::removeStaleLink() const
{
    struct stat st;
    if (lstat(path_.c_str(), &st) != 0)
        return;
    if (!S_ISLNK(st.st_mode))
        throw std::runtime_error(path_ + " уже существует и не является ссылкой на порт");
    // A link to a live terminal belongs to a running virtual drive; one to nothing is left over
    // from a drive that was killed.
    const std::optional<std::string> target = linkTarget(path_);
    if (target && isDevice(*target))
        throw std::runtime_error("порт " + path_ + " уже занят (ведёт на " + *target
            + "); выберите другое имя ключом --name или удалите ссылку, если её владелец "
              "не запущен");
    unlink(path_.c_str());
}

} // namespace kelvane
