// Kelvane: a service terminal for hard disk drives with a diagnostic serial port.
#include "guarded_application.h"
#include "program.h"

int main(int argc, char *argv[])
{
    GuardedApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kelvane"));
    Q_INIT_RESOURCE(resources);
    TProgram program;
    program.MainForm().show();
    return app.exec();
}
