// On Windows a table that is written is held with a share mode that denies other writers: a
// second program's open for writing fails with a sharing violation, not a lock to be asked about.
#include "cmdtable/table_write_access.h"

#include "base/utf8_path.h"

#include <windows.h>

namespace kelvane {

TableWriteBlock whyTableIsNotWritable(const std::string &path)
{
    const HANDLE file = CreateFileW(utf8Path(path).c_str(), GENERIC_READ | GENERIC_WRITE,
        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        return TableWriteBlock::None;
    }
    switch (GetLastError()) {
    case ERROR_ACCESS_DENIED: // also a file marked read-only
        return TableWriteBlock::NoPermission;
    case ERROR_WRITE_PROTECT:
        return TableWriteBlock::ReadOnlyMedium;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return TableWriteBlock::HeldByAnother;
    default:
        return TableWriteBlock::Unknown;
    }
}

} // namespace kelvane
