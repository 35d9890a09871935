#include "app/program.h"

#include "app/about_box.h"
#include "app/input_history.h"
#include "app/settings_dialog.h"
#include "app/window_placement.h"
#include "app/wiring_window.h"
#include "cmdtable/command_editor_dialog.h"
#include "cmdtable/run_command_dialog.h"
#include "commands/drive_type_dialog.h"
#include "commands/factory_test_dialog.h"
#include "commands/free_level_dialog.h"
#include "commands/head_dialog.h"
#include "commands/head_positioning_dialog.h"
#include "connection/connection.h"
#include "framework/guarded.h"
#include "journal/recording_device.h"
#include "terminal/terminal_pane.h"
#include "terminal/terminal_view.h"

#include <QAction>
#include <QCoreApplication>

namespace kelvane {

namespace {

// Creates one of the windows the main window opens, in the main window's font.
template<typename Window, typename... Args>
Window *create(std::unique_ptr<Window> &slot, TMainForm &main, Args &...args)
{
    slot = std::make_unique<Window>(args..., &main);
    slot->setFont(main.font());
    return slot.get();
}

} // namespace

Program::Program(ErrorDisplay &errors, const ProgramEnvironment &environment)
    : m_errors(errors), m_mainThread(errors)
{
    // Whatever writes to the port, the journal sees the bytes that went out.
    ProgramEnvironment recorded = environment;
    recorded.opener = recordingOpener(environment.opener, m_journal.log());
    m_mainForm = std::make_unique<TMainForm>(m_mainThread, errors, m_windows, recorded);
    TMainForm &main = *m_mainForm;
    main.setSessionLog(m_journal.log());
    TBComPort &port = main.BComPort1;
    // The windows that write to the port leave the loss of the port to the main window's
    // connection.
    ErrorSink &portErrors = main.connection().portWindowErrors();
    m_windows.Form1 = create(m_form1, main, port, portErrors);
    m_windows.Golovka = create(m_golovka, main, port, portErrors);
    m_windows.golovka2 = create(m_golovka2, main, port, portErrors);
    m_windows.AboutBox = create(m_aboutBox, main);
    m_windows.command = create(m_command, main, port, main.DataSource1, portErrors);
    m_windows.command2 = create(m_command2, main, main.DataSource1, errors);
    m_windows.Form7 = create(m_form7, main);
    m_windows.userlevel = create(m_userlevel, main, port, portErrors);
    m_windows.golovki = create(m_golovki, main, port, portErrors);
    connectSessionFeatures();
}

Program::~Program()
{
    m_errors.setWitness({});
}

void Program::connectSessionFeatures()
{
    TMainForm &main = *m_mainForm;
    applySettings();
    m_errors.setWitness([this](const QString &text, bool isError) {
        if (isError)
            m_journal.log().error(text.toStdString());
    });
    QObject::connect(&m_journal, &SessionJournal::failed, &main, [&main](const QString &why) {
        main.setStatusText(
            QCoreApplication::translate("kelvane::Program", "Журнал сеанса не ведётся: %1")
                .arg(why));
    });
    const QString journalFolder = m_journal.folder();
    create(m_settingsDialog, main, m_settings, journalFolder);

    const TMainForm::Parts &parts = main.parts();
    auto *history = new InputHistory(
        parts.inputLine, Settings::folder() + QStringLiteral("/history.txt"), &main);
    QObject::connect(&main, &TMainForm::lineSent, history, &InputHistory::add);
    new WindowPlacement(&main, parts.bodySplitter, m_settings);
    TerminalView &view = main.terminalView();
    if (const int size = m_settings.value(QStringLiteral("terminal/fontSize")).toInt(); size > 0)
        view.setFontSize(size);
    view.fontSizeChosen
        = [this](int size) { m_settings.setValue(QStringLiteral("terminal/fontSize"), size); };

    QObject::connect(parts.journalFolderItem, &QAction::triggered, &main, guarded(m_errors, [this] {
        if (!m_journal.openFolder())
            m_errors.error(QCoreApplication::translate(
                "kelvane::Program", "Не удалось открыть папку журналов: %1")
                               .arg(m_journal.folder())
                               .toStdString());
    }));
    QObject::connect(parts.settingsItem, &QAction::triggered, &main, guarded(m_errors, [this] {
        if (m_settingsDialog->exec() == QDialog::Accepted)
            applySettings();
    }));
}

void Program::applySettings()
{
    m_journal.setEnabled(m_settings.journalEnabled());
    m_mainForm->parts().pane->setScrollbackLines(m_settings.scrollbackLines());
}

} // namespace kelvane
