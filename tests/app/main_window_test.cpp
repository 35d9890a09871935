// The main window: start-up, connection states, sending, receiving, the rate switch, the lamps.
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
std::map<std::string, std::string> ControlStates(ProgramTest &t)
{
    std::map<std::string, std::string> states;
    for (const char *name : {"cbPort", "cbBaudRate", "btnConnect", "btnDisconnect", "cbSetRTS",
             "cbSetDTR", "Edit1", "btnSend", "btnClear", "cbCRLF", "Memo1"}) {
        QWidget *w = t.Child<QWidget>(name);
        std::string state = w->isEnabled() ? "on" : "off";
        if (auto *box = qobject_cast<QCheckBox *>(w))
            state += box->isChecked() ? ",checked" : ",clear";
        states[name] = state;
    }
    for (const char *menu : {"N10", "Send1", "N28", "SMART1", "N20", "File1", "Help1"})
        states[menu] = t.Menu(menu)->isEnabled() ? "on" : "off";
    for (const char *item : {"overley1", "CERT1"})
        states[item] = t.MenuItem(item)->isEnabled() ? "on" : "off";
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

QColor BaseColour(QWidget *w)
{
    return w->palette().color(QPalette::Base);
}

TEST_F(ProgramTest, StartsDisconnectedWithTheFirstPortAndRate57600)
{
    Start();
    EXPECT_EQ(form->windowTitle(), "Kelvane 0.99b rev 4");
    EXPECT_EQ(QApplication::applicationName(), "Kelvane");
    EXPECT_EQ(ControlStates(*this), Disconnected);
    EXPECT_EQ(Child<QComboBox>("cbPort")->currentText().toStdString(), PortPath());
    EXPECT_EQ(Rates()->currentText(), "57600");
    EXPECT_EQ(Rates()->currentIndex(), 6);
    EXPECT_EQ(form->StatusText(), "Программа загружена нормально");
    EXPECT_FALSE(form->CtsLamp() || form->DsrLamp() || form->RlsdLamp());
    EXPECT_TRUE(dialogs.errors.isEmpty());
    EXPECT_EQ(Wire(), "") << "nothing is written at start";
    const QColor face = QApplication::palette().color(QPalette::Button);
    EXPECT_EQ(BaseColour(Edit1()), face);
    EXPECT_EQ(BaseColour(Memo1()), face);
}

TEST_F(ProgramTest, ClientAreaIsFixedAndTheMenusAreInTheirPlace)
{
    Start();
    EXPECT_EQ(form->centralWidget()->height() + form->statusBar()->height(), 438);
    EXPECT_EQ(form->width(), 568);
    EXPECT_EQ(form->minimumSize(), form->maximumSize()) << "no resizing";
    EXPECT_FALSE(form->windowFlags() & Qt::WindowMaximizeButtonHint);
    QStringList titles;
    for (QAction *a : form->menuBar()->actions())
        titles << a->text();
    EXPECT_EQ(titles,
        QStringList({"Файл", "Уровень", "Команды", "Операции", "SMART", "Таблица", "Помощь"}));
    QStringList visibleFileItems;
    for (QAction *a : Child<QMenu>("File1")->actions())
        if (a->isVisible())
            visibleFileItems << a->text();
    EXPECT_EQ(visibleFileItems, QStringList {"Выход"});
    EXPECT_EQ(MenuItem("N1")->text(), "Переход на уровень \"Т\" (Certification test)");
    EXPECT_EQ(MenuItem("N9")->text(), "G-List ");
    for (const char *lamp : {"Image1", "Image2", "Image3", "Label3", "Label4", "Label5"})
        EXPECT_FALSE(Child<QLabel>(lamp)->isVisible()) << lamp;
}

TEST_F(ProgramTest, EmptyInventoryGivesAnEmptyPortBoxAndNoError)
{
    std::filesystem::remove(PortPath());
    Start();
    EXPECT_EQ(Child<QComboBox>("cbPort")->count(), 0);
    EXPECT_TRUE(dialogs.errors.isEmpty());
    EXPECT_EQ(Rates()->currentText(), "57600");
}

TEST_F(ProgramTest, FailingInventoryShowsTheMessageAndSkipsTheRestOfCreation)
{
    inventory.ttyClass = (root / "no-such-inventory").string();
    Start();
    EXPECT_EQ(dialogs.errors, QStringList {"Ошибка обращения к системному реестру"});
    EXPECT_EQ(Child<QComboBox>("cbPort")->count(), 0);
    EXPECT_EQ(Rates()->currentText(), "115200");
    EXPECT_EQ(Rates()->currentIndex(), -1);
    EXPECT_TRUE(form->isVisible()) << "the window still opens";
}

TEST_F(ProgramTest, ConnectAndDisconnectSetTheControlsAndWriteNothing)
{
    Start();
    Connect();
    EXPECT_EQ(ControlStates(*this), Connected);
    EXPECT_EQ(form->StatusText(), "Связь установлена, терминал ожидает ввода команд");
    EXPECT_EQ(QApplication::focusWidget(), Edit1());
    EXPECT_EQ(BaseColour(Edit1()), QApplication::palette().color(QPalette::Base));
    EXPECT_EQ(BaseColour(Memo1()), QApplication::palette().color(QPalette::Base));
    EXPECT_EQ(Wire(), "");

    Disconnect();
    EXPECT_FALSE(form->BComPort1.IsOpen());
    EXPECT_EQ(ControlStates(*this), Disconnected);
    EXPECT_EQ(form->StatusText(), "Связь завершена");
    EXPECT_EQ(BaseColour(Edit1()), QApplication::palette().color(QPalette::Button));
    EXPECT_EQ(Wire(), "");
}

TEST_F(ProgramTest, ConnectChecksSetRtsAndSetDtrEvenWhenTheyWereCleared)
{
    Start();
    Connect();
    Box("cbSetRTS")->click();
    Box("cbSetDTR")->click();
    EXPECT_FALSE(Box("cbSetRTS")->isChecked());
    Disconnect();
    EXPECT_EQ(ControlStates(*this).at("cbSetRTS"), "off,clear") << "the check is kept";
    Connect();
    EXPECT_TRUE(Box("cbSetRTS")->isChecked());
    EXPECT_TRUE(Box("cbSetDTR")->isChecked());
}

TEST_F(ProgramTest, EnterSendsTheLineWithCrAndTheButtonWithout)
{
    Start();
    Connect();
    QTest::keyClicks(Edit1(), "N1");
    QTest::keyClick(Edit1(), Qt::Key_Return);
    EXPECT_EQ(Wire(), "N1\r");
    EXPECT_EQ(Edit1()->text(), "");
    EXPECT_EQ(form->StatusText(), "Связь установлена, терминал ожидает ввода команд");

    QTest::keyClicks(Edit1(), "N1");
    Button("btnSend")->click();
    EXPECT_EQ(Wire(), "N1");
    EXPECT_EQ(Edit1()->text(), "");
    EXPECT_EQ(form->StatusText(), "Команда отправлена");
    EXPECT_EQ(QApplication::focusWidget(), Edit1());
}

TEST_F(ProgramTest, EmptyLineSendsOneCrWithEnterAndNothingWithTheButton)
{
    Start();
    Connect();
    QTest::keyClick(Edit1(), Qt::Key_Return);
    EXPECT_EQ(Wire(), "\r");
    form->SetStatusText("x");
    Button("btnSend")->click();
    EXPECT_EQ(Wire(), "");
    EXPECT_EQ(form->StatusText(), "Команда отправлена");
    EXPECT_EQ(QApplication::focusWidget(), Edit1());
}

TEST_F(ProgramTest, TypedCyrillicGoesOutInWindows1251AndComesBackAsCyrillic)
{
    Start();
    Connect();
    Edit1()->insert(QStringLiteral("Привет ёЁ")); // QTest types ASCII only
    QTest::keyClick(Edit1(), Qt::Key_Return);
    EXPECT_EQ(Wire(), "\xCF\xF0\xE8\xE2\xE5\xF2 \xB8\xA8\r");
    pty.Write("\xC4\xE0\r\n");
    ASSERT_TRUE(PaneShows("\xC4\xE0\r\n"));
    EXPECT_EQ(Memo1()->Text(), "Да\r\n");
}

TEST_F(ProgramTest, ReceivedChunksFollowTheCrLfRule)
{
    Start();
    Connect();
    pty.Write("AB\r");
    ASSERT_TRUE(PaneShows("AB\r\n"));
    pty.Write("C");
    ASSERT_TRUE(PaneShows("AB\r\nC"));
    Memo1()->Clear();
    pty.Write("AB\r\n");
    ASSERT_TRUE(PaneShows("AB\r\n")) << "a chunk that ends in CR LF is left alone";
    Memo1()->Clear();
    pty.Write("A\rB");
    ASSERT_TRUE(PaneShows("A\rB")) << "a CR inside the chunk gets no LF";

    Memo1()->Clear();
    Box("cbCRLF")->click();
    pty.Write("AB\r");
    ASSERT_TRUE(PaneShows("AB\r"));
    pty.Write("C");
    ASSERT_TRUE(PaneShows("AB\rC"));
}

TEST_F(ProgramTest, PaneKeepsItsTextOverDisconnectAndAppendsAfterReconnect)
{
    Start();
    Connect();
    pty.Write("one");
    ASSERT_TRUE(PaneShows("one"));
    Disconnect();
    EXPECT_EQ(Memo1()->Bytes(), "one");
    EXPECT_FALSE(Memo1()->isEnabled());
    Connect();
    pty.Write("two");
    ASSERT_TRUE(PaneShows("onetwo"));
    Button("btnClear")->click();
    EXPECT_EQ(Memo1()->Bytes(), "");
    EXPECT_EQ(form->StatusText(), "Терминал очищен");
    EXPECT_EQ(QApplication::focusWidget(), Edit1());
}

TEST_F(ProgramTest, BusyPortShowsItsMessageAndLeavesTheWindowDisconnected)
{
    Start();
    TBComPort other(program->Windows().MainForm->BComPort1.mainThread());
    other.SetPort(PortPath());
    ASSERT_TRUE(other.OpenPort());
    form->SetStatusText("before");
    Button("btnConnect")->click();
    EXPECT_EQ(dialogs.errors, QStringList {"Порт занят другой программой"});
    EXPECT_FALSE(form->BComPort1.IsOpen());
    EXPECT_EQ(ControlStates(*this), Disconnected);
    EXPECT_EQ(form->StatusText(), "before");
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
    Start();
    auto *box = Child<QComboBox>("cbPort");
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
    const QString drive = QString::fromStdString(PortPath());
    const QString adapter = QString::fromStdString(inventory.devices + "/ttyUSB0");
    EXPECT_EQ(dropDown(), QStringList {drive});

    addTty("ttyUSB0"); // an adapter plugged in
    EXPECT_EQ(dropDown(), QStringList({adapter, drive}));
    EXPECT_EQ(box->currentText(), drive) << "the chosen port is kept while it is listed";

    std::filesystem::remove(PortPath()); // the chosen one goes away
    EXPECT_EQ(dropDown(), QStringList {adapter});
    EXPECT_EQ(box->currentText(), adapter);

    std::filesystem::create_symlink(pty.SlavePath(), PortPath());
    QTest::mouseClick(box, Qt::LeftButton); // and the new entry is picked in the list
    QTest::keyClick(box->view(), Qt::Key_Down);
    QTest::keyClick(box->view(), Qt::Key_Return);
    EXPECT_EQ(box->currentText(), drive);
    Connect();
    std::filesystem::remove_all(ttys / "ttyUSB0");
    EXPECT_EQ(dropDown(), QStringList()) << "no list drops down while connected";
    EXPECT_EQ(box->count(), 2);
    EXPECT_EQ(box->currentText(), drive);
}

TEST_F(ProgramTest, PortChangeOnlySetsTheStatus)
{
    Start();
    QComboBox *ports = Child<QComboBox>("cbPort");
    emit ports->activated(0);
    EXPECT_EQ(form->StatusText(), "Рабочий порт изменен");
    EXPECT_FALSE(form->BComPort1.IsOpen());
}

TEST_F(ProgramTest, EachRatePickedWhileConnectedTellsTheDriveThenMovesThePort)
{
    Start();
    Connect();
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
        ReadTtySpeed(pty.Master(), before);
        Rates()->setCurrentIndex(i);
        // "/T" then the rate command, both written at the old rate, then the switch.
        EXPECT_EQ(Wire(), std::string("/T") + entries[i].first);
        uint32_t after = 0;
        ASSERT_TRUE(ReadTtySpeed(pty.Master(), after));
        EXPECT_EQ(after, entries[i].second);
        EXPECT_EQ(form->StatusText(), "Скорость передачи данных изменена");
    }
}

TEST_F(ProgramTest, SameRateAgainStillTellsTheDrive)
{
    Start();
    Connect();
    emit Rates()->editTextChanged(Rates()->currentText());
    EXPECT_EQ(Wire(), "/TB625");
    uint32_t speed = 0;
    ASSERT_TRUE(ReadTtySpeed(pty.Master(), speed));
    EXPECT_EQ(speed, 57600u);
}

TEST_F(ProgramTest, TypingARateWritesLevelTOnEveryKeystrokeAndKeepsUnknownRates)
{
    Start();
    Connect();
    Rates()->lineEdit()->clear();
    Wire();
    QTest::keyClicks(Rates()->lineEdit(), "9600");
    EXPECT_EQ(Wire(), "/T/T/T/TB96") << "9, 96, 960 name no rate; 9600 does";
    uint32_t speed = 0;
    ReadTtySpeed(pty.Master(), speed);
    EXPECT_EQ(speed, 9600u);
    QTest::keyClicks(Rates()->lineEdit(), "0");
    EXPECT_EQ(Wire(), "/T");
    ReadTtySpeed(pty.Master(), speed);
    EXPECT_EQ(speed, 9600u) << "96000 is no entry: the port stays where it was";
}

TEST_F(ProgramTest, RateTypedOverTheSelectedTextSwitchesOnlyWhenItIsComplete)
{
    Start();
    Connect();
    QLineEdit *rate = Rates()->lineEdit();
    QTest::mouseClick(rate, Qt::LeftButton);
    QTest::keyClick(rate, Qt::Key_A, Qt::ControlModifier);
    std::vector<std::string> wire;
    std::vector<uint32_t> speeds;
    for (const char key : std::string("9600")) {
        QTest::keyClick(QApplication::focusWidget(), key);
        wire.push_back(Wire());
        uint32_t speed = 0;
        ReadTtySpeed(pty.Master(), speed);
        speeds.push_back(speed);
    }
    EXPECT_EQ(rate->text(), "9600") << "no completion added to what was typed";
    EXPECT_EQ(wire, (std::vector<std::string> {"/T", "/T", "/T", "/TB96"}));
    EXPECT_EQ(speeds, (std::vector<uint32_t> {57600, 57600, 57600, 9600})) << "one switch";

    // Enter takes the text as it is and adds nothing to the list.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTest::keyClicks(QApplication::focusWidget(), "0");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(Rates()->count(), 8);
    EXPECT_EQ(rate->text(), "96000");
}

TEST_F(ProgramTest, RatePickedWhileDisconnectedIsUsedAtTheNextConnect)
{
    Start();
    Rates()->setCurrentIndex(1);
    EXPECT_EQ(form->StatusText(), "Скорость передачи данных изменена");
    EXPECT_TRUE(dialogs.errors.isEmpty());
    Connect();
    EXPECT_EQ(Wire(), "");
    uint32_t speed = 0;
    ASSERT_TRUE(ReadTtySpeed(pty.Master(), speed));
    EXPECT_EQ(speed, 9600u);
}

TEST_F(ProgramTest, LampsFollowTheModemLines)
{
    auto device = std::make_shared<FakeDeviceScript>();
    Start(device->Opener());
    device->SetModemStatus(0x10 | 0x80); // CTS and RLSD on
    Connect();
    EXPECT_TRUE(form->CtsLamp());
    EXPECT_FALSE(form->DsrLamp());
    EXPECT_TRUE(form->RlsdLamp());

    device->SetModemStatus(0x20); // CTS off, DSR on
    device->QueueEvent(8 | 16);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form->CtsLamp() && form->DsrLamp(); }, 5000));
    EXPECT_TRUE(form->RlsdLamp()) << "no RLSD event: the lamp keeps its state";
    EXPECT_FALSE(Child<QLabel>("Image1")->pixmap().isNull());

    Disconnect();
    EXPECT_FALSE(form->CtsLamp() || form->DsrLamp() || form->RlsdLamp());
}

TEST_F(ProgramTest, SetRtsAndSetDtrDriveTheirLines)
{
    auto device = std::make_shared<FakeDeviceScript>();
    Start(device->Opener());
    Connect();
    device->ClearCalls();
    Box("cbSetRTS")->click();
    Box("cbSetDTR")->click();
    Box("cbSetDTR")->click();
    std::vector<uint64_t> functions;
    for (const FakeCall &c : device->Calls())
        if (c.name == "EscapeCommFunction")
            functions.push_back(c.args.at(0));
    EXPECT_EQ(functions, (std::vector<uint64_t> {4, 6, 5})) << "CLRRTS, CLRDTR, SETDTR";
    EXPECT_EQ(QApplication::focusWidget(), Edit1());
}

TEST_F(ProgramTest, FailedWriteShowsTheErrorAndLeavesTheStatus)
{
    auto device = std::make_shared<FakeDeviceScript>();
    Start(device->Opener());
    Connect();
    device->FailCall("Write");
    form->SetStatusText("before");
    QTest::keyClicks(Edit1(), "x");
    Button("btnSend")->click();
    EXPECT_EQ(dialogs.errors, QStringList {"Ошибка записи в порт"});
    EXPECT_EQ(form->StatusText(), "before");
    EXPECT_EQ(Edit1()->text(), "x") << "the handler stopped at the failing step";
}

class PortLossTest : public ProgramTest
{
public:
    // The drive's side of the port, behind the port's stable name: a new one is a device that
    // came back.
    std::unique_ptr<PtyPair> drive;

    void PlugIn()
    {
        drive = std::make_unique<PtyPair>();
        std::filesystem::remove(PortPath());
        std::filesystem::create_symlink(drive->SlavePath(), PortPath());
    }

    QString LostText() const
    {
        return QString::fromStdString("Связь с портом " + PortPath() + " потеряна");
    }

    // The window after the loss: as after "Разорвать", with its own status text, one message,
    // no error, the pane kept.
    void ExpectLost(const std::string &paneStart)
    {
        ASSERT_TRUE(QTest::qWaitFor([&] { return !dialogs.messages.isEmpty(); }, 5000));
        EXPECT_FALSE(form->BComPort1.IsOpen());
        EXPECT_EQ(ControlStates(*this), Disconnected);
        EXPECT_EQ(form->StatusText(), LostText());
        EXPECT_EQ(
            dialogs.messages, QStringList {LostText() + ": устройство отключено или не отвечает."});
        EXPECT_EQ(dialogs.errors, QStringList());
        EXPECT_EQ(Memo1()->Bytes().substr(0, paneStart.size()), paneStart);
        QTest::qWait(100);
        EXPECT_EQ(dialogs.messages.size(), 1) << "said once";
        dialogs.messages.clear();
    }
};

TEST_F(PortLossTest, DeviceGoingAwayDisconnectsOnceAndConnectingAgainWorksWhenItIsBack)
{
    Start();
    for (const bool flowing : {true, false}) {
        SCOPED_TRACE(flowing ? "while data flows" : "while idle");
        PlugIn();
        Connect();
        const std::string prompt = flowing ? "busy>" : "idle>";
        drive->Write(prompt);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return Memo1()->Bytes().find(prompt) != std::string::npos; }, 5000));
        const std::string shown = Memo1()->Bytes();
        // The drive writes until its side goes away.
        std::thread driveSide([&] {
            for (int i = 0; flowing && i < 200; ++i) {
                drive->Write(std::string(64, 'x'));
                std::this_thread::sleep_for(1ms);
            }
            drive->CloseMaster();
        });
        ExpectLost(shown);
        driveSide.join();
        if (flowing) {
            EXPECT_NE(Memo1()->Bytes().find('x', shown.size()), std::string::npos);
        }
    }
    PlugIn();
    Connect();
    QTest::keyClicks(Edit1(), "N1");
    QTest::keyClick(Edit1(), Qt::Key_Return);
    EXPECT_EQ(drive->Read(3), "N1\r");
}

TEST_F(PortLossTest, UploadRunningWhenTheDeviceGoesAwayEndsCleanly)
{
    Start();
    const std::string file = (root / "FW.BIN").string();
    std::ofstream(file) << std::string(512 * 1024, 'x');
    for (const bool inDialog : {true, false}) {
        SCOPED_TRACE(inDialog ? "while its file dialog is up" : "while the file goes out");
        PlugIn();
        Connect();
        dialogs.AnswerOpenFile(QString::fromStdString(file));
        std::thread driveSide;
        if (inDialog) {
            dialogs.WhileOpenFileShown = [&] {
                drive->CloseMaster();
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
                drive->CloseMaster();
            });
        }
        ChooseFromMenu("N28", "overley1");
        if (driveSide.joinable())
            driveSide.join();
        dialogs.WhileOpenFileShown = nullptr;
        EXPECT_FALSE(form->Uploading());
        EXPECT_FALSE(Child<QWidget>("ProgressBar1")->isVisible());
        ExpectLost("");
    }
}

TEST_F(ProgramTest, ExitClosesTheMainWindow)
{
    Start();
    ASSERT_TRUE(form->isVisible());
    MenuItem("Exit1")->trigger();
    EXPECT_FALSE(form->isVisible());
}

TEST_F(ProgramTest, EndingTheProgramClosesAnOpenPort)
{
    Start();
    Connect();
    program.reset();
    PumpedMainThread mainThread;
    TBComPort next(mainThread);
    next.SetPort(PortPath());
    EXPECT_TRUE(next.OpenPort()) << "the port was released";
}

} // namespace
