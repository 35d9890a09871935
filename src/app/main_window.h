// TMainForm: the program's main window. It owns the serial port BComPort1 and holds the terminal:
// its layout, the input line and its two ways of sending, the terminal pane with received text,
// the rate switch, the line lamps, and the wiring of its menus. The port's life is the
// connection's (Connection), what may be used when the window state's (applyWindowState), what
// most menu items do the menu's (mainMenuItems, serviceCatalogue).
// Its handlers run on the main thread; errors escaping them go to the general error display.
#pragma once

#include "app/line_lamps.h"
#include "app/program_environment.h"
#include "app/program_windows.h"
#include "app/window_state.h"
#include "commands/upload_panel.h"
#include "commands/window_procedure.h"
#include "cursor/table_cursor.h"
#include "dataviews/data_source.h"
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
class QPushButton;
class QSplitter;

namespace kelvane {

class Connection;
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

    // Connecting, disconnecting, the loss of the port and its return, the port box.
    Connection &connection() { return *m_connection; }

    // The window's parts the program wires up beyond the window.
    struct Parts
    {
        QComboBox *portField;
        QComboBox *rateField;
        QPushButton *connectButton;
        QLineEdit *inputLine;
        TerminalPane *pane;
        QAction *journalFolderItem;
        QAction *settingsItem;
        // Between the command list and the terminal pane; its place is kept with the window's.
        QSplitter *bodySplitter;
    };
    const Parts &parts() const { return m_parts; }

    // Line lamps (true: ON).
    bool ctsLamp() const { return m_lamps.on(LineLamps::Cts); }
    bool dsrLamp() const { return m_lamps.on(LineLamps::Dsr); }
    bool rlsdLamp() const { return m_lamps.on(LineLamps::Rlsd); }

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
    void BComPort1TxEmpty(TBComPort &Sender);

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
    void layOut();
    void connectHandlers();
    void connectConnection();
    void showConnected();
    void showDisconnected();
    void setMode(WindowMode mode);
    // Says `text` in the status line and on a line of its own in the pane.
    void sayInPane(const QString &text);

    // First, so that it holds before the members whose construction already sends events.
    bool m_activated = false;
    std::unique_ptr<Ui::TMainForm> m_ui;
    Parts m_parts;
    ErrorSink &m_errors;
    ProgramWindows &m_windows;
    QLabel *m_portDevice; // the chosen port's device path, in the status bar
    QCheckBox *m_cbReconnect;
    std::unique_ptr<Connection> m_connection;
    QLabel *m_statusText;
    std::unique_ptr<UploadPanel> m_uploadPanel;
    TerminalView *m_terminalView = nullptr; // owned by this window
    std::unique_ptr<WindowProcedure> m_procedure;
    QAction *m_runProcedure;
    SessionLog *m_log = &SessionLog::none();
    WindowState m_state;
    LineLamps m_lamps;
};

} // namespace kelvane
