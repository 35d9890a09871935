// QtMainThread: the port component's hand-over to Qt's main thread. A hand-over wakes the main
// thread with a queued call; errors that escaped a port event handler go to the error sink it is
// given, which must take them from any thread (the program's ErrorDisplay does).
#pragma once

#include "serial/main_thread.h"

#include <QObject>

namespace kelvane {

class QtMainThread : public QObject, public MainThread
{
    Q_OBJECT
public:
    // REQUIRES: created in the thread that runs the Qt event loop; `errors` outlives it.
    explicit QtMainThread(ErrorSink &errors, QObject *parent = nullptr);

protected:
    void wake() override;
};

} // namespace kelvane
