// Program: the running program. It creates the windows at start, in their fixed order, the main
// window first, and keeps each until the program ends; closing the main window ends it. It also
// holds what lasts beyond one window: the settings, the session journal (which sees every write
// to the port), the input line's history and the main window's remembered place.
#pragma once

#include "app/main_window.h"
#include "app/program_windows.h"
#include "app/session_journal.h"
#include "app/settings.h"
#include "framework/error_display.h"
#include "framework/qt_main_thread.h"

#include <memory>

namespace kelvane {

class SettingsDialog;

class Program
{
public:
    // Every window's errors and messages go to `errors`, which must outlive the program. Raises
    // when the main window cannot be created (the command table cannot be opened).
    explicit Program(ErrorDisplay &errors, const ProgramEnvironment &environment = {});
    ~Program();

    ProgramWindows &windows() { return m_windows; }
    TMainForm &MainForm() { return *m_mainForm; }
    SessionJournal &journal() { return m_journal; }

private:
    // The journal and the settings dialog in the "Файл" menu, the history, the window's place.
    void connectSessionFeatures();
    void applySettings();

    ErrorDisplay &m_errors;
    QtMainThread m_mainThread;
    Settings m_settings;
    // Outlives the port, whose device tells it every write.
    SessionJournal m_journal;
    ProgramWindows m_windows;
    // Declared in creation order, so they are destroyed in reverse: the main window last.
    std::unique_ptr<TMainForm> m_mainForm;
    std::unique_ptr<TForm1> m_form1;
    std::unique_ptr<TGolovka> m_golovka;
    std::unique_ptr<Tgolovka2> m_golovka2;
    std::unique_ptr<TAboutBox> m_aboutBox;
    std::unique_ptr<Tcommand> m_command;
    std::unique_ptr<Tcommand2> m_command2;
    std::unique_ptr<TForm7> m_form7;
    std::unique_ptr<Tuserlevel> m_userlevel;
    std::unique_ptr<Tgolovki> m_golovki;
    std::unique_ptr<SettingsDialog> m_settingsDialog;
};

} // namespace kelvane
