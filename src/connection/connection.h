// Connection: the life of the main window's port. It opens the port chosen in the port box and
// closes it, takes a failed write of a device that went away for the loss of the port (dealt with
// once, from the event loop), waits for a lost port to come back and opens it again as it was,
// keeps the port box following the machine's ports, and after each connect lets the system say
// what it needs (ConnectNotice). The window tells it what the user does and follows its signals.
// Main thread only.
#pragma once

#include "base/error_sink.h"
#include "connection/connect_notice.h"
#include "connection/port_box.h"
#include "connection/port_return.h"
#include "serial/com_types.h"

#include <QObject>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QLabel;
class QWidget;

namespace kelvane {

class LeftElidingComboBox;
class PortWatcher;
class SessionLog;
class TBComPort;

class Connection : public QObject
{
    Q_OBJECT
public:
    // `box` and `deviceField` are the port box and the status line's field for the chosen port's
    // device; `notice` may be null. Messages go over `window`; what escapes the handling of the
    // port watch goes to `errors`. Made after `port` and gone before it.
    Connection(TBComPort &port, LeftElidingComboBox *box, QLabel *deviceField,
        const PortInventory &inventory, std::unique_ptr<ConnectNotice> notice, ErrorSink &errors,
        QWidget *window);
    ~Connection() override;

    // Where connecting and the end of a connection are told (nowhere until set). `log` must
    // outlive this object.
    void setSessionLog(SessionLog &log) { m_log = &log; }
    // Whether a lost port is waited for and opened again when it is back; off forgets a wait.
    void setReconnecting(bool on);
    bool reconnecting() const { return m_reconnecting; }

    // Lists the machine's ports in the box; raises EComPort when they cannot be read.
    void listPorts();
    // The user's connect: opens the chosen port at `rate` (empty: the port's rate as it is).
    // False when the port did not open.
    bool open(std::optional<TBaudRate> rate);
    // The user's disconnect; false when the port did not close.
    bool close();
    // The user picked a port in the box: picking another one gives up waiting for the lost one.
    void portChosen();

    // The port's device went away while connected (adapter pulled, drive side ended): closes the
    // port and says so once; while reconnecting() it then waits for the port to come back. Does
    // nothing when the port is not open.
    void lose();
    // lose() from the event loop, once what is under way has unwound.
    void loseLater();
    // The error filter of handlers that write to the port: true for a port failure of a device
    // that went away, which is then the loss of the port rather than the failed step's error.
    // Called inside a catch block.
    bool failedForLostDevice() const;
    // The error sink of the other windows that write to the port: a write that failed because the
    // device went away is the loss of the port, dealt with here once, not an error box as well.
    ErrorSink &portWindowErrors() { return m_portWindowErrors; }

    PortBox &portBox() { return m_portBox; }

    // The machine's ports changed: lists them anew (not while connected, so the choice stays),
    // names a newly plugged adapter, and reconnects a lost port that is back.
    void portsChanged();

signals:
    // The port is open; the window shows itself connected.
    void connected();
    // A lost port is about to be closed: what runs on it stops.
    void losing();
    // The port is closed; the window shows itself disconnected.
    void disconnected();
    // Said in the status line.
    void status(const QString &text);
    // Said in the status line and on a line of its own in the terminal pane.
    void note(const QString &text);

private:
    // Opens the lost port again as it was, writing nothing to the drive; false while it cannot
    // be opened yet (the next change of the ports tries again).
    bool reconnect();
    // Lists the installed ports in the box anew, keeping the one chosen while it is listed.
    void refreshPorts();
    void tellSystem();

    class PortWindowErrors final : public ErrorSink
    {
    public:
        PortWindowErrors(Connection &connection, ErrorSink &errors)
            : m_connection(connection), m_errors(errors)
        { }
        void error(const std::string &text) override;
        void message(const std::string &text) override { m_errors.message(text); }

    private:
        Connection &m_connection;
        ErrorSink &m_errors;
    };

    TBComPort &m_port;
    QWidget *m_window;
    ErrorSink &m_errors;
    PortWindowErrors m_portWindowErrors;
    PortInventory m_inventory;
    PortBox m_portBox;
    PortReturn m_portReturn;
    PortWatcher *m_portWatcher;
    std::unique_ptr<ConnectNotice> m_notice;
    SessionLog *m_log;
    std::vector<std::string> m_seenPorts; // the ports at the last look, to notice new ones
    bool m_reconnecting = false;
};

} // namespace kelvane
