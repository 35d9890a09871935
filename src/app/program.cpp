#include "program.h"

#include "about_box.h"
#include "drive_type_dialog.h"
#include "factory_test_dialog.h"
#include "free_level_dialog.h"
#include "head_dialog.h"
#include "head_positioning_dialog.h"
#include "wiring_window.h"

TProgram::TProgram(const PortInventory &inventory, DeviceOpener opener)
{
    mainForm_ = std::make_unique<TMainForm>(mainThread_, windows_, inventory, std::move(opener));
    TMainForm *main = mainForm_.get();
    TBComPort &port = main->BComPort1;
    windows_.Form1 = (form1_ = std::make_unique<TForm1>(port, main)).get();
    windows_.Golovka = (golovka_ = std::make_unique<TGolovka>(port, main)).get();
    windows_.golovka2 = (golovka2_ = std::make_unique<Tgolovka2>(port, main)).get();
    windows_.AboutBox = (aboutBox_ = std::make_unique<TAboutBox>(main)).get();
    windows_.Form7 = (form7_ = std::make_unique<TForm7>(main)).get();
    windows_.userlevel = (userlevel_ = std::make_unique<Tuserlevel>(port, main)).get();
    windows_.golovki = (golovki_ = std::make_unique<Tgolovki>(port, main)).get();
}

TProgram::~TProgram() = default;
