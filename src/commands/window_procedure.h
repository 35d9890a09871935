// WindowProcedure: a procedure run from the main window. The user picks the file; it is read whole
// first, so a faulty line is reported before anything is sent. While it runs the window is in its
// uploading state (nothing else writes, "Отмена" and Esc stop it), the pane shows the drive's
// answers as always, and the status line says which step runs. Main thread only.
#pragma once

#include "commands/upload_panel.h"
#include "journal/session_log.h"
#include "procedures/procedure_runner.h"

#include <QString>
#include <functional>
#include <string_view>

class QEventLoop;
class QWidget;

namespace kelvane {

class WindowProcedure : private ProcedureHost, private ProcedureObserver
{
public:
    using StatusLine = std::function<void(const QString &text)>;

    WindowProcedure(TBComPort &port, UploadPanel &panel, StatusLine status, QWidget *dialogParent)
        : m_port(port), m_panel(panel), m_status(std::move(status)), m_dialogParent(dialogParent),
          m_runner(port, *this, *this)
    { }

    // Asks for a procedure file and runs it. A file that cannot be read or holds a faulty line
    // is raised with its line before anything is sent; so are the port's errors.
    void run();
    bool running() const { return m_runner.running(); }
    // Stops a running procedure at its next wait or step ("Отмена" and Esc of the panel).
    void cancel();

    // The window hands in what the port reports.
    void received(std::string_view bytes) { m_runner.received(bytes); }
    void txEmpty() { m_runner.txEmpty(); }

    ProcedureRunner &runner() { return m_runner; }
    // Where each step is recorded as it starts; none until set. `log` must outlive this object.
    void setSessionLog(SessionLog &log) { m_log = &log; }

private:
    // ProcedureHost
    Wait waitUntil(const std::function<bool()> &done, Clock::time_point deadline) override;
    void changed() override;
    bool stopRequested() const override { return m_cancelled; }
    // ProcedureObserver
    void stepStarted(const ProcedureStep &step, size_t index, size_t count) override;
    void stepPassed(const ProcedureStep &step, const std::string &note) override;
    void fileDataBegins(const UploadFile &file, int64_t size) override;
    void fileDataEnded() override { m_log->fileEnded(); }

    TBComPort &m_port;
    UploadPanel &m_panel;
    StatusLine m_status;
    QWidget *m_dialogParent;
    ProcedureRunner m_runner;
    QString m_lastFile;
    bool m_cancelled = false;
    bool m_again = false; // the runner asked for another look before the next sleep
    QEventLoop *m_wait = nullptr;
    SessionLog *m_log = &SessionLog::none();
};

} // namespace kelvane
