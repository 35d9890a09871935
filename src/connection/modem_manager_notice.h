// ModemManagerNotice: ModemManager opens newly plugged USB serial adapters and sends them AT
// probes, which a drive's firmware monitor takes as commands. When it runs, the technician is told
// once per adapter, with a udev rule for that adapter to copy. The notice does not block: the
// connection is already up and the rule is for later.
#pragma once

#include "connection/connect_notice.h"
#include "serial/port_list.h"

#include <QPointer>
#include <QString>
#include <functional>
#include <set>
#include <string>

class QDialog;
class QWidget;

namespace kelvane {

// Whether ModemManager's name is owned on the system bus; false without a system bus.
bool modemManagerRunning();

// The udev rule that tells ModemManager to leave adapters of this vendor and product alone.
QString modemManagerRule(const SerialPortInfo &port);

class ModemManagerNotice final : public ConnectNotice
{
public:
    // `running` says whether ModemManager runs; empty: modemManagerRunning().
    explicit ModemManagerNotice(std::function<bool()> running = {});

    // Called after each connect. Shows the notice over `parent` for a USB adapter that udev does
    // not already keep from ModemManager, while ModemManager runs, once per adapter.
    void connected(const SerialPortInfo &port, QWidget *parent) override;

private:
    std::function<bool()> m_running;
    std::set<std::string> m_told; // adapters told about: vendor, product and serial or name
    QPointer<QDialog> m_dialog;
};

} // namespace kelvane
