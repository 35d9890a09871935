// The interface's language: in English every window, opened as a person opens it, says nothing in
// Russian but the data it shows (command names, what the drive sent); the menus put the same bytes
// on the wire in either language; and the language chosen in the settings holds from the next
// start, with --lang over it.
#include "app/settings.h"
#include "app/settings_dialog.h"
#include "app/start_options.h"
#include "commands/service_catalogue.h"
#include "framework/translations.h"
#include "support/gui/program_fixture.h"
#include "support/gui/shown_texts.h"
#ifndef _WIN32
#include "support/fake_machine.h"
#endif

#include <QContextMenuEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <fstream>
#include <map>
#include <optional>

using namespace kelvane;

namespace {

class InterfaceLanguageTest : public ProgramTest
{
public:
    void TearDown() override
    {
        ProgramTest::TearDown();
        installTranslations(*qApp, Language::Russian);
    }

    // Starts the program as its start does: --lang `option`, else the setting, else the
    // system's (Russian under the tests' C locale).
    void startWith(std::optional<Language> option)
    {
        program.reset();
        environment.language = startLanguage(Settings(), option);
        installTranslations(*qApp, environment.language);
        start();
    }

    // What the windows showed and said while walkEveryWindow() went through them.
    QList<ShownText> texts;
    QStringList said;

    void look(const QWidget &window)
    {
        // Data, shown as it is: ports, rates and typed text, the drive's text, table records.
        static const QStringList Data = {"cbPort", "cbBaudRate", "Edit1", "PortDevice", "DBText1",
            "DBEdit1", "DBEdit2", "findText", "ModemManagerRule"};
        texts += shownTexts(window, [](const QWidget &w) { return Data.contains(w.objectName()); });
    }

    // Opens `item` of `menu` by clicks, looks at the modal window that comes up and closes it
    // with Esc, or its cancel button where Esc does nothing.
    void lookAtDialog(const char *menu, const char *item)
    {
        SCOPED_TRACE(item);
        EXPECT_TRUE(chooseModal<QDialog>(menu, item, [this](QDialog *dialog) {
            look(*dialog);
            QTest::keyClick(dialog, Qt::Key_Escape);
            // The factory test's dialog closes only with its buttons.
            if (dialog->isVisible())
                QTest::mouseClick(dialog->findChild<QPushButton *>("Button2"), Qt::LeftButton);
        }));
    }

    // The main window in its states, each of its dialogs, the pane's own menu, what the menu
    // items say in the status line and in message boxes, the file dialogs' filters, the journal.
    void walkEveryWindow()
    {
        look(*form);
        connect();
        pty.Write("T>");
        ASSERT_TRUE(paneShows("T>"));
        look(*form);
        QTest::keyClick(Edit1(), Qt::Key_F, Qt::ControlModifier);
        QTest::keyClicks(child<QLineEdit>("findText"), "T");
        look(*form);
        for (const char *item : {"N1", "N3"}) {
            chooseFromMenu(item == std::string("N1") ? "N10" : "Send1", item);
            said << form->statusText();
        }
        chooseFromMenu("N28", "SelfScan1");
        dialogs.answerOpenFile(std::nullopt);
        chooseFromMenu("N28", "overley1");
        said << form->statusText();
        dialogs.answerOpenFile(std::nullopt);
        chooseFromMenu("File1", "RunProcedure1");
        dialogs.answerSaveFile(std::nullopt);
        chooseFromMenu("File1", "saveTerminalText");
        for (const auto &[menu, item] :
            std::initializer_list<std::pair<const char *, const char *>> {{"File1", "openSettings"},
                {"N10", "UserLevel1"}, {"Send1", "N13"}, {"Send1", "N15"},
                {"Send1", "HeadPosition1"}, {"Send1", "N16"}, {"N20", "N22"}, {"N20", "N23"},
                {"Help1", "N19"}, {"Help1", "About1"}})
            lookAtDialog(menu, item);
        QTimer::singleShot(0, [this] {
            if (QWidget *popup = openPopup()) {
                look(*popup);
                QTest::keyClick(popup, Qt::Key_Escape);
            }
        });
        // What a right click on the pane asks for.
        QContextMenuEvent menu(
            QContextMenuEvent::Mouse, QPoint(5, 5), Memo1()->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(Memo1()->viewport(), &menu);
        disconnect();
        said << form->statusText();
        said += dialogs.messages + dialogs.errors + dialogs.openFilters + dialogs.saveFilters;
        // The journal's own lines, after their time; those of the bytes sent and received are
        // data.
        for (const auto &entry :
            std::filesystem::directory_iterator(root / "state" / "kelvane" / "journal")) {
            std::ifstream file(entry.path());
            for (std::string line; std::getline(file, line);)
                if (const std::string text = line.substr(std::min<size_t>(line.size(), 13));
                    !text.starts_with("> ") && !text.starts_with("<"))
                    said << QString::fromStdString(text);
        }
    }
};

// The walk takes in the ModemManager notice of a USB adapter on a fake machine: Linux's.
#ifndef _WIN32
TEST_F(InterfaceLanguageTest, EveryWindowInEnglishSaysNothingInRussianButItsData)
{
    // A USB adapter too, for the notice a connect to it brings while ModemManager runs.
    FakeMachine machine(root / "machine", inventory);
    const std::string drive = machine.publish("drive", pty.slavePath());
    PtyPair adapterLine;
    const std::string adapter
        = machine.plug(UsbAdapter {.tty = "ttyUSB0"}, adapterLine.slavePath());
    environment.modemManagerRunning = [] { return true; };
    startWith(Language::English);
    applyStartOptions(*form, {.port = adapter});
    connect();
    auto *notice = form->findChild<QDialog *>("ModemManagerNotice");
    ASSERT_NE(notice, nullptr);
    look(*notice);
    QTest::mouseClick(
        notice->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Close), Qt::LeftButton);
    disconnect();
    applyStartOptions(*form, {.port = drive});
    ASSERT_NO_FATAL_FAILURE(walkEveryWindow());
    // Each language by its own name in the settings' language box, so that its reader finds it.
    texts.removeIf([](const ShownText &t) {
        return t.where == QLatin1String("interfaceLanguage item") && t.text == "Русский";
    });
    EXPECT_GT(texts.size(), 300) << "the walk saw the windows";
    EXPECT_EQ(cyrillicTexts(texts).toStdString(), "");
    QStringList russian;
    for (const QString &text : said)
        if (hasCyrillic(text))
            russian << text;
    EXPECT_EQ(russian.join(QLatin1Char('\n')).toStdString(), "");
    EXPECT_GT(said.size(), 15);
}
#endif

TEST_F(InterfaceLanguageTest, MenuItemsSendTheSameBytesInEitherLanguage)
{
    const auto wireOfEveryItem = [this](Language language) {
        startWith(language);
        connect();
        wireText();
        std::map<std::string, std::string> wire;
        for (const CatalogueItem &item : serviceCatalogue()) {
            // The items of the menu bar's menus; those of the submenu are clicked elsewhere.
            const QMenu *menu = nullptr;
            for (QObject *holder : menuItem(item.item)->associatedObjects())
                if (auto *m = qobject_cast<QMenu *>(holder); m && m->parent() == form->menuBar())
                    menu = m;
            if (!menu)
                continue;
            chooseFromMenu(menu->objectName().toLatin1().constData(), item.item);
            wire[item.item] = wireText();
        }
        chooseFromMenu("N28", "SelfScan1");
        wire["SelfScan1"] = wireText();
        return wire;
    };
    const std::map<std::string, std::string> russian = wireOfEveryItem(Language::Russian);
    EXPECT_GT(russian.size(), 10u);
    EXPECT_EQ(russian.at("N3"), "/1M");
    EXPECT_EQ(wireOfEveryItem(Language::English), russian);
}

TEST_F(InterfaceLanguageTest, TheSettingsLanguageHoldsFromTheNextStartAndLangGoesOverIt)
{
    const auto choose = [this](Qt::Key key) {
        ASSERT_TRUE(chooseModal<SettingsDialog>("File1", "openSettings", [key](SettingsDialog *d) {
            auto *box = d->findChild<QComboBox *>("interfaceLanguage");
            QTest::mouseClick(box, Qt::LeftButton);
            QTest::keyClick(QApplication::focusWidget(), key);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QTest::mouseClick(
                d->findChild<QDialogButtonBox *>("buttons")->button(QDialogButtonBox::Ok),
                Qt::LeftButton);
        }));
    };
    const auto fileMenu = [this] { return menuEntry("File1")->text().toStdString(); };
    startWith(std::nullopt);
    EXPECT_EQ(fileMenu(), "Файл");
    choose(Qt::Key_End); // "English", the last
    EXPECT_EQ(fileMenu(), "Файл") << "from the next start";
    startWith(std::nullopt);
    EXPECT_EQ(fileMenu(), "File");
    startWith(Language::Russian);
    EXPECT_EQ(fileMenu(), "Файл") << "--lang ru";
    startWith(std::nullopt);
    EXPECT_EQ(fileMenu(), "File");
    choose(Qt::Key_Home); // as the system, which under the C locale is Russian
    startWith(std::nullopt);
    EXPECT_EQ(fileMenu(), "Файл");
    startWith(Language::English);
    EXPECT_EQ(fileMenu(), "File") << "--lang en";
}

} // namespace
