// The program's windows, in the order they are created at start. Each window that opens another
// finds it here; a window is null until it has been created.
#pragma once

namespace kelvane {

class TMainForm;
class TForm1;
class TGolovka;
class Tgolovka2;
class TAboutBox;
class Tcommand;
class Tcommand2;
class TForm7;
class Tuserlevel;
class Tgolovki;

struct ProgramWindows
{
    TMainForm *MainForm = nullptr;
    TForm1 *Form1 = nullptr;
    TGolovka *Golovka = nullptr;
    Tgolovka2 *golovka2 = nullptr;
    TAboutBox *AboutBox = nullptr;
    Tcommand *command = nullptr;
    Tcommand2 *command2 = nullptr;
    TForm7 *Form7 = nullptr;
    Tuserlevel *userlevel = nullptr;
    Tgolovki *golovki = nullptr;
};

} // namespace kelvane
