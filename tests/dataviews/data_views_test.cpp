// The data-aware views on a real table, offscreen: what the grid, the edit box, the label and the
// navigator show, how typing and moving between rows store or drop an edit, and how the
// navigator's buttons follow the dataset's state. The table's bytes are checked after each step.
#include "cursor/table_cursor.h"
#include "dataviews/db_edit.h"
#include "dataviews/db_grid.h"
#include "dataviews/db_navigator.h"
#include "dataviews/db_text.h"
#include "framework/error_display.h"
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
        writeTable(
            {recordBytes(Fields, {"a", "A", "1"}), recordBytes(Fields, {"gone", "G", "1"}, '*'),
                recordBytes(Fields, {"b", "B", "2"}), recordBytes(Fields, {"c", "C", "T"})});
        auto *layout = new QVBoxLayout(&m_window);
        for (QWidget *view :
            std::initializer_list<QWidget *> {&m_navigator, &m_grid, &m_edit, &m_label})
            layout->addWidget(view);
        layout->addWidget(&m_elsewhere);
        m_grid.setColumns({{"NAME", QStringLiteral("Команда"), 142, true},
            {"COMAND", "", 64, false}, {"UROVEN", "", 64, false}});
        m_edit.SetDataField("COMAND");
        m_label.SetDataField("NAME");
        m_window.resize(400, 400);
        m_window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_window));
    }

    void writeTable(const std::vector<std::string> &records)
    {
        WriteFile(m_path, TableImage(0x03, Fields, records).bytes());
    }

    // Opens the table and binds every view to it.
    void Open()
    {
        m_dbf.SetName("Dbf1");
        m_dbf.setErrorSink(m_errors);
        m_dbf.SetFileName(m_path);
        m_dbf.Open();
        m_grid.SetDataSource(&m_source);
        m_edit.SetDataSource(&m_source);
        m_label.SetDataSource(&m_source);
        m_navigator.SetDataSource(&m_source);
    }

    // Types any characters, Cyrillic included, as key presses.
    static void type(QWidget *widget, const QString &text)
    {
        for (QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(widget, &press);
            QApplication::sendEvent(widget, &release);
        }
    }

    std::string fileRecord(size_t n) const
    {
        return ReadFile(m_path).substr(HeaderSize + n * RecordSize, RecordSize);
    }
    QString cell(int row) const { return m_grid.model()->index(row, 0).data().toString(); }
    std::string Name() { return m_dbf.FieldByName("NAME").AsString(); }
    int selectedRow() const
    {
        const QModelIndexList rows = m_grid.selectionModel()->selectedRows();
        return rows.size() == 1 ? rows.front().row() : -1;
    }

    void clickRow(int row)
    {
        const QRect cell = m_grid.visualRect(m_grid.model()->index(row, 0));
        QTest::mouseClick(m_grid.viewport(), Qt::LeftButton, {}, cell.center());
    }

    // Opens the in-place editor on a row's NAME cell and types `text` over its contents.
    void typeInCell(int row, const QString &text)
    {
        m_grid.setFocus();
        const QModelIndex cell = m_grid.model()->index(row, 0);
        m_grid.setCurrentIndex(cell);
        m_grid.edit(cell);
        auto *editor = m_grid.viewport()->findChild<QLineEdit *>();
        ASSERT_NE(editor, nullptr);
        editor->selectAll();
        QTest::keyClicks(editor, text);
    }

    void click(TNavigateBtn button)
    {
        ASSERT_TRUE(m_navigator.button(button)->isEnabled()) << button;
        m_navigator.button(button)->click();
    }

    ScriptedDialogs m_dialogs;
    TempDir m_dir;
    std::string m_path = m_dir.path("com.dbf");
    ErrorDisplay m_errors;
    TDbf m_dbf;
    TDataSource m_source {&m_dbf};
    QWidget m_window;
    TDBNavigator m_navigator;
    TDBGrid m_grid;
    TDBEdit m_edit;
    TDBText m_label;
    QPushButton m_elsewhere {QStringLiteral("elsewhere")};
};

TEST_F(DataViews, AllViewsShowTheSharedCurrentRecord)
{
    Open();
    ASSERT_EQ(m_grid.model()->rowCount(), 3) << "the deleted record is no row";
    EXPECT_EQ(cell(0), "a");
    EXPECT_EQ(cell(2), "c");
    EXPECT_EQ(m_grid.model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Команда"));
    EXPECT_EQ(m_grid.columnWidth(0), 142);
    EXPECT_TRUE(m_grid.isColumnHidden(1) && m_grid.isColumnHidden(2));
    EXPECT_EQ(selectedRow(), 0);
    EXPECT_EQ(m_edit.text(), "A");
    EXPECT_EQ(m_label.text(), "a");

    m_dbf.Next();
    EXPECT_EQ(selectedRow(), 1);
    EXPECT_EQ(m_edit.text(), "B");
    EXPECT_EQ(m_label.text(), "b");

    clickRow(2);
    EXPECT_EQ(Name(), "c") << "choosing a row moves the dataset";
    EXPECT_EQ(m_edit.text(), "C");
    EXPECT_EQ(m_label.text(), "c");

    TDBGrid other;
    other.SetDataSource(&m_source);
    EXPECT_EQ(other.selectionModel()->selectedRows().value(0).row(), 2);
    m_dbf.First();
    EXPECT_EQ(other.selectionModel()->selectedRows().value(0).row(), 0);
    EXPECT_EQ(selectedRow(), 0);
}

TEST_F(DataViews, TypingInACellAndMovingToAnotherRowStoresTheChange)
{
    Open();
    typeInCell(0, "typed");
    EXPECT_EQ(m_dbf.State(), dsEdit) << "editing a cell puts the dataset into edit state";
    EXPECT_EQ(fileRecord(0), recordBytes(Fields, {"a", "A", "1"}));
    clickRow(1);
    EXPECT_EQ(m_dbf.State(), dsBrowse);
    EXPECT_EQ(fileRecord(0), recordBytes(Fields, {"typed", "A", "1"}));
    EXPECT_EQ(Name(), "b");
    EXPECT_EQ(cell(0), "typed");
    EXPECT_EQ(selectedRow(), 1);
    EXPECT_TRUE(m_dialogs.errors.isEmpty()) << m_dialogs.errors.join("; ").toStdString();
}

TEST_F(DataViews, StoringWhileACellIsStillBeingEditedTakesItsText)
{
    Open();
    typeInCell(1, "open");
    click(nbPost);
    EXPECT_EQ(fileRecord(2), recordBytes(Fields, {"open", "B", "2"}));
    EXPECT_EQ(m_dbf.State(), dsBrowse);
}

TEST_F(DataViews, MovingWithoutAChangeDropsTheEdit)
{
    Open();
    int posts = 0;
    int cancels = 0;
    m_dbf.AfterPost = [&](TDataSet &) { ++posts; };
    m_dbf.AfterCancel = [&](TDataSet &) { ++cancels; };
    typeInCell(0, "a");
    EXPECT_EQ(m_dbf.State(), dsEdit);
    clickRow(2);
    EXPECT_EQ(posts, 0);
    EXPECT_EQ(cancels, 1);
    EXPECT_EQ(Name(), "c");
    EXPECT_EQ(m_dbf.State(), dsBrowse);
}

TEST_F(DataViews, EditBoxTextReachesTheFieldOnPostOrFocusLossAndCancelRestores)
{
    Open();
    m_edit.setFocus();
    QTest::keyClicks(&m_edit, "x");
    EXPECT_EQ(m_dbf.State(), dsEdit) << "typing starts the edit";
    EXPECT_EQ(m_edit.text(), "Ax") << "what was typed stays";
    EXPECT_TRUE(m_edit.editPending());
    EXPECT_FALSE(m_dbf.Modified()) << "the field has not changed yet";
    click(nbCancel);
    EXPECT_EQ(m_edit.text(), "A");
    EXPECT_FALSE(m_edit.editPending());
    EXPECT_EQ(m_dbf.State(), dsBrowse);

    m_edit.setFocus();
    QTest::keyClicks(&m_edit, "y");
    click(nbPost);
    EXPECT_EQ(fileRecord(0), recordBytes(Fields, {"a", "Ay", "1"}));

    m_edit.setFocus();
    QTest::keyClicks(&m_edit, "z");
    m_elsewhere.setFocus();
    EXPECT_EQ(m_dbf.FieldByName("COMAND").AsString(), "Ayz") << "losing focus sets the field";
    EXPECT_TRUE(m_dbf.Modified());
    EXPECT_EQ(fileRecord(0), recordBytes(Fields, {"a", "Ay", "1"})) << "but does not store it";
    EXPECT_EQ(m_edit.maxLength(), 8);
}

TEST_F(DataViews, TypingInTheEditBoxOfAnEmptyTableStartsANewRecord)
{
    writeTable({});
    Open();
    EXPECT_EQ(m_grid.model()->rowCount(), 0);
    EXPECT_FALSE(m_navigator.button(nbDelete)->isEnabled());
    m_edit.setFocus();
    QTest::keyClicks(&m_edit, "Z");
    EXPECT_EQ(m_dbf.State(), dsInsert);
    EXPECT_EQ(m_grid.model()->rowCount(), 1) << "the new record is a row";
    EXPECT_EQ(m_edit.text(), "Z");
    click(nbPost);
    EXPECT_EQ(fileRecord(0), recordBytes(Fields, {"", "Z"}))
        << "the fields not typed in stay blank";
    EXPECT_EQ(m_grid.model()->rowCount(), 1);
    EXPECT_EQ(selectedRow(), 0);
}

TEST_F(DataViews, NavigatorInsertShowsANewRowAndItsDeleteDropsIt)
{
    Open();
    m_dbf.Next();
    click(nbInsert);
    ASSERT_EQ(m_grid.model()->rowCount(), 4);
    EXPECT_EQ(selectedRow(), 1) << "inserted at the current record's place";
    EXPECT_EQ(cell(1), "");
    EXPECT_EQ(cell(2), "b");
    EXPECT_EQ(m_grid.model()->headerData(1, Qt::Vertical).toString(), "*");
    const std::string before = ReadFile(m_path);
    click(nbDelete);
    EXPECT_EQ(m_dbf.State(), dsBrowse);
    EXPECT_EQ(m_grid.model()->rowCount(), 3);
    EXPECT_EQ(ReadFile(m_path), before) << "nothing deleted";
    EXPECT_EQ(Name(), "b");

    click(nbDelete);
    EXPECT_TRUE(m_dialogs.messages.isEmpty()) << "no confirmation";
    EXPECT_EQ(m_grid.model()->rowCount(), 2);
    EXPECT_EQ(fileRecord(2)[0], '*');
    EXPECT_EQ(m_label.text(), "c");
}

TEST_F(DataViews, InsertedRowTypedInTheGridIsStoredLastWhenLeft)
{
    Open();
    click(nbInsert);
    EXPECT_EQ(selectedRow(), 0);
    typeInCell(0, "new");
    clickRow(2);
    EXPECT_EQ(fileRecord(4).substr(0, 4), " new") << "appended to the file";
    ASSERT_EQ(m_grid.model()->rowCount(), 4);
    EXPECT_EQ(cell(3), "new") << "and shown last";
    EXPECT_EQ(Name(), "b") << "the row chosen";
    EXPECT_EQ(selectedRow(), 1);
}

TEST_F(DataViews, NavigatorButtonsFollowTheState)
{
    const auto enabled = [&] {
        std::string flags;
        for (TNavigateBtn b : {nbInsert, nbDelete, nbEdit, nbPost, nbCancel})
            flags += m_navigator.button(b)->isEnabled() ? '1' : '0';
        return flags;
    };
    m_navigator.SetDataSource(&m_source);
    EXPECT_EQ(enabled(), "00000") << "closed";
    Open();
    EXPECT_EQ(enabled(), "11100");
    click(nbEdit);
    EXPECT_EQ(m_dbf.State(), dsEdit);
    EXPECT_EQ(enabled(), "11011");
    click(nbCancel);
    EXPECT_EQ(enabled(), "11100");
    m_dbf.Close();
    EXPECT_EQ(enabled(), "00000");
    m_dbf.SetReadOnly(true);
    m_dbf.Open();
    EXPECT_EQ(enabled(), "00000") << "read-only";
    EXPECT_TRUE(m_edit.isReadOnly());
    EXPECT_FALSE(m_grid.model()->flags(m_grid.model()->index(0, 0)) & Qt::ItemIsEditable);
    for (int i = 0; i < 5; ++i)
        EXPECT_FALSE(m_navigator.button(TNavigateBtn(i))->toolTip().isEmpty());
    EXPECT_EQ(m_navigator.button(nbPost)->accessibleName(), QStringLiteral("Сохранить изменения"));
}

TEST_F(DataViews, ErrorsOfAButtonGoToTheErrorDisplay)
{
    Open();
    m_dbf.BeforePost = [](TDataSet &) { throw std::runtime_error("refused"); };
    click(nbEdit);
    click(nbPost);
    EXPECT_EQ(m_dialogs.errors, QStringList {"refused"});
    EXPECT_EQ(m_dbf.State(), dsEdit);
    clickRow(1);
    EXPECT_EQ(Name(), "b") << "unmodified: dropped, so BeforePost was not asked";
    EXPECT_EQ(m_dialogs.errors.size(), 1);
    m_dbf.Edit();
    m_dbf.FieldByName("NAME").SetAsString("x");
    clickRow(2);
    EXPECT_EQ(m_dialogs.errors.size(), 2) << "leaving a modified record stores it, which fails";
    EXPECT_EQ(selectedRow(), 1) << "the grid stays on the dataset's row";
    EXPECT_EQ(m_dbf.State(), dsEdit);
}

TEST_F(DataViews, ViewsOutliveTheirSourceAndTheirDataset)
{
    Open();
    auto otherSource = std::make_unique<TDataSource>(&m_dbf);
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
    m_source.SetDataSet(table.get());
    EXPECT_EQ(m_grid.model()->rowCount(), 0) << "another dataset, closed";
    table->SetFileName(m_path);
    m_dbf.Close();
    table->Open();
    EXPECT_EQ(m_grid.model()->rowCount(), 3);
    EXPECT_EQ(m_label.text(), "a");
    table.reset();
    EXPECT_EQ(m_source.DataSet(), nullptr);
    EXPECT_EQ(m_grid.model()->rowCount(), 0);
    EXPECT_EQ(m_label.text(), "");
    EXPECT_FALSE(m_navigator.button(nbInsert)->isEnabled());
}

TEST_F(DataViews, CyrillicCrossesAsWindows1251AndIsStoredInCp866)
{
    writeTable({recordBytes(Fields, {"\x8F\xE0\xA8\xA2\xA5\xE2"})});
    Open();
    EXPECT_EQ(cell(0), QStringLiteral("Привет"));
    EXPECT_EQ(m_label.text(), QStringLiteral("Привет"));
    m_edit.setFocus();
    type(&m_edit, QStringLiteral("Дз"));
    click(nbPost);
    EXPECT_EQ(fileRecord(0).substr(11, 2), "\x84\xA7");
}

} // namespace
