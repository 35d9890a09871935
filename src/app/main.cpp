// Kelvane: a service terminal for hard disk drives with a diagnostic serial port.
#include "app/command_line.h"
#include "app/console_output.h"
#include "app/program.h"
#include "app/settings.h"
#include "app/start_options.h"
#include "app/termination_signals.h"
#include "base/texts.h"
#include "framework/guarded_application.h"
#include "framework/translations.h"

#include <cstdlib>
#include <iostream>
#include <memory>

using namespace kelvane;

int main(int argc, char *argv[])
{
    // What is printed before any window goes by the locale variables, as in the other tools (on
    // Windows, where they are not set, by the user's language).
    setTextLanguage(commandLineLanguage(localeVariables()));
    const CommandLine line = parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (line.action != CommandLine::Action::Start)
        useParentConsole();
    switch (line.action) {
    case CommandLine::Action::Help:
        std::cout << usageText();
        return EXIT_SUCCESS;
    case CommandLine::Action::Version:
        std::cout << versionText();
        return EXIT_SUCCESS;
    case CommandLine::Action::Wrong:
        std::cerr << "kelvane: " << line.error << "\n\n" << usageText();
        return 2;
    case CommandLine::Action::Start:
        break;
    }

    GuardedApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kelvane"));
    Q_INIT_RESOURCE(resources);
    // The windows speak the interface's language, and so do the texts of the libraries beneath
    // them: --lang, the setting, or the system's.
    ProgramEnvironment environment;
    environment.language = startLanguage(Settings(), line.start.language);
    installTranslations(app, environment.language);
    std::unique_ptr<Program> program;
    try {
        program = std::make_unique<Program>(app.errors(), environment);
    } catch (...) {
        // Without its command table the program does not start.
        app.errors().error(currentExceptionText());
        return EXIT_FAILURE;
    }
    applyStartOptions(program->MainForm(), line.start);
    program->MainForm().show();
    // Where the system gives no time after its word to end (Windows's end of the session), the
    // program is ended as main() would end it.
    const TerminationSignals termination([&program] { program.reset(); });
    return app.exec();
}
