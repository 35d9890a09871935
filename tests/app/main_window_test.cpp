// The main window: start-up, connection states, sending, receiving, the rate switch, the lamps.
#include "commands/free_level_dialog.h"
#include "framework/cp1251_text.h"
#include "serial/tty_settings.h"
#include "support/fake_device.h"
#include "support/gui/program_fixture.h"
#include "support/pumped_main_thread.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <fstream>
#include <map>
#include <thread>

using namespace kelvane;

namespace {

using namespace std::chrono_literals;

// Every control of the connection state table: enabled, and checked for the check boxes.
std::map<std::string, std::string> controlStates(ProgramTest &t)
{
    std::map<std::string, std::string> states;
    for (const char *name : {"cbPort", "cbBaudRate", "btnConnect", "btnDisconnect", "cbSetRTS",
             "cbSetDTR", "Edit1", "btnSend", "btnClear", "cbCRLF", "Memo1"}) {
        QWidget *w = t.child<QWidget>(name);
        std::string state = w->isEnabled() ? "on" : "off";
        if (auto *box = qobject_cast<QCheckBox *>(w))
            state += box->isChecked() ? ",checked" : ",clear";
        states[name] = state;
    }
    for (const char *menu : {"N10", "Send1", "N28", "SMART1", "N20", "File1", "Help1"})
        states[menu] = t.menuEntry(menu)->isEnabled() ? "on" : "off";
    for (const char *item : {"overley1", "CERT1"})
        states[item] = t.menuItem(item)->isEnabled() ? "on" : "off";
    return states;
}

const std::map<std::string, std::string> Disconnected = {
    {"cbPort", "on"},
    {"cbBaudRate", "on"},
    {"btnConnect", "on"},
    {"btnDisconnect", "off"},
    {"cbSetRTS", "off,checked"},
    {"cbSetDTR", "off,checked"},
    {"Edit1", "off"},
    {"btnSend", "off"},
    {"btnClear", "off"},
    {"cbCRLF", "off,checked"},
    {"Memo1", "off"},
    {"N10", "off"},
    {"Send1", "off"},
    {"N28", "off"},
    {"SMART1", "off"},
    {"N20", "off"},
    {"File1", "on"},
    {"Help1", "on"},
    {"overley1", "off"},
    {"CERT1", "off"},
};

const std::map<std::string, std::string> Connected = {
    {"cbPort", "off"},
    {"cbBaudRate", "on"},
    {"btnConnect", "off"},
    {"btnDisconnect", "on"},
    {"cbSetRTS", "on,checked"},
    {"cbSetDTR", "on,checked"},
    {"Edit1", "on"},
    {"btnSend", "on"},
    {"btnClear", "on"},
    {"cbCRLF", "on,checked"},
    {"Memo1", "on"},
    {"N10", "on"},
    {"Send1", "on"},
    {"N28", "on"},
    {"SMART1", "on"},
    {"N20", "on"},
    {"File1", "on"},
    {"Help1", "on"},
    {"overley1", "on"},
    {"CERT1", "on"},
};

QColor baseColour(QWidget *w)
{
    return w->palette().color(QPalette::Base);
}

TEST_F(ProgramTest, StartsDisconnectedWithTheFirstPortAndRate57600)
{
    start();
    EXPECT_EQ(form->windowTitle(), "Kelvane 0.99b rev 4");
    EXPECT_EQ(QApplication::applicationName(), "Kelvane");
    EXPECT_EQ(controlStates(*this), Disconnected);
    EXPECT_EQ(child<QComboBox>("cbPort")->currentText().toStdString(), portPath());
    EXPECT_EQ(rates()->currentText(), "57600");
    EXPECT_EQ(rates()->currentIndex(), 6);
    EXPECT_EQ(form->statusText(), "Программа загружена нормально");
    EXPECT_FALSE(form->ctsLamp() || form->dsrLamp() || form->rlsdLamp());
    EXPECT_TRUE(dialogs.errors.isEmpty());
    EXPECT_EQ(wireText(), "") << "nothing is written at start";
    const QColor face = QApplication::palette().color(QPalette::Button);
    EXPECT_EQ(baseColour(Edit1()), face);
    EXPECT_EQ(baseColour(Memo1()), face);
}

TEST_F(ProgramTest, ClientAreaOpensAtItsLaidOutSizeAndTheMenusAreInTheirPlace)
{
    start();
    EXPECT_EQ(form->centralWidget()->height() + form->statusBar()->height(), 438);
    EXPECT_EQ(form->width(), 568);
    EXPECT_EQ(form->minimumSize(), form->size()) << "the laid-out size is the smallest";
    QStringList titles;
    for (QAction *a : form->menuBar()->actions())
        titles << a->text();
    EXPECT_EQ(titles,
        QStringList(
            {"Файл", "Уровень", "Команды", "Операции", "SMART", "Таблица", "Вид", "Помощь"}));
    QStringList visibleFileItems;
    for (QAction *a : child<QMenu>("File1")->actions())
        if (a->isVisible())
            visibleFileItems << a->text();
    EXPECT_EQ(visibleFileItems,
        QStringList({"Выполнить процедуру...", "", "Сохранить текст терминала...",
            "Открыть папку журналов", "Настройки...", "", "Выход"}));
    EXPECT_EQ(menuItem("N1")->text(), "Переход на уровень \"Т\" (Certification test)");
    EXPECT_EQ(menuItem("N9")->text(), "G-List ");
    for (const char *lamp : {"Image1", "Image2", "Image3", "Label3", "Label4", "Label5"})
        EXPECT_FALSE(child<QLabel>(lamp)->isVisible()) << lamp;
}

TEST_F(ProgramTest, EmptyInventoryGivesAnEmptyPortBoxAndNoError)
{
    std::filesystem::remove(portPath());
    start();
    EXPECT_EQ(child<QComboBox>("cbPort")->count(), 0);
    EXPECT_TRUE(dialogs.errors.isEmpty());
    EXPECT_EQ(rates()->currentText(), "57600");
}

TEST_F(ProgramTest, FailingInventoryShowsTheMessageAndSkipsTheRestOfCreation)
{
    inventory.ttyClass = (root / "no-such-inventory").string();
    start();
    EXPECT_EQ(dialogs.errors, QStringList {"Ошибка обращения к системному реестру"});
    EXPECT_EQ(child<QComboBox>("cbPort")->count(), 0);
    EXPECT_EQ(rates()->currentText(), "115200");
    EXPECT_EQ(rates()->currentIndex(), -1);
    EXPECT_TRUE(form->isVisible()) << "the window still opens";
}

TEST_F(ProgramTest, ConnectAndDisconnectSetTheControlsAndWriteNothing)
{
    start();
    connect();
    EXPECT_EQ(controlStates(*this), Connected);
    EXPECT_EQ(form->statusText(), "Связь установлена, терминал ожидает ввода команд");
    EXPECT_EQ(QApplication::focusWidget(), Edit1());
    EXPECT_EQ(baseColour(Edit1()), QApplication::palette().color(QPalette::Base));
    EXPECT_EQ(baseColour(Memo1()), QApplication::palette().color(QPalette::Base));
    EXPECT_EQ(wireText(), "");

    disconnect();
    EXPECT_FALSE(form->BComPort1.IsOpen());
    EXPECT_EQ(controlStates(*this), Disconnected);
    EXPECT_EQ(form->statusText(), "Связь завершена");
    EXPECT_EQ(baseColour(Edit1()), QApplication::palette().color(QPalette::Button));
    EXPECT_EQ(wireText(), "");
}

TEST_F(ProgramTest, ConnectChecksSetRtsAndSetDtrEvenWhenTheyWereCleared)
{
    start();
    connect();
    box("cbSetRTS")->click();
    box("cbSetDTR")->click();
    EXPECT_FALSE(box("cbSetRTS")->isChecked());
    disconnect();
    EXPECT_EQ(controlStates(*this).at("cbSetRTS"), "off,clear") << "the check is kept";
    connect();
    EXPECT_TRUE(box("cbSetRTS")->isChecked());
    EXPECT_TRUE(box("cbSetDTR")->isChecked());
}

TEST_F(ProgramTest, EnterSendsTheLineWithCrAndTheButtonWithout)
{
    start();
    connect();
    QTest::keyClicks(Edit1(), "N1");
    QTest::keyClick(Edit1(), Qt::Key_Return);
    EXPECT_EQ(wireText(), "N1\r");
    EXPECT_EQ(Edit1()->text(), "");
    EXPECT_EQ(form->statusText(), "Связь установлена, терминал ожидает ввода команд");

    QTest::keyClicks(Edit1(), "N1");
    button("btnSend")->click();
    EXPECT_EQ(wireText(), "N1");
    EXPECT_EQ(Edit1()->text(), "");
    EXPECT_EQ(form->statusText(), "Команда отправлена");
    EXPECT_EQ(QApplication::focusWidget(), Edit1());
}

TEST_F(ProgramTest, EmptyLineSendsOneCrWithEnterAndNothingWithTheButton)
{
    start();
    connect();
    QTest::keyClick(Edit1(), Qt::Key_Return);
    EXPECT_EQ(wireText(), "\r");
    form->setStatusText("x");
    button("btnSend")->click();
    EXPECT_EQ(wireText(), "");
    EXPECT_EQ(form->statusText(), "Команда отправлена");
    EXPECT_EQ(QApplication::focusWidget(), Edit1());
}

TEST_F(ProgramTest, TypedCyrillicGoesOutInWindows1251AndComesBackAsCyrillic)
{
    start();
    connect();
    Edit1()->insert(QStringLiteral("Привет ёЁ")); // QTest types ASCII only
    QTest::keyClick(Edit1(), Qt::Key_Return);
    EXPECT_EQ(wireText(), "\xCF\xF0\xE8\xE2\xE5\xF2 \xB8\xA8\r");
    pty.Write("\xC4\xE0\r\n");
    ASSERT_TRUE(paneShows("\xC4\xE0\r\n"));
    EXPECT_EQ(Memo1()->text(), "Да\r\n");
}

TEST_F(ProgramTest, ReceivedChunksFollowTheCrLfRule)
{
    start();
    connect();
    pty.Write("AB\r");
    ASSERT_TRUE(paneShows("AB\r\n"));
    pty.Write("C");
    ASSERT_TRUE(paneShows("AB\r\nC"));
    Memo1()->clear();
    pty.Write("AB\r\n");
    ASSERT_TRUE(paneShows("AB\r\n")) << "a chunk that ends in CR LF is left alone";
    Memo1()->clear();
    pty.Write("A\rB");
    ASSERT_TRUE(paneShows("A\rB")) << "a CR inside the chunk gets no LF";

    Memo1()->clear();
    box("cbCRLF")->click();
    pty.Write("AB\r");
    ASSERT_TRUE(paneShows("AB\r"));
    pty.Write("C");
    ASSERT_TRUE(paneShows("AB\rC"));
}

TEST_F(ProgramTest, PaneKeepsItsTextOverDisconnectAndAppendsAfterReconnect)
{
    start();
    connect();
    pty.Write("one");
    ASSERT_TRUE(paneShows("one"));
    disconnect();
    EXPECT_EQ(Memo1()->bytes(), "one");
    EXPECT_FALSE(Memo1()->isEnabled());
    connect();
    pty.Write("two");
    ASSERT_TRUE(paneShows("onetwo"));
    button("btnClear")->click();
    EXPECT_EQ(Memo1()->bytes(), "");
    EXPECT_EQ(form->statusText(), "Терминал очищен");
    EXPECT_EQ(QApplication::focusWidget(), Edit1());
}

TEST_F(ProgramTest, BusyPortShowsItsMessageAndLeavesTheWindowDisconnected)
{
    start();
    TBComPort other(program->windows().MainForm->BComPort1.mainThread());
    other.SetPort(portPath());
    ASSERT_TRUE(other.OpenPort());
    form->setStatusText("before");
    button("btnConnect")->click();
    EXPECT_EQ(dialogs.errors, QStringList {"Порт занят другой программой"});
    EXPECT_FALSE(form->BComPort1.IsOpen());
    EXPECT_EQ(controlStates(*this), Disconnected);
    EXPECT_EQ(form->statusText(), "before");
}

TEST_F(ProgramTest, PortListIsReadAgainEachTimeTheBoxOpens)
{
    // Device names of the fake inventory lead nowhere: no device of this machine is ever opened.
    inventory.devices = (root / "dev").string();
    const std::filesystem::path ttys = inventory.ttyClass;
    const auto addTty = [&](const std::string &name) {
        std::filesystem::create_directories(ttys / name);
        std::filesystem::create_directory_symlink(root, ttys / name / "device");
    };
    addTty("ttyS0"); // the system console
    std::filesystem::create_directories(ttys / "console");
    std::ofstream(ttys / "console" / "active") << "ttyS0\n";
    start();
    auto *box = child<QComboBox>("cbPort");
    // What a click on the box shows; the list is closed again with Esc.
    const auto dropDown = [&] {
        QTest::mouseClick(box, Qt::LeftButton);
        QStringList shown;
        if (QWidget *popup = QApplication::activePopupWidget()) {
            for (int i = 0; i < box->count(); ++i)
                shown << box->itemText(i);
            QTest::keyClick(popup, Qt::Key_Escape);
        }
        return shown;
    };
    const QString drive = QString::fromStdString(portPath());
    const QString adapter = QString::fromStdString(inventory.devices + "/ttyUSB0");
    EXPECT_EQ(dropDown(), QStringList {drive});

    addTty("ttyUSB0"); // an adapter plugged in
    EXPECT_EQ(dropDown(), QStringList({adapter, drive}));
    EXPECT_EQ(box->currentText(), drive) << "the chosen port is kept while it is listed";

    std::filesystem::remove(portPath()); // the chosen one goes away
    EXPECT_EQ(dropDown(), QStringList {adapter});
    EXPECT_EQ(box->currentText(), adapter);

    std::filesystem::create_symlink(pty.slavePath(), portPath());
    QTest::mouseClick(box, Qt::LeftButton); // and the new entry is picked in the list
    QTest::keyClick(box->view(), Qt::Key_Down);
    QTest::keyClick(box->view(), Qt::Key_Return);
    EXPECT_EQ(box->currentText(), drive);
    connect();
    std::filesystem::remove_all(ttys / "ttyUSB0");
    EXPECT_EQ(dropDown(), QStringList()) << "no list drops down while connected";
    EXPECT_EQ(box->count(), 2);
    EXPECT_EQ(box->currentText(), drive);
}

TEST_F(ProgramTest, PortChangeOnlySetsTheStatus)
{
    start();
    QComboBox *ports = child<QComboBox>("cbPort");
    emit ports->activated(0);
    EXPECT_EQ(form->statusText(), "Рабочий порт изменен");
    EXPECT_FALSE(form->BComPort1.IsOpen());
}

TEST_F(ProgramTest, EachRatePickedWhileConnectedTellsTheDriveThenMovesThePort)
{
    start();
    connect();
    const std::pair<const char *, uint32_t> entries[] = {
        {"B48", 4800},
        {"B96", 9600},
        {"B144", 14400},
        {"B192", 19200},
        {"B384", 38400},
        {"B576", 56000},
        {"B625", 57600},
        {"B1152", 115200},
    };
    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE(i);
        uint32_t before = 0;
        readTtySpeed(pty.master(), before);
        rates()->setCurrentIndex(i);
        // "/T" then the rate command, both written at the old rate, then the switch.
        EXPECT_EQ(wireText(), std::string("/T") + entries[i].first);
        uint32_t after = 0;
        ASSERT_TRUE(readTtySpeed(pty.master(), after));
        EXPECT_EQ(after, entries[i].second);
        EXPECT_EQ(form->statusText(), "Скорость передачи данных изменена");
    }
}

TEST_F(ProgramTest, SameRateAgainStillTellsTheDrive)
{
    start();
    connect();
    emit rates()->editTextChanged(rates()->currentText());
    EXPECT_EQ(wireText(), "/TB625");
    uint32_t speed = 0;
    ASSERT_TRUE(readTtySpeed(pty.master(), speed));
    EXPECT_EQ(speed, 57600u);
}

TEST_F(ProgramTest, TypingARateWritesLevelTOnEveryKeystrokeAndKeepsUnknownRates)
{
    start();
    connect();
    rates()->lineEdit()->clear();
    wireText();
    QTest::keyClicks(rates()->lineEdit(), "9600");
    EXPECT_EQ(wireText(), "/T/T/T/TB96") << "9, 96, 960 name no rate; 9600 does";
    uint32_t speed = 0;
    readTtySpeed(pty.master(), speed);
    EXPECT_EQ(speed, 9600u);
    QTest::keyClicks(rates()->lineEdit(), "0");
    EXPECT_EQ(wireText(), "/T");
    readTtySpeed(pty.master(), speed);
    EXPECT_EQ(speed, 9600u) << "96000 is no entry: the port stays where it was";
}

TEST_F(ProgramTest, RateTypedOverTheSelectedTextSwitchesOnlyWhenItIsComplete)
{
    start();
    connect();
    QLineEdit *rate = rates()->lineEdit();
    QTest::mouseClick(rate, Qt::LeftButton);
    QTest::keyClick(rate, Qt::Key_A, Qt::ControlModifier);
    std::vector<std::string> wire;
    std::vector<uint32_t> speeds;
    for (const char key : std::string("9600")) {
        QTest::keyClick(QApplication::focusWidget(), key);
        wire.push_back(wireText());
        uint32_t speed = 0;
        readTtySpeed(pty.master(), speed);
        speeds.push_back(speed);
    }
    EXPECT_EQ(rate->text(), "9600") << "no completion added to what was typed";
    EXPECT_EQ(wire, (std::vector<std::string> {"/T", "/T", "/T", "/TB96"}));
    EXPECT_EQ(speeds, (std::vector<uint32_t> {57600, 57600, 57600, 9600})) << "one switch";

    // Enter takes the text as it is and adds nothing to the list.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTest::keyClicks(QApplication::focusWidget(), "0");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(rates()->count(), 8);
    EXPECT_EQ(rate->text(), "96000");
}

TEST_F(ProgramTest, RatePickedWhileDisconnectedIsUsedAtTheNextConnect)
{
    start();
    rates()->setCurrentIndex(1);
    EXPECT_EQ(form->statusText(), "Скорость передачи данных изменена");
    EXPECT_TRUE(dialogs.errors.isEmpty());
    connect();
    EXPECT_EQ(wireText(), "");
    uint32_t speed = 0;
    ASSERT_TRUE(readTtySpeed(pty.master(), speed));
    EXPECT_EQ(speed, 9600u);
}

TEST_F(ProgramTest, LampsFollowTheModemLines)
{
    auto device = std::make_shared<FakeDeviceScript>();
    start(device->opener());
    device->setModemStatus(0x10 | 0x80); // CTS and RLSD on
    connect();
    EXPECT_TRUE(form->ctsLamp());
    EXPECT_FALSE(form->dsrLamp());
    EXPECT_TRUE(form->rlsdLamp());

    device->setModemStatus(0x20); // CTS off, DSR on
    device->queueEvent(8 | 16);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form->ctsLamp() && form->dsrLamp(); }, 5000));
    EXPECT_TRUE(form->rlsdLamp()) << "no RLSD event: the lamp keeps its state";
    EXPECT_FALSE(child<QLabel>("Image1")->pixmap().isNull());

    disconnect();
    EXPECT_FALSE(form->ctsLamp() || form->dsrLamp() || form->rlsdLamp());
}

TEST_F(ProgramTest, SetRtsAndSetDtrDriveTheirLines)
{
    auto device = std::make_shared<FakeDeviceScript>();
    start(device->opener());
    connect();
    device->clearCalls();
    box("cbSetRTS")->click();
    box("cbSetDTR")->click();
    box("cbSetDTR")->click();
    std::vector<uint64_t> functions;
    for (const FakeCall &c : device->calls())
        if (c.name == "EscapeCommFunction")
            functions.push_back(c.args.at(0));
    EXPECT_EQ(functions, (std::vector<uint64_t> {4, 6, 5})) << "CLRRTS, CLRDTR, SETDTR";
    EXPECT_EQ(QApplication::focusWidget(), Edit1());
}

TEST_F(ProgramTest, FailedWriteShowsTheErrorAndLeavesTheStatus)
{
    auto device = std::make_shared<FakeDeviceScript>();
    start(device->opener());
    connect();
    device->failCall("Write");
    form->setStatusText("before");
    QTest::keyClicks(Edit1(), "x");
    button("btnSend")->click();
    EXPECT_EQ(dialogs.errors, QStringList {"Ошибка записи в порт"});
    EXPECT_EQ(form->statusText(), "before");
    EXPECT_EQ(Edit1()->text(), "x") << "the handler stopped at the failing step";
}

class PortLossTest : public ProgramTest
{
public:
    // The drive's side of the port, behind the port's stable name: a new one is a device that
    // came back.
    std::unique_ptr<PtyPair> drive;

    void plugIn()
    {
        drive = std::make_unique<PtyPair>();
        std::filesystem::remove(portPath());
        std::filesystem::create_symlink(drive->slavePath(), portPath());
    }

    // Without a reconnect to wait for, the loss is said in a message box.
    void noReconnect()
    {
        QCheckBox *reconnect = box("cbReconnect");
        QTest::mouseClick(reconnect, Qt::LeftButton, {}, reconnect->rect().center());
        ASSERT_FALSE(reconnect->isChecked());
    }

    QString lostText() const
    {
        return QString::fromStdString("Связь с портом " + portPath() + " потеряна");
    }

    // The window after the loss: as after "Разорвать", with its own status text, one message,
    // no error, the pane kept.
    void expectLost(const std::string &paneStart)
    {
        ASSERT_TRUE(QTest::qWaitFor([&] { return !dialogs.messages.isEmpty(); }, 5000));
        EXPECT_FALSE(form->BComPort1.IsOpen());
        EXPECT_EQ(controlStates(*this), Disconnected);
        EXPECT_EQ(form->statusText(), lostText());
        EXPECT_EQ(
            dialogs.messages, QStringList {lostText() + ": устройство отключено или не отвечает."});
        EXPECT_EQ(dialogs.errors, QStringList());
        EXPECT_EQ(Memo1()->bytes().substr(0, paneStart.size()), paneStart);
        QTest::qWait(100);
        EXPECT_EQ(dialogs.messages.size(), 1) << "said once";
        dialogs.messages.clear();
    }
};

TEST_F(PortLossTest, DeviceGoingAwayDisconnectsOnceAndConnectingAgainWorksWhenItIsBack)
{
    start();
    noReconnect();
    for (const bool flowing : {true, false}) {
        SCOPED_TRACE(flowing ? "while data flows" : "while idle");
        plugIn();
        connect();
        const std::string prompt = flowing ? "busy>" : "idle>";
        drive->Write(prompt);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return Memo1()->bytes().find(prompt) != std::string::npos; }, 5000));
        const std::string shown(Memo1()->bytes());
        // The drive writes until its side goes away.
        std::thread driveSide([&] {
            for (int i = 0; flowing && i < 200; ++i) {
                drive->Write(std::string(64, 'x'));
                std::this_thread::sleep_for(1ms);
            }
            drive->closeMaster();
        });
        expectLost(shown);
        driveSide.join();
        if (flowing) {
            EXPECT_NE(Memo1()->bytes().find('x', shown.size()), std::string::npos);
        }
    }
    plugIn();
    connect();
    QTest::keyClicks(Edit1(), "N1");
    QTest::keyClick(Edit1(), Qt::Key_Return);
    EXPECT_EQ(drive->Read(3), "N1\r");
}

TEST_F(PortLossTest, UploadRunningWhenTheDeviceGoesAwayEndsCleanly)
{
    start();
    noReconnect();
    const std::string file = (root / "FW.BIN").string();
    std::ofstream(file) << std::string(512 * 1024, 'x');
    for (const bool inDialog : {true, false}) {
        SCOPED_TRACE(inDialog ? "while its file dialog is up" : "while the file goes out");
        plugIn();
        connect();
        dialogs.answerOpenFile(QString::fromStdString(file));
        std::thread driveSide;
        if (inDialog) {
            dialogs.whileOpenFileShown = [&] {
                drive->closeMaster();
                EXPECT_TRUE(QTest::qWaitFor([&] { return !form->BComPort1.IsOpen(); }, 5000));
            };
        } else {
            // The drive takes the start of the upload, then its side goes away.
            driveSide = std::thread([&] {
                size_t taken = 0;
                while (taken < 10000) {
                    const std::string got = drive->Read(65536, 5s);
                    if (got.empty())
                        break;
                    taken += got.size();
                }
                drive->closeMaster();
            });
        }
        chooseFromMenu("N28", "overley1");
        if (driveSide.joinable())
            driveSide.join();
        dialogs.whileOpenFileShown = nullptr;
        EXPECT_FALSE(form->uploading());
        EXPECT_FALSE(child<QWidget>("ProgressBar1")->isVisible());
        expectLost("");
    }
}

TEST_F(PortLossTest, DialogWritingToADeviceThatWentAwaySaysTheLossOnly)
{
    start();
    noReconnect();
    plugIn();
    connect();
    // The user presses OK before the window has heard of the loss: the write finds it, and the
    // dialog stays up with what was typed.
    ASSERT_TRUE(chooseModal<Tuserlevel>("N10", "UserLevel1", [&](Tuserlevel *d) {
        QTest::keyClicks(d->findChild<QLineEdit *>("Edit1"), "2");
        drive->closeMaster();
        QTest::mouseClick(d->findChild<QPushButton *>("OKBtn"), Qt::LeftButton);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !form->BComPort1.IsOpen(); }));
        EXPECT_TRUE(d->isVisible());
        QTest::mouseClick(d->findChild<QPushButton *>("CancelBtn"), Qt::LeftButton);
    }));
    expectLost("");
}

TEST_F(ProgramTest, ExitClosesTheMainWindow)
{
    start();
    ASSERT_TRUE(form->isVisible());
    menuItem("Exit1")->trigger();
    EXPECT_FALSE(form->isVisible());
}

TEST_F(ProgramTest, EndingTheProgramClosesAnOpenPort)
{
    start();
    connect();
    program.reset();
    PumpedMainThread mainThread;
    TBComPort next(mainThread);
    next.SetPort(portPath());
    EXPECT_TRUE(next.OpenPort()) << "the port was released";
}

} // namespace
