// The data-aware views on a real table, offscreen: what the grid, the edit box, the label and the
// navigator show, how typing and moving between rows store or drop an edit, and how the
// navigator's buttons follow the dataset's state. The table's bytes are checked after each step.
#include "cursor/table_cursor.h"
#include "framework/db_edit.h"
#include "framework/db_grid.h"
#include "framework/db_navigator.h"
#include "framework/db_text.h"
#include "support/dbf/dbf_test_support.h"
#include "support/gui/scripted_dialogs.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace kelvane;

using namespace DbfTest;

namespace {

const std::vector<FieldLayout> Fields = {{"NAME", 'C', 10}, {"COMAND", 'C', 8}, {"UROVEN", 'C', 2}};
constexpr size_t HeaderSize = 32 + 3 * 32 + 1;
constexpr size_t RecordSize = 1 + 10 + 8 + 2;

class DataViews : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WriteTable({Record(Fields, {"a", "A", "1"}), Record(Fields, {"gone", "G", "1"}, '*'),
            Record(Fields, {"b", "B", "2"}), Record(Fields, {"c", "C", "T"})});
        auto *layout = new QVBoxLayout(&window);
        for (QWidget *view : std::initializer_list<QWidget *> {&navigator, &grid, &edit, &label})
            layout->addWidget(view);
        layout->addWidget(&elsewhere);
        grid.SetColumns({{"NAME", QStringLiteral("Команда"), 142, true}, {"COMAND", "", 64, false},
            {"UROVEN", "", 64, false}});
        edit.SetDataField("COMAND");
        label.SetDataField("NAME");
        window.resize(400, 400);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    void WriteTable(const std::vector<std::string> &records)
    {
        WriteFile(path, TableImage(0x03, Fields, records).Bytes());
    }

    // Opens the table and binds every view to it.
    void Open()
    {
        dbf.SetName("Dbf1");
        dbf.SetFileName(path);
        dbf.Open();
        grid.SetDataSource(&source);
        edit.SetDataSource(&source);
        label.SetDataSource(&source);
        navigator.SetDataSource(&source);
    }

    // Types any characters, Cyrillic included, as key presses.
    static void Type(QWidget *widget, const QString &text)
    {
        for (QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(widget, &press);
            QApplication::sendEvent(widget, &release);
        }
    }

    std::string FileRecord(size_t n) const
    {
        return ReadFile(path).substr(HeaderSize + n * RecordSize, RecordSize);
    }
    QString Cell(int row) const { return grid.model()->index(row, 0).data().toString(); }
    std::string Name() { return dbf.FieldByName("NAME").AsString(); }
    int SelectedRow() const
    {
        const QModelIndexList rows = grid.selectionModel()->selectedRows();
        return rows.size() == 1 ? rows.front().row() : -1;
    }

    void ClickRow(int row)
    {
        const QRect cell = grid.visualRect(grid.model()->index(row, 0));
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, cell.center());
    }

    // Opens the in-place editor on a row's NAME cell and types `text` over its contents.
    void TypeInCell(int row, const QString &text)
    {
        grid.setFocus();
        const QModelIndex cell = grid.model()->index(row, 0);
        grid.setCurrentIndex(cell);
        grid.edit(cell);
        auto *editor = grid.viewport()->findChild<QLineEdit *>();
        ASSERT_NE(editor, nullptr);
        editor->selectAll();
        QTest::keyClicks(editor, text);
    }

    void Click(TNavigateBtn button)
    {
        ASSERT_TRUE(navigator.Button(button)->isEnabled()) << button;
        navigator.Button(button)->click();
    }

    ScriptedDialogs dialogs;
    TempDir dir;
    std::string path = dir.Path("com.dbf");
    TDbf dbf;
    TDataSource source {&dbf};
    QWidget window;
    TDBNavigator navigator;
    TDBGrid grid;
    TDBEdit edit;
    TDBText label;
    QPushButton elsewhere {QStringLiteral("elsewhere")};
};

TEST_F(DataViews, AllViewsShowTheSharedCurrentRecord)
{
    Open();
    ASSERT_EQ(grid.model()->rowCount(), 3) << "the deleted record is no row";
    EXPECT_EQ(Cell(0), "a");
    EXPECT_EQ(Cell(2), "c");
    EXPECT_EQ(grid.model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Команда"));
    EXPECT_EQ(grid.columnWidth(0), 142);
    EXPECT_TRUE(grid.isColumnHidden(1) && grid.isColumnHidden(2));
    EXPECT_EQ(SelectedRow(), 0);
    EXPECT_EQ(edit.text(), "A");
    EXPECT_EQ(label.text(), "a");

    dbf.Next();
    EXPECT_EQ(SelectedRow(), 1);
    EXPECT_EQ(edit.text(), "B");
    EXPECT_EQ(label.text(), "b");

    ClickRow(2);
    EXPECT_EQ(Name(), "c") << "choosing a row moves the dataset";
    EXPECT_EQ(edit.text(), "C");
    EXPECT_EQ(label.text(), "c");

    TDBGrid other;
    other.SetDataSource(&source);
    EXPECT_EQ(other.selectionModel()->selectedRows().value(0).row(), 2);
    dbf.First();
    EXPECT_EQ(other.selectionModel()->selectedRows().value(0).row(), 0);
    EXPECT_EQ(SelectedRow(), 0);
}

TEST_F(DataViews, TypingInACellAndMovingToAnotherRowStoresTheChange)
{
    Open();
    TypeInCell(0, "typed");
    EXPECT_EQ(dbf.State(), dsEdit) << "editing a cell puts the dataset into edit state";
    EXPECT_EQ(FileRecord(0), Record(Fields, {"a", "A", "1"}));
    ClickRow(1);
    EXPECT_EQ(dbf.State(), dsBrowse);
    EXPECT_EQ(FileRecord(0), Record(Fields, {"typed", "A", "1"}));
    EXPECT_EQ(Name(), "b");
    EXPECT_EQ(Cell(0), "typed");
    EXPECT_EQ(SelectedRow(), 1);
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("; ").toStdString();
}

TEST_F(DataViews, StoringWhileACellIsStillBeingEditedTakesItsText)
{
    Open();
    TypeInCell(1, "open");
    Click(nbPost);
    EXPECT_EQ(FileRecord(2), Record(Fields, {"open", "B", "2"}));
    EXPECT_EQ(dbf.State(), dsBrowse);
}

TEST_F(DataViews, MovingWithoutAChangeDropsTheEdit)
{
    Open();
    int posts = 0;
    int cancels = 0;
    dbf.AfterPost = [&](TDataSet &) { ++posts; };
    dbf.AfterCancel = [&](TDataSet &) { ++cancels; };
    TypeInCell(0, "a");
    EXPECT_EQ(dbf.State(), dsEdit);
    ClickRow(2);
    EXPECT_EQ(posts, 0);
    EXPECT_EQ(cancels, 1);
    EXPECT_EQ(Name(), "c");
    EXPECT_EQ(dbf.State(), dsBrowse);
}

TEST_F(DataViews, EditBoxTextReachesTheFieldOnPostOrFocusLossAndCancelRestores)
{
    Open();
    edit.setFocus();
    QTest::keyClicks(&edit, "x");
    EXPECT_EQ(dbf.State(), dsEdit) << "typing starts the edit";
    EXPECT_EQ(edit.text(), "Ax") << "what was typed stays";
    EXPECT_TRUE(edit.EditPending());
    EXPECT_FALSE(dbf.Modified()) << "the field has not changed yet";
    Click(nbCancel);
    EXPECT_EQ(edit.text(), "A");
    EXPECT_FALSE(edit.EditPending());
    EXPECT_EQ(dbf.State(), dsBrowse);

    edit.setFocus();
    QTest::keyClicks(&edit, "y");
    Click(nbPost);
    EXPECT_EQ(FileRecord(0), Record(Fields, {"a", "Ay", "1"}));

    edit.setFocus();
    QTest::keyClicks(&edit, "z");
    elsewhere.setFocus();
    EXPECT_EQ(dbf.FieldByName("COMAND").AsString(), "Ayz") << "losing focus sets the field";
    EXPECT_TRUE(dbf.Modified());
    EXPECT_EQ(FileRecord(0), Record(Fields, {"a", "Ay", "1"})) << "but does not store it";
    EXPECT_EQ(edit.maxLength(), 8);
}

TEST_F(DataViews, TypingInTheEditBoxOfAnEmptyTableStartsANewRecord)
{
    WriteTable({});
    Open();
    EXPECT_EQ(grid.model()->rowCount(), 0);
    EXPECT_FALSE(navigator.Button(nbDelete)->isEnabled());
    edit.setFocus();
    QTest::keyClicks(&edit, "Z");
    EXPECT_EQ(dbf.State(), dsInsert);
    EXPECT_EQ(grid.model()->rowCount(), 1) << "the new record is a row";
    EXPECT_EQ(edit.text(), "Z");
    Click(nbPost);
    EXPECT_EQ(FileRecord(0), Record(Fields, {"", "Z"})) << "the fields not typed in stay blank";
    EXPECT_EQ(grid.model()->rowCount(), 1);
    EXPECT_EQ(SelectedRow(), 0);
}

TEST_F(DataViews, NavigatorInsertShowsANewRowAndItsDeleteDropsIt)
{
    Open();
    dbf.Next();
    Click(nbInsert);
    ASSERT_EQ(grid.model()->rowCount(), 4);
    EXPECT_EQ(SelectedRow(), 1) << "inserted at the current record's place";
    EXPECT_EQ(Cell(1), "");
    EXPECT_EQ(Cell(2), "b");
    EXPECT_EQ(grid.model()->headerData(1, Qt::Vertical).toString(), "*");
    const std::string before = ReadFile(path);
    Click(nbDelete);
    EXPECT_EQ(dbf.State(), dsBrowse);
    EXPECT_EQ(grid.model()->rowCount(), 3);
    EXPECT_EQ(ReadFile(path), before) << "nothing deleted";
    EXPECT_EQ(Name(), "b");

    Click(nbDelete);
    EXPECT_TRUE(dialogs.messages.isEmpty()) << "no confirmation";
    EXPECT_EQ(grid.model()->rowCount(), 2);
    EXPECT_EQ(FileRecord(2)[0], '*');
    EXPECT_EQ(label.text(), "c");
}

TEST_F(DataViews, InsertedRowTypedInTheGridIsStoredLastWhenLeft)
{
    Open();
    Click(nbInsert);
    EXPECT_EQ(SelectedRow(), 0);
    TypeInCell(0, "new");
    ClickRow(2);
    EXPECT_EQ(FileRecord(4).substr(0, 4), " new") << "appended to the file";
    ASSERT_EQ(grid.model()->rowCount(), 4);
    EXPECT_EQ(Cell(3), "new") << "and shown last";
    EXPECT_EQ(Name(), "b") << "the row chosen";
    EXPECT_EQ(SelectedRow(), 1);
}

TEST_F(DataViews, NavigatorButtonsFollowTheState)
{
    const auto enabled = [&] {
        std::string flags;
        for (TNavigateBtn b : {nbInsert, nbDelete, nbEdit, nbPost, nbCancel})
            flags += navigator.Button(b)->isEnabled() ? '1' : '0';
        return flags;
    };
    navigator.SetDataSource(&source);
    EXPECT_EQ(enabled(), "00000") << "closed";
    Open();
    EXPECT_EQ(enabled(), "11100");
    Click(nbEdit);
    EXPECT_EQ(dbf.State(), dsEdit);
    EXPECT_EQ(enabled(), "11011");
    Click(nbCancel);
    EXPECT_EQ(enabled(), "11100");
    dbf.Close();
    EXPECT_EQ(enabled(), "00000");
    dbf.SetReadOnly(true);
    dbf.Open();
    EXPECT_EQ(enabled(), "00000") << "read-only";
    EXPECT_TRUE(edit.isReadOnly());
    EXPECT_FALSE(grid.model()->flags(grid.model()->index(0, 0)) & Qt::ItemIsEditable);
    for (int i = 0; i < 5; ++i)
        EXPECT_FALSE(navigator.Button(TNavigateBtn(i))->toolTip().isEmpty());
    EXPECT_EQ(navigator.Button(nbPost)->accessibleName(), QStringLiteral("Сохранить изменения"));
}

TEST_F(DataViews, ErrorsOfAButtonGoToTheErrorDisplay)
{
    Open();
    dbf.BeforePost = [](TDataSet &) { throw std::runtime_error("refused"); };
    Click(nbEdit);
    Click(nbPost);
    EXPECT_EQ(dialogs.errors, QStringList {"refused"});
    EXPECT_EQ(dbf.State(), dsEdit);
    ClickRow(1);
    EXPECT_EQ(Name(), "b") << "unmodified: dropped, so BeforePost was not asked";
    EXPECT_EQ(dialogs.errors.size(), 1);
    dbf.Edit();
    dbf.FieldByName("NAME").SetAsString("x");
    ClickRow(2);
    EXPECT_EQ(dialogs.errors.size(), 2) << "leaving a modified record stores it, which fails";
    EXPECT_EQ(SelectedRow(), 1) << "the grid stays on the dataset's row";
    EXPECT_EQ(dbf.State(), dsEdit);
}

TEST_F(DataViews, ViewsOutliveTheirSourceAndTheirDataset)
{
    Open();
    auto otherSource = std::make_unique<TDataSource>(&dbf);
    TDBGrid other;
    TDBEdit otherEdit;
    other.SetDataSource(otherSource.get());
    otherEdit.SetDataSource(otherSource.get());
    otherEdit.SetDataField("COMAND");
    EXPECT_EQ(other.model()->rowCount(), 3);
    otherSource.reset();
    EXPECT_EQ(other.model()->rowCount(), 0);
    EXPECT_EQ(otherEdit.text(), "");
    EXPECT_TRUE(otherEdit.isReadOnly());

    auto table = std::make_unique<TDbf>();
    source.SetDataSet(table.get());
    EXPECT_EQ(grid.model()->rowCount(), 0) << "another dataset, closed";
    table->SetFileName(path);
    dbf.Close();
    table->Open();
    EXPECT_EQ(grid.model()->rowCount(), 3);
    EXPECT_EQ(label.text(), "a");
    table.reset();
    EXPECT_EQ(source.DataSet(), nullptr);
    EXPECT_EQ(grid.model()->rowCount(), 0);
    EXPECT_EQ(label.text(), "");
    EXPECT_FALSE(navigator.Button(nbInsert)->isEnabled());
}

TEST_F(DataViews, CyrillicCrossesAsWindows1251AndIsStoredInCp866)
{
    WriteTable({Record(Fields, {"\x8F\xE0\xA8\xA2\xA5\xE2"})});
    Open();
    EXPECT_EQ(Cell(0), QStringLiteral("Привет"));
    EXPECT_EQ(label.text(), QStringLiteral("Привет"));
    edit.setFocus();
    Type(&edit, QStringLiteral("Дз"));
    Click(nbPost);
    EXPECT_EQ(FileRecord(0).substr(11, 2), "\x84\xA7");
}

} // namespace
