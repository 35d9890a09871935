// GuardedApplication: the QApplication of the program, holding the program's error display.
// Handlers run guarded (guarded.h); this is the last net for an error that escapes anything else
// while an event is handled: it is shown by the error display instead of ending the program.
#pragma once

#include "framework/error_display.h"

#include <QApplication>

namespace kelvane {

class GuardedApplication : public QApplication
{
public:
    GuardedApplication(int &argc, char **argv) : QApplication(argc, argv) { }
    bool notify(QObject *receiver, QEvent *event) override;

    // The program's error sink.
    ErrorDisplay &errors() { return m_errors; }

private:
    ErrorDisplay m_errors;
};

} // namespace kelvane
