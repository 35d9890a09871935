// TMainForm: the program's main window. It owns the serial port BComPort1 and holds the terminal:
// connecting and disconnecting, the input line and its two ways of sending, the terminal pane
// with received text, the rate switch, the line lamps, and the menus that open the other windows.
// Its handlers run on the main thread; errors escaping them go to the general error display.
#pragma once

#include "app/modem_manager_notice.h"
#include "app/port_box.h"
#include "app/port_return.h"
#include "app/program_environment.h"
#include "app/program_windows.h"
#include "commands/upload_panel.h"
#include "commands/window_procedure.h"
#include "cursor/table_cursor.h"
#include "framework/data_source.h"
#include "framework/error_display.h"
#include "journal/session_log.h"
#include "serial/com_port.h"

#include <QMainWindow>
#include <memory>

namespace Ui {
class TMainForm;
}
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

namespace kelvane {

class PortWatcher;
class TerminalPane;
class TerminalView;

class TMainForm : public QMainWindow
{
    Q_OBJECT
public:
    // `windows` is filled by the program as it creates the other windows. What escapes the
    // handlers, and the command table's messages, go to `errors`, which shows messages over this
    // window. Opens the command table; raises when it cannot (the program then does not start).
    TMainForm(MainThread &mainThread, ErrorDisplay &errors, ProgramWindows &windows,
        const ProgramEnvironment &environment = {}, QWidget *parent = nullptr);
    ~TMainForm() override;

    TBComPort BComPort1;
    // The user command table, and the link every view of it uses.
    TDbf Dbf1;
    TDataSource DataSource1;
    // Set by every transmit-empty event of the port; an upload clears it before each write.
    bool TxEmptySeen = false;

    QString statusText() const;
    void setStatusText(const QString &text);

    // The error sink of the other windows that write to the port: a write that failed because
    // the device went away is the loss of the port, which this window deals with once (its
    // message, or the wait for the device), not an error box of theirs as well.
    ErrorSink &portWindowErrors() { return m_portWindowErrors; }

    // Line lamps (true: ON).
    void SetCtsLamp(bool on);
    void SetDsrLamp(bool on);
    void SetRlsdLamp(bool on);
    bool ctsLamp() const { return m_ctsLamp; }
    bool dsrLamp() const { return m_dsrLamp; }
    bool rlsdLamp() const { return m_rlsdLamp; }

    // Handlers, named after their control and event.
    void FormCreate();
    void FormActivate();
    void btnConnectClick();
    void btnDisconnectClick();
    void btnSendClick();
    void Edit1KeyPress(char key);
    void btnClearClick();
    void cbPortChange();
    void cbSetRTSClick();
    void cbSetDTRClick();
    void cbBaudRateChange();
    void BComPort1RxChar(TBComPort &Sender, int32_t Count);
    void BComPort1CTSChange(TBComPort &Sender, bool State);
    void BComPort1DSRChange(TBComPort &Sender, bool State);
    void BComPort1RLSDChange(TBComPort &Sender, bool State);
    void BComPort1TxEmpty(TBComPort &Sender);
    void BComPort1Error(TBComPort &Sender, TComErrors Errors);
    void Exit1Click();
    void About1Click();
    void N19Click();
    void Open1Click();
    void N22Click();
    void N24Click();
    void N23Click();
    void N13Click();
    void N15Click();
    void N16Click();
    void N29Click();
    void HeadPosition1Click();
    void UserLevel1Click();
    void overley1Click();
    void CERT1Click();
    void SelfScan1Click();

    // The port's device went away while connected (adapter pulled, drive side ended): closes the
    // port, stops a running upload, puts the window into its disconnected state and says so once.
    // Does nothing when the port is not open. While "Переподключаться автоматически" is checked
    // the window then waits for the port to come back.
    void portLost();
    // portLost() from the event loop, once what is under way has unwound.
    void portLostLater();
    // The machine's ports changed: lists them anew (not while connected, so the choice stays),
    // names a newly plugged adapter, and reconnects a lost port that is back.
    void portsChanged();

    // Where the window tells what happens in a session (nowhere until set). `log` must outlive
    // the window.
    void setSessionLog(SessionLog &log);

    Upload &upload() { return m_uploadPanel->upload(); }
    // The pane's view: its menu, find bar, font size and saving its text.
    TerminalView &terminalView() { return *m_terminalView; }
    bool uploading() const { return m_uploadPanel->uploading(); }
    // Cancels a running upload or procedure at its next wait.
    void cancelUpload() { m_uploadPanel->cancel(); }
    WindowProcedure &procedure() { return *m_procedure; }

signals:
    // A line typed into the input line went to the drive.
    void lineSent(const QString &line);

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void openCommandTable(const std::string &programFolder, Language language);
    // Opens the table for reading only, when it is there; false when that fails too.
    bool openCommandTableReadOnly();
    void connectHandlers();
    // The error filter of the handlers: true for a port failure of a device that went away, which
    // is taken as the loss of the port instead of being shown as the failed step's error.
    bool failedForLostDevice();
    bool deviceLost();
    void showConnected();
    void showDisconnected();
    // Opens the lost port again as it was, writing nothing to the drive; false while it cannot
    // be opened yet (the next change of the ports tries again).
    bool reconnect();
    // Says `text` in the status line and on a line of its own in the pane.
    void sayInPane(const QString &text);
    void warnOfModemManager();
    // Lists the installed ports in the port box anew, keeping the one chosen while it is listed.
    void refreshPorts();
    void bindPortEvents();
    void setFieldColour(QWidget *field, bool editable);
    void setLamp(QLabel *image, bool &state, bool on);
    void setConnectionMenus(bool enabled);
    void setWritingEnabled(bool enabled);
    void showUploading(bool uploading, const QString &text);

    class PortWindowErrors final : public ErrorSink
    {
    public:
        PortWindowErrors(TMainForm &form, ErrorSink &errors) : m_form(form), m_errors(errors) { }
        void error(const std::string &text) override;
        void message(const std::string &text) override { m_errors.message(text); }

    private:
        TMainForm &m_form;
        ErrorSink &m_errors;
    };

    // First, so that it holds before the members whose construction already sends events.
    bool m_activated = false;
    std::unique_ptr<Ui::TMainForm> m_ui;
    ErrorSink &m_errors;
    PortWindowErrors m_portWindowErrors;
    ProgramWindows &m_windows;
    PortInventory m_inventory;
    QLabel *m_portDevice; // the chosen port's device path, in the status bar
    std::unique_ptr<PortBox> m_portBox;
    PortWatcher *m_portWatcher;
    QCheckBox *m_cbReconnect;
    PortReturn m_portReturn;
    ModemManagerNotice m_modemManagerNotice;
    std::vector<std::string> m_seenPorts; // the ports at the last look, to notice new ones
    QLabel *m_statusText;
    std::unique_ptr<UploadPanel> m_uploadPanel;
    TerminalView *m_terminalView = nullptr; // owned by this window
    std::unique_ptr<WindowProcedure> m_procedure;
    QAction *m_runProcedure;
    SessionLog *m_log = &SessionLog::none();
    QString m_readOnlyTableText; // why the command table is open only for reading
    QString m_tableCopiedText; // where the user's own copy of the default table was made
    bool m_ctsLamp = false;
    bool m_dsrLamp = false;
    bool m_rlsdLamp = false;
};

} // namespace kelvane
