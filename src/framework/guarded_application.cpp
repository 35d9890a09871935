#include "framework/guarded_application.h"

#include "framework/guarded.h"

bool GuardedApplication::notify(QObject *receiver, QEvent *event)
{
    bool handled = false;
    RunGuarded([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}
