// The whole program offscreen, with a pseudo-terminal published as its only serial port: the test
// plays the drive on the pty's other end and reads the bytes the program puts on the wire.
#pragma once

#include "app/main_window.h"
#include "app/program.h"
#include "support/gui/command_table.h"
#include "support/gui/menu_clicks.h"
#include "support/gui/scripted_dialogs.h"
#include "support/pty_pair.h"
#include "terminal/terminal_pane.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

namespace kelvane {

class ProgramTest : public ::testing::Test
{
public:
    std::filesystem::path root;
    ProgramEnvironment environment;
    PortInventory &inventory = environment.inventory;
    PtyPair pty;
    ScriptedDialogs dialogs;
    ErrorDisplay errors;
    std::unique_ptr<Program> program;
    TMainForm *form = nullptr;

    void SetUp() override
    {
        root = std::filesystem::path(::testing::TempDir())
            / ("kelvane-app-" + std::to_string(getpid()) + "-"
                + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(root);
        // Settings, history and journal of each test stay in its own folder.
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString((root / "config").string()));
        qputenv("XDG_STATE_HOME", QByteArray::fromStdString((root / "state").string()));
        std::filesystem::create_directories(root / "class");
        inventory.ttyClass = (root / "class").string();
        inventory.virtualPorts = (root / "ports").string();
        ASSERT_TRUE(makeVirtualPortsFolder(inventory.virtualPorts));
        std::filesystem::create_symlink(pty.slavePath(), portPath());
        // The user's data folder is the test's own, so no table of the machine's user is found.
        setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
        // The command table is found in the program's folder (the current one has none).
        environment.programFolder = (root / "program").string();
        // No test machine's ModemManager: the tests that want it say it runs.
        environment.modemManagerRunning = [] { return false; };
        std::filesystem::create_directories(environment.programFolder);
        writeCommandTable(tablePath(),
            {{"Тип и версия ПЗУ", "M", "1"}, {"Остановить шпиндель", "Z", "2"},
                {"Чтение служебной дорожки", "R", "T"}});
    }

    std::string tablePath() const { return environment.programFolder + "/com.dbf"; }

    void TearDown() override
    {
        program.reset();
        std::filesystem::remove_all(root);
    }

    std::string portPath() const { return (root / "ports" / "drive").string(); }

    // Creates the program and shows its main window, as the program's start does.
    void start(DeviceOpener opener = {})
    {
        environment.opener = std::move(opener);
        program = std::make_unique<Program>(errors, environment);
        form = &program->MainForm();
        form->show();
        QCoreApplication::processEvents();
    }

    template<typename T> T *child(const char *name)
    {
        T *found = form->findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    QPushButton *button(const char *name) { return child<QPushButton>(name); }
    QCheckBox *box(const char *name) { return child<QCheckBox>(name); }
    QLineEdit *Edit1() { return child<QLineEdit>("Edit1"); }
    TerminalPane *Memo1() { return child<TerminalPane>("Memo1"); }
    QComboBox *rates() { return child<QComboBox>("cbBaudRate"); }
    QAction *menuItem(const char *name) { return child<QAction>(name); }
    QAction *menuEntry(const char *name) { return child<QMenu>(name)->menuAction(); }

    // Opens `menu` with a click on its entry in the menu bar and clicks `item` in its popup.
    void chooseFromMenu(const char *menu, const char *item)
    {
        ASSERT_TRUE(clickMenuItem(*form, menu, item)) << menu << " did not drop down with " << item;
    }

    void connect()
    {
        button("btnConnect")->click();
        ASSERT_TRUE(form->BComPort1.IsOpen()) << dialogs.errors.join("; ").toStdString();
    }

    void disconnect() { button("btnDisconnect")->click(); }

    // What the program wrote to the drive since the last look.
    std::string wireText() { return pty.readUntilQuiet(std::chrono::milliseconds(100)); }

    // Triggers `action`, which shows a modal window, and runs `interact` on that window once
    // it is up (for example filling fields and pressing a button that closes it).
    template<typename Window>
    bool withModal(QAction *action, const std::function<void(Window *)> &interact)
    {
        bool ran = false;
        QTimer::singleShot(0, [&] {
            auto *window = qobject_cast<Window *>(QApplication::activeModalWidget());
            EXPECT_NE(window, nullptr) << "no modal window of the expected kind";
            if (window) {
                interact(window);
                ran = true;
            }
        });
        action->trigger();
        return ran;
    }

    // Clicks `item` of `menu` (see chooseFromMenu), which shows a modal window, and runs
    // `interact` on that window once it is up.
    template<typename Window>
    bool chooseModal(
        const char *menu, const char *item, const std::function<void(Window *)> &interact)
    {
        bool ran = false;
        QTimer::singleShot(0, [&] {
            auto *window = qobject_cast<Window *>(QApplication::activeModalWidget());
            EXPECT_NE(window, nullptr) << "no modal window of the expected kind";
            if (window) {
                interact(window);
                ran = true;
            }
        });
        chooseFromMenu(menu, item);
        return ran;
    }

    // Waits, serving the event loop, until the pane holds `bytes` and shows them.
    bool paneShows(const std::string &bytes)
    {
        // Held, and on the screen: the pane shows what came within a frame with the next one.
        return QTest::qWaitFor(
            [&] { return Memo1()->bytes() == bytes && !Memo1()->refreshPending(); }, 5000);
    }
};

} // namespace kelvane
