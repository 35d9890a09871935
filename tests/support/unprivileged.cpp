#include "support/unprivileged.h"

#include <grp.h>
#include <pwd.h>
#include <stdexcept>
#include <sys/fsuid.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kelvane {

namespace {

struct Account
{
    uid_t uid;
    gid_t gid;
};

Account nobody()
{
    const passwd *entry = getpwnam("nobody");
    if (!entry)
        throw std::runtime_error("no user \"nobody\" on this machine");
    return {entry->pw_uid, entry->pw_gid};
}

} // namespace

std::string runAsNobody(const std::function<std::string()> &work)
{
    const bool root = geteuid() == 0;
    const Account account = root ? nobody() : Account {geteuid(), getegid()};
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        throw std::runtime_error("cannot make a pipe");
    const pid_t child = fork();
    if (child < 0)
        throw std::runtime_error("cannot fork");
    if (child == 0) {
        close(pipeEnds[0]);
        std::string result;
        if (root
            && (setgroups(0, nullptr) != 0 || setgid(account.gid) != 0 || setuid(account.uid) != 0))
            result = "could not become nobody";
        else
            result = work();
        [[maybe_unused]] ssize_t n = write(pipeEnds[1], result.data(), result.size());
        _exit(0);
    }
    close(pipeEnds[1]);
    std::string result;
    char buffer[1024];
    for (ssize_t n; (n = read(pipeEnds[0], buffer, sizeof buffer)) != 0;)
        if (n > 0)
            result.append(buffer, static_cast<size_t>(n));
    close(pipeEnds[0]);
    waitpid(child, nullptr, 0);
    return result;
}

FileAccessAsNobody::FileAccessAsNobody()
{
    if (geteuid() != 0)
        return;
    const Account account = nobody();
    // Per thread, unlike setuid(); moving the file-system user away from 0 also drops root's
    // file capabilities until it is moved back.
    setfsgid(account.gid);
    setfsuid(account.uid);
    m_changed = static_cast<uid_t>(setfsuid(static_cast<uid_t>(-1))) == account.uid;
    if (!m_changed)
        throw std::runtime_error("cannot act as nobody");
}

FileAccessAsNobody::~FileAccessAsNobody()
{
    if (!m_changed)
        return;
    setfsuid(geteuid());
    setfsgid(getegid());
}

} // namespace kelvane
