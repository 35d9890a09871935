// QtMainThread: the port component's hand-over to Qt's main thread. A hand-over wakes the main
// thread with a queued call; errors that escaped a port event handler go to the general error
// display, moved to the main thread first when they come from another thread.
#pragma once

#include "serial/main_thread.h"

#include <QObject>

namespace kelvane {

class QtMainThread : public QObject, public MainThread
{
    Q_OBJECT
public:
    // REQUIRES: created in the thread that runs the Qt event loop.
    explicit QtMainThread(QObject *parent = nullptr);

    void reportError(const std::string &message) override;

protected:
    void wake() override;
};

} // namespace kelvane
