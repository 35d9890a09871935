// Kelvane: a service terminal for hard disk drives with a diagnostic serial port.
#include "app/program.h"
#include "framework/guarded_application.h"
#include "framework/translations.h"

#include <cstdlib>
#include <memory>

using namespace kelvane;

int main(int argc, char *argv[])
{
    GuardedApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kelvane"));
    installTranslations(app);
    Q_INIT_RESOURCE(resources);
    std::unique_ptr<Program> program;
    try {
        program = std::make_unique<Program>(app.errors());
    } catch (...) {
        // Without its command table the program does not start.
        app.errors().error(currentExceptionText());
        return EXIT_FAILURE;
    }
    program->MainForm().show();
    return app.exec();
}
