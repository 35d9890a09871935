// The whole program offscreen, with a pseudo-terminal published as its only serial port: the test
// plays the drive on the pty's other end and reads the bytes the program puts on the wire. On
// Windows, which has no pseudo-terminals, the only port is COM9 under a registry key of the
// test's own, and the wire is a fake device's (FakeWire); each test starts with the user's
// folders empty there too.
#pragma once

#include "app/main_window.h"
#include "app/program.h"
#include "support/gui/command_table.h"
#include "support/gui/menu_clicks.h"
#include "support/gui/scripted_dialogs.h"
#include "terminal/terminal_pane.h"
#ifdef _WIN32
#include "support/fake_wire.h"
#else
#include "support/pty_pair.h"
#endif

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>
#ifdef _WIN32
#include <windows.h>
#endif

namespace kelvane {

#ifdef _WIN32
using DriveWire = FakeWire;

inline std::string drivePortPath(const std::filesystem::path &)
{
    return "COM9";
}

// Lists the one port under a registry key of the test's own, and empties the user's folders
// (QStandardPaths' test folders, kept apart per test program by the tests' main()).
inline void publishDrivePort(const std::filesystem::path &, PortInventory &inventory, FakeWire &)
{
    inventory.registryKey
        = "Software\\Kelvane\\ProgramTest-" + std::to_string(GetCurrentProcessId());
    const std::wstring key = QString::fromStdString(inventory.registryKey).toStdWString();
    const std::wstring name = L"COM9";
    HKEY opened = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                  &opened, nullptr),
        ERROR_SUCCESS);
    const LONG set = RegSetValueExW(opened, L"\\Device\\KelvaneWire", 0, REG_SZ,
        reinterpret_cast<const BYTE *>(name.c_str()),
        static_cast<DWORD>((name.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(opened);
    ASSERT_EQ(set, ERROR_SUCCESS);
    ASSERT_TRUE(QStandardPaths::isTestModeEnabled());
    for (const auto place : {QStandardPaths::AppDataLocation, QStandardPaths::AppLocalDataLocation})
        std::filesystem::remove_all(QStandardPaths::writableLocation(place).toStdU16String());
}

inline void withdrawDrivePort(const PortInventory &inventory)
{
    RegDeleteTreeW(
        HKEY_LOCAL_MACHINE, QString::fromStdString(inventory.registryKey).toStdWString().c_str());
}

// The port opens on the fake wire unless a test brings its own device.
inline DeviceOpener driveOpener(FakeWire &wire)
{
    return wire.opener();
}
#else
using DriveWire = PtyPair;

inline std::string drivePortPath(const std::filesystem::path &root)
{
    return (root / "ports" / "drive").string();
}

// The pty as the only port: a fake machine's tty inventory, and its link in the virtual ports
// folder.
inline void publishDrivePort(
    const std::filesystem::path &root, PortInventory &inventory, PtyPair &pty)
{
    std::filesystem::create_directories(root / "class");
    inventory.ttyClass = (root / "class").string();
    inventory.virtualPorts = (root / "ports").string();
    ASSERT_TRUE(makeVirtualPortsFolder(inventory.virtualPorts));
    std::filesystem::create_symlink(pty.slavePath(), drivePortPath(root));
}

inline void withdrawDrivePort(const PortInventory &) { }

inline DeviceOpener driveOpener(PtyPair &)
{
    return {};
}
#endif

class ProgramTest : public ::testing::Test
{
public:
    std::filesystem::path root;
    ProgramEnvironment environment;
    PortInventory &inventory = environment.inventory;
    DriveWire pty;
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
        publishDrivePort(root, inventory, pty);
        // The user's data folder is the test's own, so no table of the machine's user is found.
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString((root / "data").string()));
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
        withdrawDrivePort(inventory);
    }

    std::string portPath() const { return drivePortPath(root); }

    // Creates the program and shows its main window, as the program's start does.
    void start(DeviceOpener opener = {})
    {
        environment.opener = opener ? std::move(opener) : driveOpener(pty);
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
