// Windows needs nothing said after a connect: no service there probes newly plugged adapters, and
// a port refused is a port another program holds, which the port's own message says.
#include "connection/connect_notice.h"

namespace kelvane {

std::unique_ptr<ConnectNotice> systemConnectNotice(std::function<bool()>)
{
    return nullptr;
}

} // namespace kelvane
