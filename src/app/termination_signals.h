// TerminationSignals: SIGTERM and SIGHUP (a logout, `kill`, a service manager) end the program as
// closing its window does: the windows are closed, the event loop ends with status 0, and the
// program then closes the port and ends the journal on its way out. The signal handler only
// writes to a pipe; the event loop reads it. Main thread only; one per program.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace kelvane {

class TerminationSignals : public QObject
{
public:
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

private:
    void end();

    int m_pipe[2] = {-1, -1};
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace kelvane
