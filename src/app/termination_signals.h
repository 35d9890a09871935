// TerminationSignals: the system's word to end the program ends it as closing its window does: a
// running upload or procedure is cancelled, the windows are closed (the main window's place is
// saved), the port is closed and the journal gets its closing line; the status is 0. Main thread
// only; one per program.
// On Linux the word is SIGTERM or SIGHUP (a logout, `kill`, a service manager). The signal handler
// only writes to a pipe; the event loop reads it, closes the windows and ends, and the program
// then ends on its way out of main(); `finish` is not needed there.
// On Windows it is the end of the session (logging off, shutting down: WM_ENDSESSION), after
// which the system may end the process at any moment: the windows are closed, `finish` ends the
// program (closes the port, ends the journal) right there, and the process ends.
#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace kelvane {

class TerminationSignals : public QObject
{
public:
    explicit TerminationSignals(std::function<void()> finish = {}, QObject *parent = nullptr);
    ~TerminationSignals() override;

private:
    void end();

    std::function<void()> m_finish;
    int m_pipe[2] = {-1, -1}; // Linux's
    QSocketNotifier *m_notifier = nullptr; // Linux's
};

} // namespace kelvane
