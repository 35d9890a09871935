// The service command catalogue and the parameter dialogs, on the wire.
#include "commands/drive_type_dialog.h"
#include "commands/factory_test_dialog.h"
#include "commands/free_level_dialog.h"
#include "commands/head_dialog.h"
#include "commands/head_positioning_dialog.h"
#include "commands/service_catalogue.h"
#include "support/fake_device.h"
#include "support/gui/menu_clicks.h"
#include "support/gui/program_fixture.h"

#include <QRadioButton>

using namespace kelvane;

namespace {

struct Row
{
    const char *item;
    std::string wire;
    bool guard;
    const char *status; // or nullptr
    const char *message; // or nullptr
};

// Every row of the catalogue that writes by itself: what reaches the drive and what follows.
const Row Rows[] = {
    {"N1", "/T", true, "Переход на уровень \"Т\"", nullptr},
    {"N11", "/1", true, "Переход на уровень \"1\"", nullptr},
    {"N21", "/2", true, "Переход на уровень \"2\"", nullptr},
    {"N3", "/1M", true, nullptr, "После выполнения перезагрузите накопитель!"},
    {"N2", "/1F", true, nullptr, nullptr},
    {"N17", "/2U", true, nullptr, nullptr},
    {"N18", "/2Z", true, nullptr, nullptr},
    {"N12", "/TR", true, nullptr, nullptr},
    {"N26", "/1E", true, nullptr, "После выполнения команды необходимо переподключить накопитель!"},
    {"N30", "/1fAAAA", false, nullptr, nullptr},
    {"CERT2", "/1fCCCC", false, nullptr, nullptr},
    {"N4", "/1N1", true, nullptr, nullptr},
    {"N5", "/1N2", true, nullptr, nullptr},
    {"N6", "/1N3", true, nullptr, nullptr},
    {"N7", "/1N5", true, nullptr, nullptr},
    {"DSTShortTes1", "/1NB", true, nullptr, nullptr},
    {"DSTLongTestBDSTLongTestB1", "/1NC", true, nullptr, nullptr},
    {"N9", "/1N7", true, nullptr, nullptr},
    {"PList1", "/1N9", true, nullptr, nullptr},
    {"CriticalEventLog1", "/1N8", true, nullptr, nullptr},
    {"HealthLog1", "/1NA", true, nullptr, nullptr},
};

class CatalogueTest : public ProgramTest
{
};

TEST_F(CatalogueTest, EveryItemWritesItsLinesThenSetsItsStatusOrShowsItsMessage)
{
    start();
    connect();
    for (const Row &row : Rows) {
        SCOPED_TRACE(row.item);
        form->setStatusText("before");
        dialogs.messages.clear();
        std::string wireAtMessage;
        dialogs.whileMessageShown = [&](const QString &) { wireAtMessage = wireText(); };
        menuItem(row.item)->trigger();
        const std::string rest = wireText();
        if (row.message) {
            EXPECT_EQ(dialogs.messages, QStringList {QString::fromUtf8(row.message)});
            EXPECT_EQ(wireAtMessage, row.wire) << "the box comes after the lines";
            EXPECT_EQ(rest, "");
        } else {
            EXPECT_TRUE(dialogs.messages.isEmpty());
            EXPECT_EQ(rest, row.wire);
        }
        EXPECT_EQ(form->statusText().toStdString(), row.status ? row.status : "before");
    }
    EXPECT_TRUE(dialogs.errors.isEmpty());
}

TEST_F(CatalogueTest, LinesGoOutAsSeparateWritesWithoutTerminators)
{
    auto device = std::make_shared<FakeDeviceScript>();
    start(device->opener());
    connect();
    for (const CatalogueItem &item : serviceCatalogue()) {
        device->clearCalls();
        menuItem(item.item)->trigger();
        std::vector<std::string> writes;
        for (const FakeCall &c : device->calls())
            if (c.name == "Write")
                writes.push_back(c.data);
        EXPECT_EQ(writes, std::vector<std::string>(item.lines.begin(), item.lines.end()))
            << item.handler;
        for (const std::string &w : writes)
            EXPECT_EQ(w.find_first_of("\r\n"), std::string::npos) << item.handler;
    }
}

TEST_F(CatalogueTest, GuardedItemsDoNothingWhileDisconnectedAndTheOthersFail)
{
    start();
    for (const Row &row : Rows) {
        SCOPED_TRACE(row.item);
        dialogs.errors.clear();
        form->setStatusText("before");
        menuItem(row.item)->trigger();
        if (row.guard) {
            EXPECT_TRUE(dialogs.errors.isEmpty());
        } else {
            EXPECT_EQ(dialogs.errors, QStringList {"Ошибка записи в порт"});
        }
        EXPECT_TRUE(dialogs.messages.isEmpty());
        EXPECT_EQ(form->statusText(), "before");
    }
    EXPECT_EQ(wireText(), "");
}

TEST_F(CatalogueTest, FailedWriteEndsTheItemAtThatLine)
{
    auto device = std::make_shared<FakeDeviceScript>();
    start(device->opener());
    connect();
    device->failCall("Write");
    form->setStatusText("before");
    menuItem("N3")->trigger();
    EXPECT_EQ(dialogs.errors, QStringList {"Ошибка записи в порт"});
    EXPECT_EQ(device->Count("Write"), 1) << "M is not written after /1 failed";
    EXPECT_TRUE(dialogs.messages.isEmpty()) << "nor is the message shown";
    menuItem("N1")->trigger();
    EXPECT_EQ(form->statusText(), "before");
}

TEST_F(CatalogueTest, SelfScanWritesLevelTThenWarnsThenStarts)
{
    start();
    connect();
    std::string wireAtMessage;
    dialogs.whileMessageShown = [&](const QString &) { wireAtMessage = wireText(); };
    menuItem("SelfScan1")->trigger();
    EXPECT_EQ(wireAtMessage, "/T");
    EXPECT_EQ(dialogs.messages,
        QStringList {"Внимание выбранная операция (Seagate selfscan) требует поддержку "
                     "электропитания накопителя во время прохождения всего теста. В "
                     "зависимости от модели накопителя это может занять до 72 часов."});
    EXPECT_EQ(wireText(), "N2,,22");
}

TEST_F(CatalogueTest, FactoryTestSendsTheNumberAndLeavesABlank)
{
    start();
    connect();
    QAction *item = menuItem("N13");
    EXPECT_TRUE(withModal<TForm1>(item, [](TForm1 *d) {
        EXPECT_EQ(d->windowTitle(), "Запуск заводского теста");
        d->findChild<QLineEdit *>("Edit1")->setText("12");
        d->findChild<QPushButton *>("Button1")->click();
    }));
    EXPECT_EQ(wireText(), "/TT12");
    EXPECT_EQ(program->windows().Form1->findChild<QLineEdit *>("Edit1")->text(), " ");
    // The blank stays in front of what is typed next.
    EXPECT_TRUE(withModal<TForm1>(item, [](TForm1 *d) {
        d->findChild<QLineEdit *>("Edit1")->end(false);
        d->findChild<QLineEdit *>("Edit1")->insert("12");
        d->findChild<QPushButton *>("Button1")->click();
    }));
    EXPECT_EQ(wireText(), "/TT 12");
}

TEST_F(CatalogueTest, FactoryTestNumberTypedAfterAnOkReplacesTheBlank)
{
    start();
    connect();
    // Opened from the menu, `keys` typed (after a click into the field when `click`), then "ОК".
    auto typeAndOk = [this](const char *keys, bool click) {
        bool shown = false;
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<TForm1 *>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            shown = true;
            EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == dialog; }));
            auto *field = dialog->findChild<QLineEdit *>("Edit1");
            if (click)
                QTest::mouseClick(field, Qt::LeftButton, {}, field->rect().center());
            QTest::keyClicks(QApplication::focusWidget(), keys);
            QTest::mouseClick(dialog->findChild<QPushButton *>("Button1"), Qt::LeftButton);
        });
        EXPECT_TRUE(clickMenuItem(*form, "Send1", "N13"));
        EXPECT_TRUE(shown);
    };
    typeAndOk("12", false);
    EXPECT_EQ(wireText(), "/TT12");
    typeAndOk("5", false);
    EXPECT_EQ(wireText(), "/TT5");
    typeAndOk("7", true);
    EXPECT_EQ(wireText(), "/TT7");
    EXPECT_EQ(program->windows().Form1->findChild<QLineEdit *>("Edit1")->text(), " ");
}

TEST_F(CatalogueTest, FactoryTestIgnoresEnterAndEscAndCancelWritesNothing)
{
    start();
    connect();
    EXPECT_TRUE(withModal<TForm1>(menuItem("N13"), [](TForm1 *d) {
        auto *edit = d->findChild<QLineEdit *>("Edit1");
        edit->setText("7");
        QTest::keyClick(edit, Qt::Key_Return);
        QTest::keyClick(edit, Qt::Key_Escape);
        EXPECT_TRUE(d->isVisible()) << "Enter and Esc do not close it";
        d->findChild<QPushButton *>("Button2")->click();
    }));
    EXPECT_EQ(wireText(), "");
    EXPECT_EQ(program->windows().Form1->findChild<QLineEdit *>("Edit1")->text(), "7");
}

TEST_F(CatalogueTest, FactoryTestWithThePortClosedWritesNothingAndCloses)
{
    start();
    EXPECT_TRUE(withModal<TForm1>(menuItem("N13"), [](TForm1 *d) {
        d->findChild<QLineEdit *>("Edit1")->setText("12");
        d->findChild<QPushButton *>("Button1")->click();
    }));
    EXPECT_FALSE(program->windows().Form1->isVisible());
    EXPECT_EQ(program->windows().Form1->findChild<QLineEdit *>("Edit1")->text(), "12");
    EXPECT_EQ(wireText(), "");
}

TEST_F(CatalogueTest, PhysicalHeadSendsThePlaceNotTheCaption)
{
    start();
    connect();
    const std::pair<const char *, const char *> cases[] = {
        {"RadioButton1", "/2H1"}, // Головка №1, top left
        {"RadioButton2", "/2H2"}, // Головка №3, top right
        {"RadioButton3", "/2H3"}, // Головка №2, bottom left
        {"RadioButton4", "/2H4"}, // Головка №4, bottom right
    };
    for (const auto &[button, wire] : cases) {
        EXPECT_TRUE(withModal<TGolovka>(menuItem("N15"), [&, button = button](TGolovka *d) {
            d->findChild<QRadioButton *>(button)->setChecked(true);
            QTest::keyClick(d, Qt::Key_Return); // OK is the default button
        }));
        EXPECT_EQ(wireText(), wire) << button;
    }
    EXPECT_EQ(program->windows().Golovka->findChild<QRadioButton *>("RadioButton2")->text(),
        "Головка №3");
    EXPECT_TRUE(withModal<TGolovka>(
        menuItem("N15"), [](TGolovka *d) { QTest::keyClick(d, Qt::Key_Escape); }));
    EXPECT_EQ(wireText(), "");
}

TEST_F(CatalogueTest, DriveTypeSendsTheHeadCountMinusOne)
{
    start();
    connect();
    const std::pair<const char *, const char *> cases[] = {
        {"RadioButton1", "/TYE0"}, // Одна
        {"RadioButton2", "/TYE1"}, // Две
        {"RadioButton3", "/TYE2"}, // Три
        {"RadioButton4", "/TYE3"}, // Четыре
    };
    for (const auto &[button, wire] : cases) {
        EXPECT_TRUE(withModal<Tgolovki>(menuItem("N16"), [&, button = button](Tgolovki *d) {
            d->findChild<QRadioButton *>(button)->setChecked(true);
            d->findChild<QPushButton *>("OKBtn")->click();
        }));
        EXPECT_EQ(wireText(), wire) << button;
    }
}

TEST_F(CatalogueTest, WriteDriveTypeSendsWAfterTheDialogHoweverItClosed)
{
    start();
    connect();
    EXPECT_TRUE(withModal<Tgolovki>(menuItem("N29"), [](Tgolovki *d) {
        d->findChild<QRadioButton *>("RadioButton3")->setChecked(true); // Три
        d->findChild<QPushButton *>("OKBtn")->click();
    }));
    EXPECT_EQ(wireText(), "/TYE2W");
    EXPECT_TRUE(withModal<Tgolovki>(
        menuItem("N29"), [](Tgolovki *d) { d->findChild<QPushButton *>("CancelBtn")->click(); }));
    EXPECT_EQ(wireText(), "W");
}

TEST_F(CatalogueTest, HeadPositioningSendsTrackThenHead)
{
    start();
    connect();
    QAction *item = menuItem("HeadPosition1");
    EXPECT_EQ(item->text(), "Позиционирование головки...");
    EXPECT_TRUE(withModal<Tgolovka2>(
        item, [](Tgolovka2 *d) { d->findChild<QPushButton *>("OKBtn")->click(); }));
    EXPECT_EQ(wireText(), "/2S0,1") << "the defaults";
    EXPECT_TRUE(withModal<Tgolovka2>(item, [](Tgolovka2 *d) {
        d->findChild<QComboBox *>("ComboBox1")->setCurrentText("3");
        d->findChild<QLineEdit *>("Edit1")->setText("1000");
        d->findChild<QPushButton *>("OKBtn")->click();
    }));
    EXPECT_EQ(wireText(), "/2S1000,3");
    EXPECT_TRUE(withModal<Tgolovka2>(item, [](Tgolovka2 *d) {
        d->findChild<QLineEdit *>("Edit1")->setText("x");
        d->findChild<QPushButton *>("CancelBtn")->click();
    }));
    EXPECT_EQ(wireText(), "");
    EXPECT_EQ(program->windows().golovka2->findChild<QLineEdit *>("Edit1")->text(), "x");
}

TEST_F(CatalogueTest, FreeLevelSendsSlashAndTheTextAsTyped)
{
    start();
    connect();
    QAction *item = menuItem("UserLevel1");
    EXPECT_EQ(item->text(), "Переход на уровень...");
    EXPECT_TRUE(withModal<Tuserlevel>(item, [](Tuserlevel *d) {
        EXPECT_EQ(d->findChild<QPushButton *>("CancelBtn")->text(), "Cancel");
        d->findChild<QLineEdit *>("Edit1")->setText("2");
        d->findChild<QPushButton *>("OKBtn")->click();
    }));
    EXPECT_EQ(wireText(), "/2");
    EXPECT_TRUE(withModal<Tuserlevel>(item, [](Tuserlevel *d) {
        d->findChild<QLineEdit *>("Edit1")->clear();
        d->findChild<QPushButton *>("OKBtn")->click();
    }));
    EXPECT_EQ(wireText(), "/");
    EXPECT_TRUE(withModal<Tuserlevel>(item, [](Tuserlevel *d) {
        d->findChild<QLineEdit *>("Edit1")->setText("T");
        QTest::keyClick(d, Qt::Key_Escape);
    }));
    EXPECT_EQ(wireText(), "");
}

TEST_F(CatalogueTest, DialogsAreCreatedOnceAndHiddenNotDestroyed)
{
    start();
    const ProgramWindows &w = program->windows();
    const QList<QWidget *> dialogs = {w.Form1, w.Golovka, w.golovka2, w.userlevel, w.golovki};
    for (QWidget *d : dialogs) {
        ASSERT_NE(d, nullptr);
        EXPECT_FALSE(d->isVisible());
        EXPECT_EQ(d->minimumSize(), d->maximumSize()) << "fixed size";
    }
    EXPECT_EQ(w.Golovka->windowTitle(), "выбор физической головки");
    EXPECT_EQ(w.golovka2->windowTitle(), "Позиционирование головки");
    EXPECT_EQ(w.userlevel->windowTitle(), "Переход на уровень...");
    EXPECT_EQ(w.golovki->windowTitle(), "Выбор типа HDD");
    EXPECT_FALSE(w.Form1->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(w.golovki->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(w.userlevel->windowFlags() & Qt::WindowCloseButtonHint);
}

} // namespace
