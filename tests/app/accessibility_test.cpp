// What a screen reader finds: the accessible trees of the main window and the command editor walk
// without a warning, the grids read as tables of what they show, and the terminal pane reads as
// text what the drive sent.
#include "cmdtable/command_editor_dialog.h"
#include "dataviews/db_grid.h"
#include "support/gui/menu_clicks.h"
#include "support/gui/program_fixture.h"

#include <QAccessible>

using namespace kelvane;

namespace {

QStringList warnings;

void collect(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    // The offscreen platform's notes on what it cannot do (raise a window, grab the keyboard
    // for a menu) are not the program's.
    if (type != QtDebugMsg && type != QtInfoMsg
        && !text.startsWith(QLatin1String("This plugin does not support")))
        warnings << text;
}

// Every interface under `iface`, each child asked for as an AT-SPI client asks.
int walk(QAccessibleInterface *iface)
{
    int count = 1;
    for (int i = 0; i < iface->childCount(); ++i) {
        QAccessibleInterface *child = iface->child(i);
        EXPECT_NE(child, nullptr) << i << " of " << iface->text(QAccessible::Name).toStdString();
        if (child) {
            (void)child->text(QAccessible::Name);
            (void)child->state();
            count += walk(child);
        }
    }
    return count;
}

// Walks the tree of `window` with a message handler that takes every warning.
std::string warningsWalking(QWidget *window)
{
    warnings.clear();
    QtMessageHandler before = qInstallMessageHandler(collect);
    EXPECT_GT(walk(QAccessible::queryAccessibleInterface(window)), 10);
    qInstallMessageHandler(before);
    return warnings.join(QLatin1Char('\n')).toStdString();
}

class AccessibilityTest : public ProgramTest
{
};

TEST_F(AccessibilityTest, TheTreesOfTheMainWindowAndTheEditorWalkWithoutAWarning)
{
    writeCommandTable(tablePath(), {}); // a table with no record yet: the grids start inserting
    start();
    EXPECT_EQ(warningsWalking(form), "");
    connect();
    pty.Write("T>");
    ASSERT_TRUE(paneShows("T>"));
    bool shown = false;
    QTimer::singleShot(0, [&] {
        auto *editor = qobject_cast<Tcommand2 *>(QApplication::activeModalWidget());
        ASSERT_NE(editor, nullptr);
        shown = true;
        EXPECT_EQ(warningsWalking(editor), "");
        QTest::mouseClick(editor->findChild<QPushButton *>("OKBtn"), Qt::LeftButton); // "Добавить"
    });
    EXPECT_TRUE(clickMenuItem(*form, "N20", "N23"));
    EXPECT_TRUE(shown);
    EXPECT_EQ(warningsWalking(form), "") << "after a record was added";
    EXPECT_TRUE(clickMenuItem(*form, "N20", "N24")); // "Удалить команду"
    EXPECT_EQ(warningsWalking(form), "") << "after it was deleted";
}

TEST_F(AccessibilityTest, GridsReadAsTablesOfTheColumnsTheyShow)
{
    start();
    warnings.clear();
    QtMessageHandler before = qInstallMessageHandler(collect);
    auto table = [](QWidget *grid) {
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(grid);
        EXPECT_EQ(iface->role(), QAccessible::Table);
        return iface;
    };
    auto header = [](QAccessibleInterface *cell) {
        const auto headers = cell->tableCellInterface()->columnHeaderCells();
        return headers.size() == 1 ? headers[0]->text(QAccessible::Name) : QStringLiteral("?");
    };

    // The main grid shows names only: the hidden command and level are not read out.
    QAccessibleInterface *main = table(form->findChild<TDBGrid *>("DBGrid2"));
    QAccessibleTableInterface *mainTable = main->tableInterface();
    ASSERT_NE(mainTable, nullptr);
    EXPECT_EQ(mainTable->rowCount(), 3);
    EXPECT_EQ(mainTable->columnCount(), 1);
    ASSERT_EQ(main->childCount(), 3);
    QStringList names;
    for (int i = 0; i < main->childCount(); ++i) {
        QAccessibleInterface *cell = main->child(i);
        names << cell->text(QAccessible::Name);
        EXPECT_EQ(main->indexOfChild(cell), i);
        EXPECT_EQ(cell->tableCellInterface()->rowIndex(), i);
        EXPECT_EQ(header(cell), "Команда");
    }
    EXPECT_EQ(names,
        QStringList({"Тип и версия ПЗУ", "Остановить шпиндель", "Чтение служебной дорожки"}));
    EXPECT_EQ(main->child(3), nullptr) << "no child past the last cell";

    // The editor's grid: a child's index is row × columns + column, as AT-SPI clients count.
    QAccessibleInterface *editor
        = table(program->windows().command2->findChild<TDBGrid *>("DBGrid1"));
    EXPECT_EQ(editor->childCount(), 9);
    QAccessibleInterface *level = editor->tableInterface()->cellAt(1, 2);
    EXPECT_EQ(level->text(QAccessible::Name), "2");
    EXPECT_EQ(editor->child(5), level);
    EXPECT_EQ(header(level), "Уровень");

    // Emptied, the grid still names its column for a reader asking for the header in row 0.
    connect();
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(clickMenuItem(*form, "N20", "N24")); // "Удалить команду"
    EXPECT_EQ(mainTable->rowCount(), 0);
    EXPECT_EQ(main->childCount(), 0);
    QAccessibleInterface *outside = mainTable->cellAt(0, 0);
    ASSERT_NE(outside, nullptr);
    EXPECT_FALSE(outside->isValid());
    EXPECT_EQ(header(outside), "Команда");

    qInstallMessageHandler(before);
    EXPECT_EQ(warnings.join(QLatin1Char('\n')).toStdString(), "");
}

TEST_F(AccessibilityTest, TheTerminalReadsAsTextWhatTheDriveSent)
{
    start();
    connect();
    // "Привет" in Windows-1251, a line end, a prompt and a bell the pane shows as a dot.
    const std::string bytes = "\xCF\xF0\xE8\xE2\xE5\xF2\r\nT>\x07";
    pty.Write(bytes);
    ASSERT_TRUE(paneShows(bytes));

    QAccessibleInterface *pane = QAccessible::queryAccessibleInterface(Memo1());
    ASSERT_NE(pane, nullptr);
    QAccessibleTextInterface *text = pane->textInterface();
    ASSERT_NE(text, nullptr) << "the pane is text to a screen reader";
    EXPECT_EQ(pane->role(), QAccessible::EditableText);
    EXPECT_TRUE(pane->state().readOnly);
    EXPECT_EQ(pane->text(QAccessible::Name), "Терминал");
    const QString all = QString::fromUtf8("Привет \nT>\u00B7");
    EXPECT_EQ(text->characterCount(), 11);
    EXPECT_EQ(text->text(0, text->characterCount()), all);
    EXPECT_EQ(text->text(1, 4), "рив");
    int start = -1, end = -1;
    EXPECT_EQ(text->textAtOffset(9, QAccessible::LineBoundary, &start, &end), "T>\u00B7");
    EXPECT_EQ(std::make_pair(start, end), std::make_pair(8, 11));

    // Ctrl+A in the pane selects everything; the caret stands at the end.
    QTest::mouseClick(Memo1()->viewport(), Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_EQ(text->selectionCount(), 0);
    EXPECT_EQ(text->cursorPosition(), 0);
    QTest::keyClick(Memo1(), Qt::Key_A, Qt::ControlModifier);
    ASSERT_EQ(text->selectionCount(), 1);
    text->selection(0, &start, &end);
    EXPECT_EQ(std::make_pair(start, end), std::make_pair(0, 11));
    EXPECT_EQ(text->cursorPosition(), 11);
    // A screen reader's own selection is the pane's.
    text->setSelection(0, 8, 10);
    EXPECT_EQ(Memo1()->selectedText(), "T>");
    // Where the first character stands, and which one lies there.
    const QRect first = text->characterRect(0);
    EXPECT_FALSE(first.isEmpty());
    EXPECT_EQ(text->offsetAtPoint(first.center()), 0);
    EXPECT_EQ(text->offsetAtPoint(text->characterRect(9).center()), 9);

    // When the drive has printed a screenful more, a reader can bring the first line back.
    std::string more;
    for (int i = 0; i < 100; ++i)
        more += "line\r\n";
    pty.Write(more);
    ASSERT_TRUE(paneShows(bytes + more));
    const QRect shown(Memo1()->viewport()->mapToGlobal(QPoint(0, 0)), Memo1()->viewport()->size());
    EXPECT_FALSE(shown.contains(text->characterRect(0).center())) << "scrolled to the end";
    text->scrollToSubstring(0, 2);
    EXPECT_TRUE(shown.contains(text->characterRect(0).center()));
}

} // namespace
