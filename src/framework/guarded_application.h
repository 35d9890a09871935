// GuardedApplication: the QApplication of the program. Handlers are connected through guarded();
// this is the last net for an error that escapes anything else while an event is handled: it
// is shown by the general error display instead of ending the program.
#pragma once

#include <QApplication>

namespace kelvane {

class GuardedApplication : public QApplication
{
public:
    GuardedApplication(int &argc, char **argv) : QApplication(argc, argv) { }
    bool notify(QObject *receiver, QEvent *event) override;
};

} // namespace kelvane
