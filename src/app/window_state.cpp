#include "app/window_state.h"

#include "ui_main_window.h"

#include <QApplication>

namespace kelvane {

namespace {

void setFieldColour(QWidget *field, bool editable)
{
    // Window colour while usable, the dialog surface's colour while greyed out.
    QPalette palette = field->palette();
    const QPalette standard = QApplication::palette();
    palette.setColor(QPalette::Base, standard.color(editable ? QPalette::Base : QPalette::Button));
    field->setPalette(palette);
}

} // namespace

void applyWindowState(Ui::TMainForm &ui, QAction &runProcedure, const WindowState &state)
{
    const bool open = state.mode != WindowMode::Disconnected;
    // Everything that writes to the port, or moves its lines, while nothing else does.
    const bool writing = state.mode == WindowMode::Connected;
    ui.cbPort->setEnabled(!open);
    ui.btnConnect->setEnabled(!open);
    ui.btnDisconnect->setEnabled(writing);
    // Switching the rate writes to the drive while connected; before, it only picks the rate.
    ui.cbBaudRate->setEnabled(state.mode != WindowMode::Busy);
    for (QWidget *w :
        std::initializer_list<QWidget *> {ui.Edit1, ui.btnSend, ui.cbSetRTS, ui.cbSetDTR})
        w->setEnabled(writing);
    for (QWidget *w : std::initializer_list<QWidget *> {ui.btnClear, ui.cbCRLF, ui.Memo1})
        w->setEnabled(open);
    // The fields keep their colour while an upload has them greyed out for a moment.
    setFieldColour(ui.Edit1, open);
    setFieldColour(ui.Memo1, open);
    // The menu widget itself: the menu bar drops down only a menu whose widget is enabled, and
    // enabling the widget enables its entry in the bar as well.
    for (QMenu *menu : {ui.Send1, ui.SMART1, ui.N20, ui.N10, ui.N28})
        menu->setEnabled(writing);
    for (QAction *item : {ui.overley1, ui.CERT1, &runProcedure})
        item->setEnabled(writing);
    // Deleting a record of a table that may not be written would only fail.
    ui.N24->setEnabled(!state.tableReadOnly);
}

} // namespace kelvane
