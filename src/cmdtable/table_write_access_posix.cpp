#include "cmdtable/table_write_access.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace kelvane {

TableWriteBlock whyTableIsNotWritable(const std::string &path)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        switch (errno) {
        case EACCES:
        case EPERM:
            return TableWriteBlock::NoPermission;
        case EROFS:
            return TableWriteBlock::ReadOnlyMedium;
        default:
            return TableWriteBlock::Unknown;
        }
    }
    // The lock a writing table holds on its whole file, asked about without taking it.
    struct flock lock = {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    const bool held = fcntl(fd, F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
    ::close(fd);
    return held ? TableWriteBlock::HeldByAnother : TableWriteBlock::None;
}

} // namespace kelvane
