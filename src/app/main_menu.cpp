#include "app/main_menu.h"

#include "app/about_box.h"
#include "app/main_window.h"
#include "app/wiring_window.h"
#include "cmdtable/command_editor_dialog.h"
#include "cmdtable/run_command_dialog.h"
#include "commands/drive_type_dialog.h"
#include "commands/factory_test_dialog.h"
#include "commands/free_level_dialog.h"
#include "commands/head_dialog.h"
#include "commands/head_positioning_dialog.h"
#include "framework/dialogs.h"

#include <QCoreApplication>
#include <QDir>
#include <QMenu>
#include <QMenuBar>

namespace kelvane {

namespace {

template<auto Window> void opens(TMainForm &, const ProgramWindows &windows)
{
    if (QDialog *window = windows.*Window)
        window->exec();
}

QAction *findIn(const QWidget &menu, const QString &name)
{
    for (QAction *item : menu.actions()) {
        if (item->objectName() == name)
            return item;
        if (item->menu())
            if (QAction *found = findIn(*item->menu(), name))
                return found;
    }
    return nullptr;
}

} // namespace

std::span<const MenuItem> mainMenuItems()
{
    static constexpr MenuItem Items[] = {
        {"Exit1", "Exit1Click", [](TMainForm &form, const ProgramWindows &) { form.close(); }},
        {"About1", "About1Click", opens<&ProgramWindows::AboutBox>},
        {"N19", "N19Click", opens<&ProgramWindows::Form7>},
        {"Open1", "Open1Click",
            [](TMainForm &form, const ProgramWindows &) {
                // The item is hidden; were it shown, the choice would not be used.
                QString fileName;
                Dialogs::current().openFile(&form,
                    QCoreApplication::translate("kelvane::MainMenu", "All Files (*)"),
                    QDir::homePath(), fileName);
            }},
        {"N22", "N22Click", opens<&ProgramWindows::command>},
        // At once, without asking.
        {"N24", "N24Click", [](TMainForm &form, const ProgramWindows &) { form.Dbf1.Delete(); }},
        {"N23", "N23Click", opens<&ProgramWindows::command2>},
        {"N13", "N13Click", opens<&ProgramWindows::Form1>},
        {"N15", "N15Click", opens<&ProgramWindows::Golovka>},
        {"N16", "N16Click", opens<&ProgramWindows::golovki>},
        {"N29", "N29Click",
            [](TMainForm &form, const ProgramWindows &windows) {
                // "W" follows however the dialog was closed, with no level line before it.
                windows.golovki->exec();
                form.BComPort1.SendText("W");
            }},
        {"HeadPosition1", "HeadPosition1Click", opens<&ProgramWindows::golovka2>},
        {"UserLevel1", "UserLevel1Click", opens<&ProgramWindows::userlevel>},
        {"overley1", "overley1Click",
            [](TMainForm &form, const ProgramWindows &) {
                form.upload().run(UploadKind::Overlay);
            }},
        {"CERT1", "CERT1Click",
            [](TMainForm &form, const ProgramWindows &) {
                form.upload().run(UploadKind::CertTable);
            }},
        {"SelfScan1", "SelfScan1Click",
            [](TMainForm &form, const ProgramWindows &) {
                form.BComPort1.SendText("/T");
                Dialogs::current().message(&form,
                    QCoreApplication::translate("kelvane::MainMenu",
                        "Внимание выбранная операция (Seagate selfscan) требует поддержку "
                        "электропитания накопителя во время прохождения всего теста. В "
                        "зависимости от модели накопителя это может занять до 72 часов."));
                form.BComPort1.SendText("N2,,22");
            }},
    };
    return Items;
}

QAction *findMenuItem(const QMenuBar &bar, const char *name)
{
    return findIn(bar, QString::fromLatin1(name));
}

} // namespace kelvane
