// ConnectNotice: what the machine's system needs said to the technician after a connect, over the
// window, without blocking the connection. On Linux that is ModemManager's probing of newly
// plugged adapters (ModemManagerNotice); another system brings its own, or none.
#pragma once

#include "serial/port_list.h"

#include <functional>
#include <memory>

class QWidget;

namespace kelvane {

class ConnectNotice
{
public:
    virtual ~ConnectNotice() = default;
    // The listed port `port` has just been opened; a notice goes over `parent`.
    virtual void connected(const SerialPortInfo &port, QWidget *parent) = 0;
};

// The notice of the system the program is built for. `modemManagerRunning` says whether
// ModemManager runs (empty: asked on the system bus); a system without it ignores it.
std::unique_ptr<ConnectNotice> systemConnectNotice(std::function<bool()> modemManagerRunning);

} // namespace kelvane
