// The main window's menu items that act on their own, as data beside the service catalogue: most
// open one of the program's windows, a few take a step of their own. The window finds each item in
// its menus by name and runs it guarded, as every handler.
#pragma once

#include <span>

class QAction;
class QMenuBar;

namespace kelvane {

class TMainForm;
struct ProgramWindows;

struct MenuItem
{
    const char *item; // menu item name
    const char *handler; // its click handler
    void (*run)(TMainForm &form, const ProgramWindows &windows);
};

std::span<const MenuItem> mainMenuItems();

// The item named `name` in `bar`'s menus or their submenus; null when there is none.
QAction *findMenuItem(const QMenuBar &bar, const char *name);

} // namespace kelvane
