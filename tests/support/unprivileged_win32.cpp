// Windows refuses a read-only file to its owner and its administrators alike: a test meets the
// refusal as it is, with nothing to give up.
#include "support/unprivileged.h"

namespace kelvane {

FileAccessAsNobody::FileAccessAsNobody() = default;

FileAccessAsNobody::~FileAccessAsNobody() = default;

} // namespace kelvane
