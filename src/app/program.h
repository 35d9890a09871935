// Program: the running program. It creates the windows at start, in their fixed order, the main
// window first, and keeps each until the program ends; closing the main window ends it.
#pragma once

#include "app/main_window.h"
#include "app/program_windows.h"
#include "framework/qt_main_thread.h"

#include <memory>

namespace kelvane {

class Program
{
public:
    // Raises when the main window cannot be created (the command table cannot be opened).
    explicit Program(const ProgramEnvironment &environment = {});
    ~Program();

    ProgramWindows &Windows() { return windows_; }
    TMainForm &MainForm() { return *mainForm_; }

private:
    QtMainThread mainThread_;
    ProgramWindows windows_;
    // Declared in creation order, so they are destroyed in reverse: the main window last.
    std::unique_ptr<TMainForm> mainForm_;
    std::unique_ptr<TForm1> form1_;
    std::unique_ptr<TGolovka> golovka_;
    std::unique_ptr<Tgolovka2> golovka2_;
    std::unique_ptr<TAboutBox> aboutBox_;
    std::unique_ptr<Tcommand> command_;
    std::unique_ptr<Tcommand2> command2_;
    std::unique_ptr<TForm7> form7_;
    std::unique_ptr<Tuserlevel> userlevel_;
    std::unique_ptr<Tgolovki> golovki_;
};

} // namespace kelvane
