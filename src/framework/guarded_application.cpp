#include "framework/guarded_application.h"

#include "framework/guarded.h"

namespace kelvane {

bool GuardedApplication::notify(QObject *receiver, QEvent *event)
{
    bool handled = false;
    runGuarded(m_errors, [&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

} // namespace kelvane
