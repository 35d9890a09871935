// What the main window keeps from one run to the next: the input line's history, walked with Up
// and Down, the window's size and place, its splitter and the pane's font size; and how the window
// grows from its smallest size.
#include "dataviews/db_grid.h"
#include "support/gui/program_fixture.h"
#include "terminal/terminal_view.h"

#include <QSplitter>
#include <fstream>

using namespace kelvane;

namespace {

class WindowMemoryTest : public ProgramTest
{
public:
    std::filesystem::path historyFile() const
    {
        return root / "config" / "kelvane" / "history.txt";
    }

    void type(const char *line)
    {
        QTest::keyClicks(Edit1(), line);
        QTest::keyClick(Edit1(), Qt::Key_Return);
    }

    void press(Qt::Key key) { QTest::keyClick(Edit1(), key); }

    void restart()
    {
        form->close();
        program.reset();
        start();
    }
};

TEST_F(WindowMemoryTest, UpAndDownWalkTheLastSentLinesAcrossARestart)
{
    // An earlier history longer than kept: only its newest lines are walked.
    std::filesystem::create_directories(historyFile().parent_path());
    {
        std::ofstream out(historyFile());
        for (int i = 1; i <= 600; ++i)
            out << "old" << i << "\n";
    }
    start();
    connect();
    type("N1");
    type("N1"); // the same twice running is kept once
    Edit1()->insert(QStringLiteral("/Т")); // QTest types ASCII only
    press(Qt::Key_Return);
    EXPECT_EQ(wireText(), "N1\rN1\r/\xD2\r");
    QTest::keyClicks(Edit1(), "dra");
    press(Qt::Key_Up);
    EXPECT_EQ(Edit1()->text(), "/Т");
    press(Qt::Key_Up);
    EXPECT_EQ(Edit1()->text(), "N1");
    press(Qt::Key_Up);
    EXPECT_EQ(Edit1()->text(), "old600");
    press(Qt::Key_Down);
    press(Qt::Key_Down);
    EXPECT_EQ(Edit1()->text(), "/Т");
    press(Qt::Key_Down);
    EXPECT_EQ(Edit1()->text(), "dra") << "what was being typed comes back";
    press(Qt::Key_Down);
    EXPECT_EQ(Edit1()->text(), "dra");
    EXPECT_EQ(wireText(), "") << "walking sends nothing";
    disconnect();

    restart();
    connect();
    for (int i = 0; i < 3; ++i)
        press(Qt::Key_Up);
    EXPECT_EQ(Edit1()->text(), "old600");
    for (int i = 0; i < 600; ++i)
        press(Qt::Key_Up);
    EXPECT_EQ(Edit1()->text(), "old103") << "the oldest of the last 500";
    type(""); // sends the line shown
    EXPECT_EQ(wireText(), "old103\r");
    std::ifstream in(historyFile());
    std::vector<std::string> kept;
    for (std::string line; std::getline(in, line);)
        kept.push_back(line);
    ASSERT_EQ(kept.size(), 500u);
    EXPECT_EQ(kept.front(), "old104");
    EXPECT_EQ(kept.back(), "old103");
    EXPECT_EQ(std::filesystem::status(historyFile()).permissions() & std::filesystem::perms::all,
        std::filesystem::perms::owner_read | std::filesystem::perms::owner_write)
        << "private to its user, as the journal is";
}

TEST_F(WindowMemoryTest, WindowGrowsFromItsLaidOutSizeAndKeepsItsPlaceAcrossARestart)
{
    start();
    const QSize smallest = form->size();
    EXPECT_EQ(form->minimumSize(), smallest);
    auto *grid = child<TDBGrid>("DBGrid2");
    const QSize pane = Memo1()->size();
    const QSize table = grid->size();
    form->resize(smallest + QSize(120, 90));
    QCoreApplication::processEvents();
    EXPECT_EQ(Memo1()->size(), pane + QSize(120, 90));
    EXPECT_EQ(grid->size(), table + QSize(0, 90));
    form->resize(smallest - QSize(50, 50));
    EXPECT_EQ(form->size(), smallest);

    const QRect place(QPoint(30, 40), smallest + QSize(100, 60));
    form->setGeometry(place);
    QCoreApplication::processEvents();
    Edit1()->setFocus();
    QTest::keyClick(Edit1(), Qt::Key_Plus, Qt::ControlModifier);
    const int fontSize = Memo1()->font().pixelSize();
    restart();
    EXPECT_EQ(form->geometry(), place);
    EXPECT_EQ(Memo1()->size(), pane + QSize(100, 60));
    EXPECT_EQ(Memo1()->font().pixelSize(), fontSize) << "the pane's font size too";
    EXPECT_NE(fontSize, TerminalView::DefaultFontSize);
}

TEST_F(WindowMemoryTest, WiderWindowWidensTheFieldsAndTheListTakesTheRoomTheSplitterGives)
{
    start();
    auto *grid = child<TDBGrid>("DBGrid2");
    auto *port = child<QComboBox>("cbPort");
    EXPECT_EQ(Edit1()->width(), 318) << "nothing moves at the laid-out size";
    EXPECT_EQ(port->width(), 79);
    EXPECT_EQ(grid->width(), 185);
    EXPECT_EQ(Memo1()->mapTo(form, QPoint()).x(), 185);

    form->resize(1000, form->height());
    QCoreApplication::processEvents();
    EXPECT_EQ(Edit1()->width(), 318 + 1000 - 568);
    EXPECT_EQ(port->width(), 320) << "as wide as an adapter's description needs, no wider";
    EXPECT_EQ(grid->width(), 185) << "the pane takes the rest";

    // The user drags the splitter to the right: the name column fills the wider list.
    QWidget *handle = child<QSplitter>("bodySplitter")->handle(1);
    const QPoint grip = handle->rect().center();
    QTest::mousePress(handle, Qt::LeftButton, {}, grip);
    QTest::mouseMove(handle, grip + QPoint(150, 0));
    QTest::mouseRelease(handle, Qt::LeftButton, {}, grip + QPoint(150, 0));
    QCoreApplication::processEvents();
    // Qt takes a thin handle's grip a margin (2 pixels) to the left of where it stands.
    EXPECT_NEAR(grid->width(), 185 + 150, 2);
    const int dragged = grid->width();
    EXPECT_EQ(grid->columnWidth(0), grid->viewport()->width()) << "the names fill the list";
    const QString longest = QStringLiteral("Чтение служебной дорожки");
    EXPECT_GT(grid->columnWidth(0), grid->fontMetrics().horizontalAdvance(longest) + 8);

    restart();
    grid = child<TDBGrid>("DBGrid2");
    EXPECT_EQ(form->width(), 1000);
    EXPECT_EQ(grid->width(), dragged) << "the splitter stands where the user left it";
}

} // namespace
