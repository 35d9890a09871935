// ErrorDisplay: the program's error sink, and so the one way an error reaches the user. An error
// is shown in the program's error box over the active window, a message in its message box over
// the program's main window; both go through Dialogs, where tests read them. An error reported
// from another thread (a port event handler run by the event thread) is shown once the main
// thread's event loop comes round; one still waiting when the display is destroyed is dropped.
// The serial port's fixed messages are shown in the language of the texts (comMessageIn). A
// witness, when set, is told each text as it is shown (the session journal keeps them).
#pragma once

#include "base/error_sink.h"

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>

namespace kelvane {

class ErrorDisplay final : public ErrorSink
{
public:
    // The window messages are shown over; none before it is set.
    void setMainWindow(QWidget *window) { m_mainWindow = window; }

    // Told in the main thread, before it is shown, each error (`isError`) or message; an empty
    // one: none.
    using Witness = std::function<void(const QString &text, bool isError)>;
    void setWitness(Witness witness) { m_witness = std::move(witness); }

    // Any thread.
    void error(const std::string &text) override;
    // Main thread only.
    void message(const std::string &text) override;

private:
    void show(const QString &text);

    QObject m_receiver; // lives in the main thread; queued errors die with it
    QPointer<QWidget> m_mainWindow;
    Witness m_witness;
};

} // namespace kelvane
