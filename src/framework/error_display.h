// ErrorDisplay: the program's error sink, and so the one way an error reaches the user. An error
// is shown in the program's error box over the active window, a message in its message box over
// the program's main window; both go through Dialogs, where tests read them. An error reported
// from another thread (a port event handler run by the event thread) is shown once the main
// thread's event loop comes round; one still waiting when the display is destroyed is dropped.
#pragma once

#include "base/error_sink.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

namespace kelvane {

class ErrorDisplay final : public ErrorSink
{
public:
    // The window messages are shown over; none before it is set.
    void setMainWindow(QWidget *window) { m_mainWindow = window; }

    // Any thread.
    void error(const std::string &text) override;
    // Main thread only.
    void message(const std::string &text) override;

private:
    QObject m_receiver; // lives in the main thread; queued errors die with it
    QPointer<QWidget> m_mainWindow;
};

} // namespace kelvane
