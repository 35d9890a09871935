// Why a table file that can be read cannot be opened for writing: the program then runs with the
// table open read-only and tells the user the reason.
#pragma once

#include <string>

namespace kelvane {

enum class TableWriteBlock {
    None, // nothing stops writing: a failed open had another cause (a damaged table)
    NoPermission, // the user may not write the file (an installed copy, a read-only file)
    ReadOnlyMedium, // the file system is mounted read-only
    HeldByAnother, // another program (a second copy of this one) holds the table's write lock
    Unknown // the file cannot be opened for writing, for another reason
};

// Looks at the file at `path` as it is now; changes nothing and takes no lock.
TableWriteBlock whyTableIsNotWritable(const std::string &path);

} // namespace kelvane
