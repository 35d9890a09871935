// Kelvane: a service terminal for hard disk drives with a diagnostic serial port.
#include "app/program.h"
#include "dataset/application_errors.h"
#include "framework/dialogs.h"
#include "framework/guarded_application.h"
#include "framework/translations.h"

#include <cstdlib>
#include <exception>
#include <memory>

using namespace kelvane;

int main(int argc, char *argv[])
{
    GuardedApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kelvane"));
    installTranslations(app);
    Q_INIT_RESOURCE(resources);
    // Where the table reports what it cannot raise, such as a failure while it closes.
    setApplicationErrorReport(
        [](const std::string &message) { showError(QString::fromUtf8(message)); });
    std::unique_ptr<Program> program;
    try {
        program = std::make_unique<Program>();
    } catch (const std::exception &e) {
        // Without its command table the program does not start.
        Dialogs::current().error(nullptr, QString::fromUtf8(e.what()));
        return EXIT_FAILURE;
    }
    program->MainForm().show();
    return app.exec();
}
