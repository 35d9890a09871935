// The user command table: the main grid, the run dialog, delete, the editor, and the table at
// start-up. What reaches the file is read back with an independent reader (dbfread).
#include "cmdtable/command_editor_dialog.h"
#include "cmdtable/run_command_dialog.h"
#include "dataviews/db_edit.h"
#include "dataviews/db_grid.h"
#include "support/gui/menu_clicks.h"
#include "support/gui/program_fixture.h"
#include "support/unprivileged.h"

#include <QHeaderView>
#include <QLabel>
#include <QStyle>
#include <QToolButton>
#include <fstream>
#include <optional>
#include <unistd.h>

using namespace kelvane;

namespace {

// Wine's fonts are not the layout's: there a column's title may need more than all the room.
#ifdef _WIN32
constexpr bool LayoutFonts = false;
#else
constexpr bool LayoutFonts = true;
#endif

class CommandTableTest : public ProgramTest
{
public:
    TDBGrid *mainGrid() { return child<TDBGrid>("DBGrid2"); }

    // Makes `row` of the main grid the current record, as a click on it does.
    void selectRow(int row)
    {
        TDBGrid *grid = mainGrid();
        grid->setCurrentIndex(grid->model()->index(row, 0));
    }

    // Opens the run dialog, lets `interact` work in it, then presses `button`.
    void runDialog(const char *button, const std::function<void(Tcommand *)> &interact = {})
    {
        EXPECT_TRUE(withModal<Tcommand>(menuItem("N22"), [&](Tcommand *d) {
            if (interact)
                interact(d);
            d->findChild<QPushButton *>(button)->click();
        }));
    }

    static void type(Tcommand *d, const char *box, const char *text)
    {
        auto *edit = d->findChild<TDBEdit *>(box);
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }

    std::vector<CommandRow> storedRows() { return readCommandTable(tablePath()); }

    static std::string fileBytes(const std::string &path)
    {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    // Types `keys` one key press at a time into whatever has the focus, as a Russian keyboard
    // layout delivers them.
    static void typeKeys(const QString &keys)
    {
        for (const QChar key : keys)
            QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(), Qt::Key_unknown,
                QString(key), Qt::NoModifier);
    }

    // A double click on the cell opens its editor; its text is selected, `keys` typed over it
    // and Enter pressed. Returns what the editor showed before Enter.
    static QString typeIntoCell(TDBGrid *grid, int row, int column, const QString &keys)
    {
        const QPoint cell = grid->visualRect(grid->model()->index(row, column)).center();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell);
        auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        if (!editor)
            return QStringLiteral("(no editor)");
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        typeKeys(keys);
        const QString shown = editor->text();
        QTest::keyClick(editor, Qt::Key_Return);
        return shown;
    }

    // Opens a dialog of the "Таблица" menu with clicks and runs `interact` in it.
    template<typename Window>
    void inDialog(const char *item, const std::function<void(Window *)> &interact)
    {
        bool shown = false;
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<Window *>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            shown = true;
            EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == dialog; }));
            interact(dialog);
        });
        EXPECT_TRUE(clickMenuItem(*form, "N20", item));
        EXPECT_TRUE(shown) << item;
    }
};

TEST_F(CommandTableTest, MainGridShowsOnlyTheNamesUnderTheirTitle)
{
    start();
    TDBGrid *grid = mainGrid();
    ASSERT_EQ(grid->model()->rowCount(), 3);
    EXPECT_EQ(grid->model()->headerData(0, Qt::Horizontal).toString(), "Команда");
    EXPECT_EQ(grid->columnWidth(0), 142);
    EXPECT_FALSE(grid->isColumnHidden(0));
    EXPECT_TRUE(grid->isColumnHidden(1));
    EXPECT_TRUE(grid->isColumnHidden(2));
    EXPECT_EQ(grid->model()->index(1, 0).data().toString(), "Остановить шпиндель");
    EXPECT_EQ(grid->parentWidget()->objectName(), "Panel1") << "on the left panel, above the logo";
}

TEST_F(CommandTableTest, RunSendsTheLevelLineThenTheCommand)
{
    start();
    connect();
    selectRow(1); // level "2", command "Z"
    runDialog("OKBtn", [](Tcommand *d) {
        EXPECT_EQ(d->findChild<QLabel *>("DBText1")->text(), "Остановить шпиндель");
    });
    EXPECT_EQ(wireText(), "/2Z");
    EXPECT_EQ(form->Dbf1.State(), dsBrowse) << "OK drops the edit";
}

TEST_F(CommandTableTest, EmptyLevelSendsTheSlashAlone)
{
    writeCommandTable(tablePath(), {{"Без уровня", "N1", ""}});
    start();
    connect();
    runDialog("OKBtn");
    EXPECT_EQ(wireText(), "/N1");
}

TEST_F(CommandTableTest, CommandChangedAndSentGoesAsTypedButTheFileKeepsItsText)
{
    start();
    connect();
    selectRow(1);
    runDialog("OKBtn", [](Tcommand *d) {
        type(d, "DBEdit1", "U");
        type(d, "DBEdit2", "1");
    });
    EXPECT_EQ(wireText(), "/1U");
    EXPECT_EQ(storedRows().at(1), (CommandRow {"Остановить шпиндель", "Z", "2"}));
    program.reset(); // closing the table must not store it either
    EXPECT_EQ(storedRows().at(1), (CommandRow {"Остановить шпиндель", "Z", "2"}));
}

TEST_F(CommandTableTest, ChangeDismissedWithCancelIsStoredAtTheNextOpening)
{
    start();
    connect();
    selectRow(1);
    runDialog("CancelBtn", [](Tcommand *d) { type(d, "DBEdit1", "U"); });
    EXPECT_EQ(wireText(), "");
    EXPECT_EQ(storedRows().at(1).command, "Z") << "still pending";
    runDialog("CancelBtn");
    EXPECT_EQ(storedRows().at(1), (CommandRow {"Остановить шпиндель", "U", "2"}));
}

TEST_F(CommandTableTest, RunWithThePortClosedSendsNothingAndKeepsTheEdit)
{
    start();
    runDialog("OKBtn", [](Tcommand *d) { type(d, "DBEdit1", "X"); });
    EXPECT_EQ(wireText(), "");
    EXPECT_TRUE(dialogs.errors.isEmpty());
    EXPECT_EQ(form->Dbf1.State(), dsEdit);
}

TEST_F(CommandTableTest, EmptyTableGetsOneBlankRecordWhenTheRunDialogOpens)
{
    writeCommandTable(tablePath(), {});
    start();
    connect();
    runDialog("OKBtn");
    EXPECT_EQ(wireText(), "/") << "the empty command writes nothing";
    EXPECT_EQ(mainGrid()->model()->rowCount(), 1);
    program.reset(); // the header on disk counts the appended record from the close on
    EXPECT_EQ(storedRows(), (std::vector<CommandRow> {{"", "", ""}}));
}

TEST_F(CommandTableTest, DeleteMarksTheRecordInTheFileAndHidesItInBothGrids)
{
    start();
    connect();
    selectRow(1);
    menuItem("N24")->trigger();
    EXPECT_TRUE(dialogs.errors.isEmpty());
    const auto file = storedRows();
    ASSERT_EQ(file.size(), 3u) << "records are never removed";
    EXPECT_TRUE(file[1].deleted);
    EXPECT_EQ(file[1].command, "Z");
    EXPECT_FALSE(file[0].deleted || file[2].deleted);
    EXPECT_EQ(mainGrid()->model()->rowCount(), 2);
    EXPECT_TRUE(withModal<Tcommand2>(menuItem("N23"), [](Tcommand2 *d) {
        EXPECT_EQ(d->findChild<TDBGrid *>("DBGrid1")->model()->rowCount(), 2);
        d->findChild<QPushButton *>("Button1")->click();
    }));
}

TEST_F(CommandTableTest, DeleteOnAnEmptyTableReportsTheEmptyDataset)
{
    writeCommandTable(tablePath(), {});
    start();
    // The editor's start-up edit began an insert on the empty table: the first delete drops it.
    menuItem("N24")->trigger();
    EXPECT_TRUE(dialogs.errors.isEmpty());
    menuItem("N24")->trigger();
    EXPECT_EQ(
        dialogs.errors, QStringList {"Dbf1: Cannot perform this operation on an empty dataset"});
    EXPECT_TRUE(storedRows().empty());
}

TEST_F(CommandTableTest, AddAppendsABlankRecordAndClosesTheEditor)
{
    start();
    EXPECT_TRUE(withModal<Tcommand2>(menuItem("N23"), [](Tcommand2 *d) {
        EXPECT_EQ(d->windowTitle(), "Работа с командами...");
        auto *grid = d->findChild<TDBGrid *>("DBGrid1");
        const QStringList titles = {grid->model()->headerData(0, Qt::Horizontal).toString(),
            grid->model()->headerData(1, Qt::Horizontal).toString(),
            grid->model()->headerData(2, Qt::Horizontal).toString()};
        EXPECT_EQ(titles, QStringList({"Название команды", "Команда", "Уровень"}));
        // The layout's widths; a column widened for its title takes the room from the widest.
        if (LayoutFonts) {
            EXPECT_EQ(
                grid->columnWidth(0) + grid->columnWidth(1) + grid->columnWidth(2), 175 + 142 + 49);
            EXPECT_EQ(grid->columnWidth(1), 142);
        }
        EXPECT_GE(grid->columnWidth(2), 49);
        d->findChild<QPushButton *>("OKBtn")->click();
    }));
    EXPECT_FALSE(program->windows().command2->isVisible());
    EXPECT_EQ(mainGrid()->model()->rowCount(), 4);
    program.reset();
    const auto file = storedRows();
    ASSERT_EQ(file.size(), 4u);
    EXPECT_EQ(file[3], (CommandRow {"", "", ""}));
}

TEST_F(CommandTableTest, SaveStoresWhatWasTypedInTheEditorsGrid)
{
    start();
    EXPECT_TRUE(withModal<Tcommand2>(menuItem("N23"), [](Tcommand2 *d) {
        auto *grid = d->findChild<TDBGrid *>("DBGrid1");
        grid->model()->setData(grid->model()->index(0, 1), "MM");
        d->findChild<QPushButton *>("CancelBtn")->click();
    }));
    EXPECT_EQ(storedRows().at(0), (CommandRow {"Тип и версия ПЗУ", "MM", "1"}));
}

TEST_F(CommandTableTest, TableInTheCurrentFolderComesFirst)
{
    const std::string here = (root / "here").string();
    std::filesystem::create_directories(here);
    writeCommandTable(here + "/com.dbf", {{"Из текущей папки", "F", "1"}});
    const std::string before = std::filesystem::current_path().string();
    std::filesystem::current_path(here);
    start();
    std::filesystem::current_path(before);
    ASSERT_EQ(mainGrid()->model()->rowCount(), 1);
    EXPECT_EQ(mainGrid()->model()->index(0, 0).data().toString(), "Из текущей папки");
}

TEST_F(CommandTableTest, TableThatMayNotBeWrittenIsOnlyReadAndStaysUntouched)
{
    enum class Why { SecondCopyWrites, ReadOnlyFile };
#ifdef _WIN32
    // Wine run by root writes a read-only file all the same: only the share mode is Windows'.
    for (const Why why : {Why::SecondCopyWrites}) {
#else
    for (const Why why : {Why::SecondCopyWrites, Why::ReadOnlyFile}) {
#endif
        SCOPED_TRACE(why == Why::SecondCopyWrites ? "second copy" : "read-only file");
        std::unique_ptr<TDbf> secondCopy;
        if (why == Why::SecondCopyWrites) {
            secondCopy = std::make_unique<TDbf>();
            secondCopy->SetFileName(tablePath());
            secondCopy->Open();
        } else {
            std::filesystem::permissions(tablePath(),
                std::filesystem::perms::owner_read | std::filesystem::perms::group_read
                    | std::filesystem::perms::others_read);
        }
        const std::string before = fileBytes(tablePath());
        {
            std::optional<FileAccessAsNobody> asNobody;
            if (why == Why::ReadOnlyFile)
                asNobody.emplace();
            start();
        }
        EXPECT_EQ(form->statusText().toStdString(),
            "Таблица команд com.dbf открыта только для чтения: "
                + std::string(why == Why::SecondCopyWrites ? "её занимает другая копия программы"
                                                           : "нет прав на запись в файл"));
        if (why == Why::ReadOnlyFile) {
            // As nobody the program could not look into the test's own ports folder.
            QTest::mouseClick(child<QComboBox>("cbPort"), Qt::LeftButton);
            QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
        }
        connect();

        // The run dialog sends what is typed into it.
        EXPECT_TRUE(chooseModal<Tcommand>("N20", "N22", [](Tcommand *d) {
            auto *command = d->findChild<TDBEdit *>("DBEdit1");
            QTest::mouseClick(command, Qt::LeftButton);
            QTest::keyClick(command, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(command, "Q");
            d->findChild<QPushButton *>("OKBtn")->click();
        }));
        EXPECT_EQ(wireText(), "/1Q");

        // Nothing that would write the table can be used.
        EXPECT_FALSE(menuItem("N24")->isEnabled());
        QTest::keyClicks(mainGrid(), "abc");
        EXPECT_EQ(mainGrid()->viewport()->findChild<QLineEdit *>(), nullptr) << "a cell editor";
        EXPECT_TRUE(chooseModal<Tcommand2>("N20", "N23", [](Tcommand2 *d) {
            for (QToolButton *button : d->findChildren<QToolButton *>())
                EXPECT_FALSE(button->isEnabled()) << button->toolTip().toStdString();
            EXPECT_FALSE(d->findChild<QPushButton *>("OKBtn")->isEnabled());
            EXPECT_FALSE(d->findChild<QPushButton *>("CancelBtn")->isEnabled());
            auto *grid = d->findChild<TDBGrid *>("DBGrid1");
            QTest::keyClicks(grid, "abc");
            EXPECT_EQ(grid->viewport()->findChild<QLineEdit *>(), nullptr) << "a cell editor";
            d->findChild<QPushButton *>("Button1")->click();
        }));
        EXPECT_EQ(dialogs.errors, QStringList());
        program.reset();
        EXPECT_EQ(fileBytes(tablePath()), before);
        secondCopy.reset();
        std::filesystem::permissions(
            tablePath(), std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
    }
}

TEST_F(CommandTableTest, WithoutAUsableTableTheProgramDoesNotStart)
{
    std::filesystem::remove(tablePath());
    try {
        start();
        ADD_FAILURE() << "the program started without its table";
    } catch (const std::exception &e) {
        EXPECT_STREQ(e.what(), "Open: Table file not found : com.dbf");
    }

    // A damaged table that may be written is not tried again read-only: the user is told about
    // the damage once, and its error stops the start.
    writeCommandTable(tablePath(), {{"Тип и версия ПЗУ", "M", "1"}});
    std::string bytes = fileBytes(tablePath());
    bytes[4] = 7; // the record count: more than the file holds
    bytes[32 + 32 + 16] = 0; // the length of COMAND: the fields no longer fill a record
    std::ofstream(tablePath(), std::ios::binary | std::ios::trunc) << bytes;
    EXPECT_THROW(start(), std::exception);
    EXPECT_EQ(dialogs.messages.size(), 1) << dialogs.messages.join("; ").toStdString();
    EXPECT_EQ(fileBytes(tablePath()), bytes);
}

} // namespace

namespace {

TEST_F(CommandTableTest, EveryEditorOfAFieldTakesNoMoreThanTheFieldsWidth)
{
    // NAME and COMAND hold 40 characters, UROVEN 5.
    const QString typed = QString::fromUtf8("Длинное название команды, которое не входит!!!");
    ASSERT_EQ(typed.size(), 46);
    start();
    connect();

    EXPECT_EQ(typeIntoCell(mainGrid(), 0, 0, typed), typed.left(40));
    QTest::keyClick(mainGrid(), Qt::Key_Down); // leaving the record stores it
    EXPECT_EQ(storedRows().at(0).name, typed.left(40).toStdString());

    inDialog<Tcommand2>("N23", [&](Tcommand2 *d) {
        auto *grid = d->findChild<TDBGrid *>("DBGrid1");
        EXPECT_EQ(typeIntoCell(grid, 1, 0, typed), typed.left(40));
        EXPECT_EQ(typeIntoCell(grid, 1, 1, typed), typed.left(40));
        EXPECT_EQ(typeIntoCell(grid, 1, 2, typed), typed.left(5));
        // Every title is as wide as its text needs, in the bold a header shows when its row is
        // selected.
        QHeaderView *header = grid->horizontalHeader();
        QFont bold = header->font();
        bold.setBold(true);
        const int margins
            = 2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
        for (int column = 0; column < 3; ++column) {
            const QString title = grid->model()->headerData(column, Qt::Horizontal).toString();
            EXPECT_GE(
                header->sectionSize(column), QFontMetrics(bold).horizontalAdvance(title) + margins)
                << title.toStdString();
        }
        QTest::mouseClick(d->findChild<QPushButton *>("CancelBtn"), Qt::LeftButton); // "Сохранить"
    });
    EXPECT_EQ(storedRows().at(1),
        (CommandRow {typed.left(40).toStdString(), typed.left(40).toStdString(),
            typed.left(5).toStdString()}));

    auto typeIntoBoxes = [&](Tcommand *d) {
        for (const char *box : {"DBEdit1", "DBEdit2"}) {
            auto *edit = d->findChild<TDBEdit *>(box);
            QTest::mouseClick(edit, Qt::LeftButton, {}, edit->rect().center());
            QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
            typeKeys(typed);
        }
        EXPECT_EQ(d->findChild<TDBEdit *>("DBEdit1")->text(), typed.left(40));
        EXPECT_EQ(d->findChild<TDBEdit *>("DBEdit2")->text(), typed.left(5));
        QTest::mouseClick(d->findChild<QPushButton *>("CancelBtn"), Qt::LeftButton);
    };
    QTest::keyClick(mainGrid(), Qt::Key_Up);
    inDialog<Tcommand>("N22", typeIntoBoxes);
    // What "Отмена" left pending is stored when the dialog opens next.
    inDialog<Tcommand>("N22", [](Tcommand *d) {
        QTest::mouseClick(d->findChild<QPushButton *>("CancelBtn"), Qt::LeftButton);
    });
    EXPECT_EQ(storedRows().at(0).command, typed.left(40).toStdString());
    EXPECT_EQ(storedRows().at(0).level, typed.left(5).toStdString());
}

} // namespace
