// DriveOutput: what the virtual drive produces while it takes bytes in: the bytes it sends back
// to the program, and lines for its log saying what it received. Filled by the drive and its
// upload receiver, emptied by whoever serves the drive.
#pragma once

#include <string>
#include <vector>

namespace kelvane {

struct DriveOutput
{
    std::string bytes; // to the program
    std::vector<std::string> log; // one line each, without a line end
};

} // namespace kelvane
