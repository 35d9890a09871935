// The end of the session on Windows. Qt's own answer to WM_ENDSESSION is only aboutToQuit and a
// quit that the process does not live to see, so the message is taken before Qt handles it.
#include "app/termination_signals.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <windows.h>

namespace kelvane {

namespace {

class SessionEnd final : public QAbstractNativeEventFilter
{
public:
    explicit SessionEnd(TerminationSignals &owner, void (TerminationSignals::*end)())
        : m_owner(owner), m_end(end)
    { }

    bool nativeEventFilter(const QByteArray &, void *message, qintptr *result) override
    {
        const auto *msg = static_cast<const MSG *>(message);
        // Every top-level window is told; the first one ends the program. A session that goes
        // on (wParam FALSE: another program refused to end) changes nothing here.
        if (msg->message != WM_ENDSESSION || !msg->wParam)
            return false;
        *result = 0;
        (m_owner.*m_end)();
        return true;
    }

private:
    TerminationSignals &m_owner;
    void (TerminationSignals::*m_end)();
};

SessionEnd *sessionEnd = nullptr;

} // namespace

TerminationSignals::TerminationSignals(std::function<void()> finish, QObject *parent)
    : QObject(parent), m_finish(std::move(finish))
{
    sessionEnd = new SessionEnd(*this, &TerminationSignals::end);
    QCoreApplication::instance()->installNativeEventFilter(sessionEnd);
}

TerminationSignals::~TerminationSignals()
{
    if (QCoreApplication *app = QCoreApplication::instance())
        app->removeNativeEventFilter(sessionEnd);
    delete sessionEnd;
    sessionEnd = nullptr;
}

void TerminationSignals::end()
{
    // As if the user closed them: a running upload or procedure is cancelled, a dialog gives up,
    // the main window's place is saved.
    QApplication::closeAllWindows();
    if (m_finish)
        m_finish();
    // Nothing may run after this on what `finish` has ended (a dialog's own event loop below
    // this message, say), and the system would end the process anyway once the message is
    // answered: the port and the journal are closed, the settings written.
    TerminateProcess(GetCurrentProcess(), 0);
}

} // namespace kelvane
