// The main window's state as one value, and the one place that sets every control, menu and item
// from it: what may be used while disconnected, connected, or busy with an upload or a procedure
// on the open port, and whether the command table may be changed.
#pragma once

namespace Ui {
class TMainForm;
}
class QAction;

namespace kelvane {

enum class WindowMode {
    Disconnected,
    Connected,
    Busy, // connected, an upload or a procedure writing to the port
};

struct WindowState
{
    WindowMode mode = WindowMode::Disconnected;
    bool tableReadOnly = false;
};

// Enables and disables the window's controls, menus and items for `state`; `runProcedure` is the
// file menu's item that runs a procedure.
void applyWindowState(Ui::TMainForm &ui, QAction &runProcedure, const WindowState &state);

} // namespace kelvane
