// PublishedPort: the virtual drive's port as the program's port box lists it, a symbolic link in
// the per-user folder of virtual ports pointing at the pseudo-terminal's slave. The folder is
// created private (mode 0700) if needed and refused if it exists but is not private to the user,
// so nobody else can slip a port in. The link is removed when the object is destroyed, if it
// still points where it was made to. Not thread-safe.
#pragma once

#include <string>

namespace kelvane {

class PublishedPort
{
public:
    // Raises std::runtime_error with a message for the user when the folder is not private, the
    // name is not a plain file name, or another running virtual drive holds the name.
    PublishedPort(const std::string &folder, const std::string &name, const std::string &target);
    ~PublishedPort();
    PublishedPort(const PublishedPort &) = delete;
    PublishedPort &operator=(const PublishedPort &) = delete;

    const std::string &path() const { return m_path; }

private:
    void removeStaleLink() const;

    std::string m_path;
    std::string m_target;
};

} // namespace kelvane
