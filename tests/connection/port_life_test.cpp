// Ports that come and go while the program runs: adapters listed by what they are, the list
// following the machine, a lost connection coming back by itself, and the ModemManager notice.
#include "app/start_options.h"
#include "connection/modem_manager_notice.h"
#include "connection/port_return.h"
#include "framework/cp1251_text.h"
#include "serial/tty_settings.h"
#include "support/fake_machine.h"
#include "support/gui/program_fixture.h"

#include <QAbstractItemView>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>

using namespace kelvane;

namespace {

using namespace std::chrono_literals;

class PortLifeTest : public ProgramTest
{
public:
    // The drive's side of the port behind the port's stable name: a new one is the device back.
    std::unique_ptr<PtyPair> drive;

    void plugIn(const std::string &link)
    {
        drive = std::make_unique<PtyPair>();
        std::filesystem::remove(link);
        std::filesystem::create_symlink(drive->slavePath(), link);
    }

    QComboBox *ports() { return child<QComboBox>("cbPort"); }
    QString deviceField() { return child<QLabel>("PortDevice")->text(); }

    void click(QWidget *w) { QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center()); }

    // Picks the box's entry `text` with the keyboard, as a user does in the opened list.
    void pickPort(const QString &text)
    {
        click(ports());
        QAbstractItemView *list = ports()->view();
        const int at = ports()->findText(text);
        ASSERT_GE(at, 0) << text.toStdString() << " not in " << [&] {
            QStringList shown;
            for (int i = 0; i < ports()->count(); ++i)
                shown << ports()->itemText(i);
            return shown.join(", ").toStdString();
        }();
        QTest::keyClick(list, Qt::Key_Home);
        for (int i = 0; i < at; ++i)
            QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Return);
        ASSERT_EQ(ports()->currentText(), text);
    }

    // Waits until the box lists the port `name` with `device` behind it (its tool tip says both).
    bool listed(const std::string &name, const std::string &device)
    {
        return QTest::qWaitFor([&] {
            const int at = ports()->findData(QString::fromStdString(name));
            return at >= 0
                && ports()->itemData(at, Qt::ToolTipRole).toString().endsWith(device.c_str());
        });
    }

    bool paneHas(const QString &text)
    {
        return Memo1()->bytes().find(toCp1251(text)) != std::string::npos;
    }
};

TEST_F(PortLifeTest, LostPortComesBackUnderItsNameAndTheSessionGoesOnAsItWas)
{
    start();
    QLineEdit *rate = rates()->lineEdit();
    click(rate);
    QTest::keyClick(rate, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(rate, "9600");
    plugIn(portPath());
    connect();
    click(box("cbSetDTR")); // the user cleared DTR; the adapter needs it back after the loss
    drive->Write("ok>");
    ASSERT_TRUE(paneShows("ok>"));
    const QString port = QString::fromStdString(portPath());

    drive->closeMaster();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form->BComPort1.IsOpen(); }));
    const QString lost = "Связь с портом " + port + " потеряна, ожидание его возвращения";
    EXPECT_EQ(form->statusText(), lost);
    EXPECT_TRUE(paneHas("ok>\r\n" + lost + "\r\n"));
    EXPECT_TRUE(button("btnConnect")->isEnabled()) << "an ordinary disconnected window";
    EXPECT_TRUE(dialogs.messages.isEmpty()) << "no box stands over the wait";

    plugIn(portPath());
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->BComPort1.IsOpen(); }));
    EXPECT_TRUE(
        form->statusText().startsWith("Связь с портом " + port + " восстановлена, порта не было "))
        << form->statusText().toStdString();
    EXPECT_TRUE(paneHas(form->statusText() + "\r\n"));
    EXPECT_EQ(drive->readUntilQuiet(200ms), "") << "nothing is written to the drive";
    uint32_t speed = 0;
    ASSERT_TRUE(readTtySpeed(drive->master(), speed));
    EXPECT_EQ(speed, 9600u);
    for (const char *line : {"cbSetDTR", "cbSetRTS"})
        EXPECT_TRUE(box(line)->isChecked() && box(line)->isEnabled()) << line;
    EXPECT_FALSE(ports()->isEnabled());
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("; ").toStdString();
    // The session that came back is journalled as a connection of its own: in the same file when
    // it began within the second of the loss, in the next one (by name, by time) otherwise.
    QString journalled;
    const QFileInfoList files = QDir(QFileInfo(program->journal().currentFile()).path())
                                    .entryInfoList(QDir::Files, QDir::Name);
    for (const QFileInfo &file : files) {
        QFile journal(file.filePath());
        ASSERT_TRUE(journal.open(QIODevice::ReadOnly));
        journalled += QString::fromUtf8(journal.readAll());
    }
    EXPECT_GT(journalled.indexOf(
                  " Соединение: " + port + ", 9600 бит/с\n", journalled.indexOf(" Связь потеряна")),
        0)
        << journalled.toStdString();

    QTest::keyClicks(Edit1(), "N1");
    QTest::keyClick(Edit1(), Qt::Key_Return);
    EXPECT_EQ(drive->Read(3), "N1\r");
}

TEST_F(PortLifeTest, PulledAdapterPluggedBackIsReconnectedUnderItsStableName)
{
    FakeMachine machine(root / "machine", inventory);
    auto first = std::make_unique<PtyPair>();
    const UsbAdapter ftdi {.tty = "ttyUSB0"};
    const std::string name = machine.plug(ftdi, first->slavePath());
    start();
    connect();
    EXPECT_EQ(form->BComPort1.Port(), name);

    machine.unplug(ftdi);
    first->closeMaster();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form->BComPort1.IsOpen(); }));
    EXPECT_EQ(form->statusText(),
        "Связь с портом FT232R USB UART (A50285BI) потеряна, ожидание его возвращения");

    PtyPair second;
    machine.plug(ftdi, second.slavePath());
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->BComPort1.IsOpen(); }));
    EXPECT_EQ(form->BComPort1.Port(), name);
    EXPECT_TRUE(form->statusText().startsWith(
        "Связь с портом FT232R USB UART (A50285BI) восстановлена, порта не было "));
    EXPECT_EQ(second.readUntilQuiet(200ms), "") << "nothing is written to the drive";
    EXPECT_TRUE(dialogs.messages.isEmpty() && dialogs.errors.isEmpty());
}

// Whatever the user does with the connection wins over a port that comes back.
TEST_F(PortLifeTest, NoReconnectAfterDisconnectAnotherPortOrWithTheBoxCleared)
{
    PtyPair otherDrive;
    const std::string other = (root / "ports" / "other").string();
    std::filesystem::create_symlink(otherDrive.slavePath(), other);
    start();
    const auto comesBack = [&] {
        plugIn(portPath());
        // The list shows the new device behind the name: the watch has seen it.
        EXPECT_TRUE(listed(portPath(), drive->slavePath()));
        QCoreApplication::processEvents();
        EXPECT_FALSE(form->BComPort1.IsOpen());
    };
    {
        SCOPED_TRACE("Разорвать");
        plugIn(portPath());
        connect();
        click(button("btnDisconnect"));
        comesBack();
    }
    {
        SCOPED_TRACE("another port picked while waiting");
        pickPort(QString::fromStdString(portPath()));
        connect();
        drive->closeMaster();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !form->BComPort1.IsOpen(); }));
        pickPort(QString::fromStdString(other));
        comesBack();
    }
    {
        SCOPED_TRACE("box cleared");
        pickPort(QString::fromStdString(portPath()));
        click(box("cbReconnect"));
        connect();
        drive->closeMaster();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !dialogs.messages.isEmpty(); }));
        EXPECT_EQ(dialogs.messages.size(), 1);
        comesBack();
    }
}

TEST_F(PortLifeTest, AdaptersAreListedByWhatTheyAreAsTheyComeAndGo)
{
    FakeMachine machine(root / "machine", inventory);
    machine.publish("drive", pty.slavePath());
    start();
    ASSERT_EQ(ports()->count(), 1);
    PtyPair first, second;
    const UsbAdapter ftdi {.tty = "ttyUSB0"};
    const UsbAdapter ch340 {.tty = "ttyUSB1",
        .vendorId = "1a86",
        .productId = "7523",
        .manufacturer = "",
        .product = "USB Serial",
        .serial = ""};
    const std::string ftdiName = machine.plug(ftdi, first.slavePath());
    const QString ftdiText = "FT232R USB UART (A50285BI)";
    const QString ftdiDevice = QString::fromStdString(inventory.devices + "/ttyUSB0");
    ASSERT_TRUE(QTest::qWaitFor([&] { return ports()->count() == 2; }));
    EXPECT_EQ(form->statusText(), "Подключён адаптер " + ftdiText + " (" + ftdiDevice + ")");
    EXPECT_EQ(ports()->itemText(0), ftdiText);

    pickPort(ftdiText);
    EXPECT_EQ(deviceField(), ftdiDevice);
    EXPECT_EQ(ports()->toolTip(), QString::fromStdString(ftdiName) + "\n" + ftdiDevice);
    connect();
    EXPECT_EQ(form->BComPort1.Port(), ftdiName) << "the stable name is what is opened";

    machine.plug(ch340, second.slavePath());
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->statusText().contains("USB Serial"); }));
    EXPECT_EQ(form->statusText(),
        "Подключён адаптер USB Serial (ttyUSB1) ("
            + QString::fromStdString(inventory.devices + "/ttyUSB1") + ")");
    EXPECT_EQ(ports()->count(), 2) << "the box stays as it is while connected";
    EXPECT_EQ(ports()->currentText(), ftdiText);

    click(button("btnDisconnect"));
    machine.unplug(ftdi);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return ports()->count() == 2 && ports()->findText(ftdiText) < 0; }));
    EXPECT_EQ(ports()->itemText(0), "USB Serial (ttyUSB1)");
}

TEST_F(PortLifeTest, PortNamedOnTheCommandLineStaysChosenThroughEveryRefresh)
{
    FakeMachine machine(root / "machine", inventory);
    machine.publish("drive", pty.slavePath());
    start();
    PtyPair unlisted, adapter;
    const std::string named = unlisted.slavePath();
    applyStartOptions(*form, {.port = named});
    ASSERT_EQ(ports()->currentText().toStdString(), named);

    click(ports()); // opening the list reads the ports again
    QTest::keyClick(ports()->view(), Qt::Key_Escape);
    machine.plug(UsbAdapter {.tty = "ttyUSB0"}, adapter.slavePath());
    ASSERT_TRUE(QTest::qWaitFor([&] { return ports()->count() == 3; }));
    EXPECT_EQ(ports()->currentText().toStdString(), named) << "not changed under the user's feet";
    connect();
    EXPECT_EQ(form->BComPort1.Port(), named);
}

TEST_F(PortLifeTest, ModemManagerIsToldOfOncePerAdapterWithItsRule)
{
    bool running = true;
    environment.modemManagerRunning = [&] { return running; };
    FakeMachine machine(root / "machine", inventory);
    PtyPair first, second, third;
    const UsbAdapter ftdi {.tty = "ttyUSB0"};
    const UsbAdapter ignored {.tty = "ttyUSB1", .serial = "B0001", .modemManagerIgnores = true};
    const UsbAdapter ch340 {
        .tty = "ttyUSB2", .vendorId = "1a86", .productId = "7523", .serial = "C1"};
    machine.plug(ftdi, first.slavePath());
    machine.plug(ignored, second.slavePath());
    machine.plug(ch340, third.slavePath());
    const std::string drivePort = machine.publish("drive", pty.slavePath());
    start();
    const auto connectTo = [&](const char *text) {
        pickPort(text);
        connect();
        QString rule;
        for (QDialog *notice : form->findChildren<QDialog *>("ModemManagerNotice"))
            if (notice->isVisible()) {
                rule += notice->findChild<QPlainTextEdit *>("ModemManagerRule")->toPlainText();
                click(notice->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Close));
            }
        click(button("btnDisconnect"));
        return rule;
    };
    EXPECT_EQ(connectTo("FT232R USB UART (A50285BI)"),
        R"(ATTRS{idVendor}=="0403", ATTRS{idProduct}=="6001", ENV{ID_MM_DEVICE_IGNORE}="1")");
    EXPECT_EQ(connectTo("FT232R USB UART (A50285BI)"), "") << "told once";
    EXPECT_EQ(connectTo("FT232R USB UART (B0001)"), "") << "udev keeps ModemManager off it";
    running = false;
    EXPECT_EQ(connectTo("FT232R USB UART (C1)"), "") << "no ModemManager";
    running = true;
    EXPECT_EQ(connectTo("FT232R USB UART (C1)"),
        R"(ATTRS{idVendor}=="1a86", ATTRS{idProduct}=="7523", ENV{ID_MM_DEVICE_IGNORE}="1")");
    EXPECT_EQ(connectTo(drivePort.c_str()), "") << "not a USB adapter";
}

TEST(PortReturnTest, GoneTimeIsSaidInTenthsThenMinutesThenHours)
{
    EXPECT_EQ(durationText(0ms), "0,0 с");
    EXPECT_EQ(durationText(59999ms), "59,9 с");
    EXPECT_EQ(durationText(60s), "1 мин 00 с");
    EXPECT_EQ(durationText(3599s), "59 мин 59 с");
    EXPECT_EQ(durationText(3600s + 61s), "1 ч 01 мин");
}

} // namespace
