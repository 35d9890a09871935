#include "app/program.h"

#include "app/about_box.h"
#include "app/wiring_window.h"
#include "cmdtable/command_editor_dialog.h"
#include "cmdtable/run_command_dialog.h"
#include "commands/drive_type_dialog.h"
#include "commands/factory_test_dialog.h"
#include "commands/free_level_dialog.h"
#include "commands/head_dialog.h"
#include "commands/head_positioning_dialog.h"

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

Program::Program(ErrorDisplay &errors, const ProgramEnvironment &environment) : m_mainThread(errors)
{
    m_mainForm = std::make_unique<TMainForm>(m_mainThread, errors, m_windows, environment);
    TMainForm &main = *m_mainForm;
    TBComPort &port = main.BComPort1;
    m_windows.Form1 = create(m_form1, main, port, errors);
    m_windows.Golovka = create(m_golovka, main, port, errors);
    m_windows.golovka2 = create(m_golovka2, main, port, errors);
    m_windows.AboutBox = create(m_aboutBox, main);
    m_windows.command = create(m_command, main, port, main.DataSource1, errors);
    m_windows.command2 = create(m_command2, main, main.DataSource1, errors);
    m_windows.Form7 = create(m_form7, main);
    m_windows.userlevel = create(m_userlevel, main, port, errors);
    m_windows.golovki = create(m_golovki, main, port, errors);
}

Program::~Program() = default;

} // namespace kelvane
