// Acting as an unprivileged user in tests. CI runs as root, and root may open any file and any
// device whatever their modes; these helpers let a test meet the refusals an ordinary user meets.
// Run as an ordinary user they change nothing: that user already meets the refusals.
#pragma once

#include <functional>
#include <string>

namespace kelvane {

// Runs `work` in a child process that has dropped to the user "nobody" (when started as root)
// and returns the text `work` returned. The child shares nothing with the test but its memory
// image at the fork: `work` must not rely on other threads.
std::string runAsNobody(const std::function<std::string()> &work);

// While it lives, the calling thread opens files as "nobody" (when the test runs as root): the
// kernel checks file modes against that user, and root's right to ignore them is suspended.
// Other threads are not affected. Only for code that does not create files the test must own.
class FileAccessAsNobody
{
public:
    FileAccessAsNobody();
    ~FileAccessAsNobody();
    FileAccessAsNobody(const FileAccessAsNobody &) = delete;
    FileAccessAsNobody &operator=(const FileAccessAsNobody &) = delete;

private:
    bool m_changed = false;
};

} // namespace kelvane
