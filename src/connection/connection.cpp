#include "connection/connection.h"

#include "connection/port_watcher.h"
#include "framework/dialogs.h"
#include "framework/guarded.h"
#include "framework/left_eliding_combo_box.h"
#include "journal/session_log.h"
#include "serial/com_port.h"

#include <QLabel>
#include <QWidget>
#include <algorithm>
#include <exception>

namespace kelvane {

Connection::Connection(TBComPort &port, LeftElidingComboBox *box, QLabel *deviceField,
    const PortInventory &inventory, std::unique_ptr<ConnectNotice> notice, ErrorSink &errors,
    QWidget *window)
    : m_port(port), m_window(window), m_errors(errors), m_portWindowErrors(*this, errors),
      m_inventory(inventory), m_portBox(box, deviceField),
      m_portWatcher(new PortWatcher(m_inventory, this)), m_notice(std::move(notice)),
      m_log(&SessionLog::none())
{
    connect(box, &QComboBox::currentIndexChanged, this, [this] { m_portBox.describeChoice(); });
    connect(box, &LeftElidingComboBox::popupAboutToShow, this, [this] { refreshPorts(); });
    connect(m_portWatcher, &PortWatcher::portsChanged, this,
        guarded(
            m_errors, [this] { portsChanged(); }, [this] { return failedForLostDevice(); },
            [this] { lose(); }));
    // The port reports a device that went away once, as an I/O error. Line errors (framing,
    // parity, overrun) leave the connection as it is. The loss is dealt with from the event loop,
    // not inside the port's hand-over, which may be served by a close already under way.
    m_port.OnError = [this](TBComPort &, TComErrors errors) {
        if (errors.contains(errIO))
            loseLater();
    };
}

Connection::~Connection()
{
    // The port outlives this object; the events its closing still hands over must not reach it.
    m_port.OnError = nullptr;
}

void Connection::setReconnecting(bool on)
{
    m_reconnecting = on;
    if (!on)
        m_portReturn.forget();
}

void Connection::listPorts()
{
    std::vector<SerialPortInfo> ports = serialPorts(m_inventory);
    for (const SerialPortInfo &port : ports)
        m_seenPorts.push_back(port.name);
    m_portBox.show(std::move(ports));
}

bool Connection::open(std::optional<TBaudRate> rate)
{
    // The user's own connect replaces a wait for a lost port.
    m_portReturn.forget();
    m_port.SetPort(m_portBox.chosenName());
    if (rate)
        m_port.SetBaudRate(*rate);
    if (!m_port.OpenPort())
        return false;
    m_log->connected(m_port.Port(), BaudRateValues[m_port.BaudRate()]);
    emit status(tr("Связь установлена, терминал ожидает ввода команд"));
    emit connected();
    tellSystem();
    return true;
}

bool Connection::close()
{
    if (!m_port.ClosePort())
        return false;
    m_log->ended(SessionLog::Ending::Disconnected);
    emit status(tr("Связь завершена"));
    emit disconnected();
    return true;
}

void Connection::portChosen()
{
    if (m_portBox.chosenName() != m_portReturn.port())
        m_portReturn.forget();
}

void Connection::loseLater()
{
    QMetaObject::invokeMethod(
        this, [this] { runGuarded(m_errors, [this] { lose(); }); }, Qt::QueuedConnection);
}

void Connection::lose()
{
    if (!m_port.IsOpen())
        return;
    const QString port = QString::fromStdString(m_port.Port());
    emit losing();
    m_log->ended(SessionLog::Ending::Lost);
    // Closing a lost device drops nothing and cannot fail on the way.
    m_port.ClosePort();
    emit disconnected();
    if (m_reconnecting) {
        // No message box: it would stand over the window saying the port is lost long after
        // the connection came back by itself, often with nobody at the machine to close it.
        m_portReturn.lost(m_port.Port());
        emit note(tr("Связь с портом %1 потеряна, ожидание его возвращения")
                      .arg(m_portBox.label(m_port.Port())));
        return;
    }
    emit status(tr("Связь с портом %1 потеряна").arg(port));
    Dialogs::current().message(m_window,
        tr("Связь с портом %1 потеряна: устройство отключено или не отвечает.").arg(port));
}

bool Connection::failedForLostDevice() const
{
    try {
        throw;
    } catch (const EComPort &) {
        return m_port.IsOpen() && m_port.device() && m_port.device()->lost();
    } catch (...) {
        return false;
    }
}

void Connection::PortWindowErrors::error(const std::string &text)
{
    // Called inside the window's catch block, where the error can be looked at.
    if (std::current_exception() && m_connection.failedForLostDevice()) {
        m_connection.loseLater();
        return;
    }
    m_errors.error(text);
}

void Connection::refreshPorts()
{
    // The port in use is never changed under the connection (the box is disabled then anyway).
    if (m_port.IsOpen())
        return;
    try {
        m_portBox.show(serialPorts(m_inventory));
    } catch (const EComPort &) {
        return; // the list stays as it is; the start-up has said why
    }
}

void Connection::portsChanged()
{
    std::vector<SerialPortInfo> ports;
    try {
        ports = serialPorts(m_inventory);
    } catch (const EComPort &) {
        return;
    }
    const SerialPortInfo *plugged = nullptr;
    std::vector<std::string> seen;
    for (const SerialPortInfo &port : ports) {
        if (port.isUsb()
            && std::find(m_seenPorts.begin(), m_seenPorts.end(), port.name) == m_seenPorts.end())
            plugged = &port;
        seen.push_back(port.name);
    }
    m_seenPorts = std::move(seen);
    if (plugged)
        emit status(tr("Подключён адаптер %1").arg(adapterText(*plugged)));
    if (m_port.IsOpen())
        return;
    m_portBox.show(std::move(ports));
    if (m_portReturn.waiting() && m_portBox.find(m_portReturn.port()))
        reconnect();
}

bool Connection::reconnect()
{
    const std::string port = m_portReturn.port();
    m_portBox.choose(port);
    m_port.SetPort(port);
    try {
        if (!m_port.OpenPort())
            return false;
    } catch (const EComPort &) {
        return false; // e.g. udev has not yet given the device file its group
    }
    m_log->connected(m_port.Port(), BaudRateValues[m_port.BaudRate()]);
    const QString gone = m_portReturn.goneText();
    m_portReturn.forget();
    emit connected();
    // They power the adapter; a box the user cleared before the loss is checked again anyway.
    m_port.SetDtrLine(true);
    m_port.SetRtsLine(true);
    emit note(
        tr("Связь с портом %1 восстановлена, порта не было %2").arg(m_portBox.label(port), gone));
    tellSystem();
    return true;
}

void Connection::tellSystem()
{
    if (!m_notice)
        return;
    if (const SerialPortInfo *port = m_portBox.find(m_port.Port()))
        m_notice->connected(*port, m_window);
}

} // namespace kelvane
