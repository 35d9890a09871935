// The menus as a person reaches them: a click on the menu bar or the keyboard, in every state of
// the window, and one item of each menu clicked in its popup, checked on the wire.
#include "cmdtable/run_command_dialog.h"
#include "support/fake_device.h"
#include "support/gui/program_fixture.h"

#include <fstream>
#include <set>

using namespace kelvane;

namespace {

const std::set<std::string> AlwaysThere = {"File1", "Help1"};
const std::set<std::string> Everything = {"File1", "N10", "Send1", "N28", "SMART1", "N20", "Help1"};

class MenuBarTest : public ProgramTest
{
public:
    QMenuBar *Bar() { return form->menuBar(); }
    static QWidget *Popup() { return QApplication::activePopupWidget(); }
    static std::string PopupName() { return Popup() ? Popup()->objectName().toStdString() : ""; }

    // Clicks the menu bar on the entry of `menu`.
    void DropDown(QMenu *menu)
    {
        const QPoint entry = Bar()->actionGeometry(menu->menuAction()).center();
        QTest::mouseClick(Bar(), Qt::LeftButton, {}, entry);
    }

    // Clicks `item` in the popup of `menu`.
    static void Click(QMenu *menu, QAction *item)
    {
        ASSERT_EQ(Popup(), menu) << "the popup is not up";
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
    }

    // Clicks the entry of `submenu` in the popup of `menu`; the submenu drops down a moment later.
    static void OpenSubmenu(QMenu *menu, QMenu *submenu)
    {
        Click(menu, submenu->menuAction());
        EXPECT_TRUE(QTest::qWaitFor([&] { return Popup() == submenu; }, 5000))
            << "the submenu " << submenu->objectName().toStdString() << " did not drop down";
    }

    // A key pressed where the keyboard is: in the open popup, else in the focused widget.
    static void Press(Qt::Key key)
    {
        QWidget *target = Popup() ? Popup() : QApplication::focusWidget();
        ASSERT_NE(target, nullptr);
        QTest::keyClick(target, key);
    }

    static void CloseMenus()
    {
        while (Popup())
            Press(Qt::Key_Escape);
    }

    static QStringList GreyedItems(QMenu *menu)
    {
        QStringList greyed;
        for (QAction *item : menu->actions())
            if (item->isVisible() && !item->isSeparator() && !item->isEnabled())
                greyed << item->text();
        return greyed;
    }

    // Opens each menu of the bar in turn: exactly those of `dropping` drop down, and every item
    // they show can be clicked; so can those of the "Дополнительно" submenu.
    void ExpectMenusDropping(const std::set<std::string> &dropping)
    {
        for (QAction *entry : Bar()->actions()) {
            QMenu *menu = entry->menu();
            const std::string name = menu->objectName().toStdString();
            SCOPED_TRACE(name);
            DropDown(menu);
            EXPECT_EQ(PopupName(), dropping.count(name) ? name : "");
            if (Popup() == menu) {
                EXPECT_EQ(GreyedItems(menu), QStringList());
                if (name == "SMART1") {
                    auto *more = Child<QMenu>("N8");
                    OpenSubmenu(menu, more);
                    EXPECT_EQ(GreyedItems(more), QStringList());
                }
            }
            CloseMenus();
        }
    }
};

TEST_F(MenuBarTest, EveryMenuDropsDownWhenItsStateAllowsAndItsItemsWork)
{
    Start();
    {
        SCOPED_TRACE("start");
        ExpectMenusDropping(AlwaysThere);
    }
    Connect();
    {
        SCOPED_TRACE("connected");
        ExpectMenusDropping(Everything);
    }
    ChooseFromMenu("N10", "N11");
    EXPECT_EQ(Wire(), "/1");
    ChooseFromMenu("Send1", "N2");
    EXPECT_EQ(Wire(), "/1F");
    ChooseFromMenu("N28", "N12");
    EXPECT_EQ(Wire(), "/TR");
    ChooseFromMenu("SMART1", "N4");
    EXPECT_EQ(Wire(), "/1N1");
    DropDown(Child<QMenu>("SMART1"));
    OpenSubmenu(Child<QMenu>("SMART1"), Child<QMenu>("N8"));
    Click(Child<QMenu>("N8"), MenuItem("N9"));
    EXPECT_EQ(Wire(), "/1N7");
    // By keyboard: Alt into the menu bar, down into "Файл", right along to "Операции", whose
    // first item starts the self-scan.
    Press(Qt::Key_Alt);
    Press(Qt::Key_Down);
    EXPECT_EQ(PopupName(), "File1");
    for (const char *next : {"N10", "Send1", "N28"}) {
        Press(Qt::Key_Right);
        EXPECT_EQ(PopupName(), next);
    }
    Press(Qt::Key_Return);
    EXPECT_EQ(Wire(), "/TN2,,22");
    EXPECT_EQ(dialogs.messages.size(), 1);
    CloseMenus();

    QTimer::singleShot(0, [] {
        if (auto *run = qobject_cast<Tcommand *>(QApplication::activeModalWidget()))
            run->findChild<QPushButton *>("OKBtn")->click();
    });
    ChooseFromMenu("N20", "N22");
    EXPECT_EQ(Wire(), "/1M") << "the first command of the table";

    Disconnect();
    {
        SCOPED_TRACE("disconnected");
        ExpectMenusDropping(AlwaysThere);
    }
}

TEST_F(MenuBarTest, WhileAnUploadRunsOnlyFileAndHelpDropDown)
{
    auto device = std::make_shared<FakeDeviceScript>();
    Start(device->Opener());
    Connect();
    const std::string file = (root / "FW.BIN").string();
    std::ofstream(file) << std::string(3000, 'x');
    dialogs.AnswerOpenFile(QString::fromStdString(file));
    device->ClearCalls();
    bool looked = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        // The upload waits for the drive after the start command and the header.
        if (looked || !form->Uploading() || device->Count("Write") != 2)
            return;
        looked = true;
        ExpectMenusDropping(AlwaysThere);
        device->EventAfterWrite(4);
        device->QueueEvent(4);
    });
    poll.start(2);
    ChooseFromMenu("N28", "overley1");
    EXPECT_TRUE(looked);
    EXPECT_EQ(form->StatusText(), "Загрузка ОВЕРЛЕЯ произведена...");
    SCOPED_TRACE("after the upload");
    ExpectMenusDropping(Everything);
}

} // namespace
