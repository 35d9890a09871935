// The whole program on a COM port that Wine maps to the Linux virtual drive (with_drive_port.sh):
// the port box lists the port, "Соеденить" opens it through the Win32 device layer, and the
// menus' bytes reach the drive as they do on Linux, read in the drive's log of what it received.
#include "app/main_window.h"
#include "app/program.h"
#include "app/start_options.h"
#include "support/gui/menu_clicks.h"
#include "support/gui/scripted_dialogs.h"

#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <filesystem>
#include <gtest/gtest.h>
#include <windows.h>

using namespace kelvane;

namespace {

namespace fs = std::filesystem;

QString driveLog()
{
    QFile log(qEnvironmentVariable("KELVANE_WINE_DRIVE_LOG"));
    return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
}

TEST(ProgramOnComPortTest, TheMenusSendTheirBytesToTheDriveOnTheMappedPort)
{
    const QString port = qEnvironmentVariable("KELVANE_WINE_PORT");
    ASSERT_FALSE(port.isEmpty()) << "run by with_drive_port.sh";
    // The program's default table, in a folder of the test's own beside the "program".
    const fs::path folder
        = fs::path(::testing::TempDir()) / ("kelvane-com-" + std::to_string(GetCurrentProcessId()));
    fs::create_directories(folder);
    fs::copy_file(KELVANE_DEFAULT_TABLE, folder / "com.dbf", fs::copy_options::overwrite_existing);
    ProgramEnvironment environment;
    environment.programFolder = folder.string();
    ScriptedDialogs dialogs;
    ErrorDisplay errors;
    {
        Program program(errors, environment);
        TMainForm &form = program.MainForm();
        form.show();
        auto *box = form.parts().portField;
        ASSERT_GE(box->findData(port), 0) << "Wine lists its mapped port";
        applyStartOptions(form, {port.toStdString(), "", false, std::nullopt});
        QPushButton *connect = form.parts().connectButton;
        QTest::mouseClick(connect, Qt::LeftButton, {}, connect->rect().center());
        ASSERT_TRUE(form.BComPort1.IsOpen()) << dialogs.errors.join("; ").toStdString();

        ASSERT_TRUE(clickMenuItem(form, "N10", "N11"));
        EXPECT_TRUE(QTest::qWaitFor(
            [] { return driveLog().contains(QStringLiteral("принято \"/1\": уровень 1")); }, 10000))
            << driveLog().toStdString();
        ASSERT_TRUE(clickMenuItem(form, "SMART1", "N4"));
        EXPECT_TRUE(
            QTest::qWaitFor([] { return driveLog().contains(QStringLiteral("\"N1\"")); }, 10000))
            << driveLog().toStdString();
        EXPECT_EQ(dialogs.errors, QStringList());
    }
    fs::remove_all(folder);
}

} // namespace
