// The menus as a person reaches them: a click on the menu bar or the keyboard, in every state of
// the window, and one item of each menu clicked in its popup, checked on the wire.
#include "cmdtable/run_command_dialog.h"
#include "support/fake_device.h"
#include "support/gui/program_fixture.h"

#include <fstream>
#include <set>

using namespace kelvane;

namespace {

const std::set<std::string> AlwaysThere = {"File1", "viewMenu", "Help1"};
const std::set<std::string> Everything
    = {"File1", "N10", "Send1", "N28", "SMART1", "N20", "viewMenu", "Help1"};

class MenuBarTest : public ProgramTest
{
public:
    static std::string popupName()
    {
        return openPopup() ? openPopup()->objectName().toStdString() : "";
    }

    // Clicks the entry of `submenu` in the popup of `menu`; the submenu drops down a moment later.
    static void openSubmenu(QMenu *menu, QMenu *submenu)
    {
        ASSERT_TRUE(clickInPopup(menu, submenu->menuAction())) << "the popup is not up";
        EXPECT_TRUE(QTest::qWaitFor([&] { return openPopup() == submenu; }, 5000))
            << "the submenu " << submenu->objectName().toStdString() << " did not drop down";
    }

    static QStringList greyedItems(QMenu *menu)
    {
        QStringList greyed;
        for (QAction *item : menu->actions())
            if (item->isVisible() && !item->isSeparator() && !item->isEnabled())
                greyed << item->text();
        return greyed;
    }

    // Opens each menu of the bar in turn: exactly those of `dropping` drop down, and every item
    // they show can be clicked; so can those of the "Дополнительно" submenu.
    void expectMenusDropping(const std::set<std::string> &dropping)
    {
        for (QAction *entry : form->menuBar()->actions()) {
            QMenu *menu = entry->menu();
            const std::string name = menu->objectName().toStdString();
            SCOPED_TRACE(name);
            dropDown(*form, menu);
            EXPECT_EQ(popupName(), dropping.count(name) ? name : "");
            if (openPopup() == menu) {
                // A procedure needs the connection, and the port to itself.
                const bool procedureGreyed
                    = name == "File1" && (!form->BComPort1.IsOpen() || form->uploading());
                EXPECT_EQ(greyedItems(menu),
                    procedureGreyed ? QStringList {"Выполнить процедуру..."} : QStringList());
                if (name == "SMART1") {
                    auto *more = child<QMenu>("N8");
                    openSubmenu(menu, more);
                    EXPECT_EQ(greyedItems(more), QStringList());
                }
            }
            closeMenus();
        }
    }
};

TEST_F(MenuBarTest, EveryMenuDropsDownWhenItsStateAllowsAndItsItemsWork)
{
    start();
    {
        SCOPED_TRACE("start");
        expectMenusDropping(AlwaysThere);
    }
    connect();
    {
        SCOPED_TRACE("connected");
        expectMenusDropping(Everything);
    }
    chooseFromMenu("N10", "N11");
    EXPECT_EQ(wireText(), "/1");
    chooseFromMenu("Send1", "N2");
    EXPECT_EQ(wireText(), "/1F");
    chooseFromMenu("N28", "N12");
    EXPECT_EQ(wireText(), "/TR");
    chooseFromMenu("SMART1", "N4");
    EXPECT_EQ(wireText(), "/1N1");
    dropDown(*form, child<QMenu>("SMART1"));
    openSubmenu(child<QMenu>("SMART1"), child<QMenu>("N8"));
    EXPECT_TRUE(clickInPopup(child<QMenu>("N8"), menuItem("N9")));
    EXPECT_EQ(wireText(), "/1N7");
    // By keyboard: Alt into the menu bar, down into "Файл", right along to "Операции", whose
    // first item starts the self-scan.
    ASSERT_TRUE(pressKey(Qt::Key_Alt));
    ASSERT_TRUE(pressKey(Qt::Key_Down));
    EXPECT_EQ(popupName(), "File1");
    for (const char *next : {"N10", "Send1", "N28"}) {
        ASSERT_TRUE(pressKey(Qt::Key_Right));
        EXPECT_EQ(popupName(), next);
    }
    ASSERT_TRUE(pressKey(Qt::Key_Return));
    EXPECT_EQ(wireText(), "/TN2,,22");
    EXPECT_EQ(dialogs.messages.size(), 1);
    closeMenus();

    QTimer::singleShot(0, [] {
        if (auto *run = qobject_cast<Tcommand *>(QApplication::activeModalWidget()))
            run->findChild<QPushButton *>("OKBtn")->click();
    });
    chooseFromMenu("N20", "N22");
    EXPECT_EQ(wireText(), "/1M") << "the first command of the table";

    disconnect();
    {
        SCOPED_TRACE("disconnected");
        expectMenusDropping(AlwaysThere);
    }
}

TEST_F(MenuBarTest, WhileAnUploadRunsOnlyFileAndHelpDropDown)
{
    auto device = std::make_shared<FakeDeviceScript>();
    start(device->opener());
    connect();
    const std::string file = (root / "FW.BIN").string();
    std::ofstream(file) << std::string(3000, 'x');
    dialogs.answerOpenFile(QString::fromStdString(file));
    device->clearCalls();
    bool looked = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        // The upload waits for the drive after the start command and the header.
        if (looked || !form->uploading() || device->Count("Write") != 2)
            return;
        looked = true;
        expectMenusDropping(AlwaysThere);
        device->eventAfterWrite(4);
        device->queueEvent(4);
    });
    poll.start(2);
    chooseFromMenu("N28", "overley1");
    EXPECT_TRUE(looked);
    EXPECT_EQ(form->statusText(), "Загрузка ОВЕРЛЕЯ произведена...");
    SCOPED_TRACE("after the upload");
    expectMenusDropping(Everything);
}

} // namespace
