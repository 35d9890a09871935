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

Program::Program(const ProgramEnvironment &environment)
{
    mainForm_ = std::make_unique<TMainForm>(mainThread_, windows_, environment);
    TMainForm &main = *mainForm_;
    TBComPort &port = main.BComPort1;
    windows_.Form1 = create(form1_, main, port);
    windows_.Golovka = create(golovka_, main, port);
    windows_.golovka2 = create(golovka2_, main, port);
    windows_.AboutBox = create(aboutBox_, main);
    windows_.command = create(command_, main, port, main.DataSource1);
    windows_.command2 = create(command2_, main, main.DataSource1);
    windows_.Form7 = create(form7_, main);
    windows_.userlevel = create(userlevel_, main, port);
    windows_.golovki = create(golovki_, main, port);
}

Program::~Program() = default;

} // namespace kelvane
