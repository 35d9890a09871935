// Where the command table is found, and the user's own copy of the installed default.
#include "cmdtable/command_table_location.h"
#include "support/gui/program_fixture.h"

#include <QLabel>
#include <fstream>
#include <sstream>

using namespace kelvane;

namespace {

namespace fs = std::filesystem;

void writeText(const fs::path &path, const std::string &text)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

std::string readText(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// An installed program's folders under a temporary root, the test run from root/work.
class CommandTableLocationTest : public ::testing::Test
{
public:
    fs::path root
        = fs::path(::testing::TempDir()) / ("kelvane-location-" + std::to_string(getpid()));
    fs::path work = root / "work";
    fs::path program = root / "prefix/bin";
    fs::path installed = root / "prefix/share/kelvane/com.dbf";
    fs::path data = root / "data";
    fs::path own = data / "kelvane/com.dbf";
    fs::path before = fs::current_path();
    std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";

    void SetUp() override
    {
        fs::remove_all(root);
        fs::create_directories(work);
        fs::create_directories(program);
        writeText(installed, "default");
        fs::permissions(
            installed, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
        fs::current_path(work);
        setenv("XDG_DATA_HOME", data.c_str(), 1);
    }

    void TearDown() override
    {
        fs::current_path(before);
        setenv("HOME", home.c_str(), 1);
        fs::remove_all(root);
    }

    TableLocation locate() { return locateCommandTable("com.dbf", {program.string(), {}}); }
};

TEST_F(CommandTableLocationTest, TheUsersTableComesFirstAndTheDefaultIsCopiedOnlyWhenThereIsNone)
{
    // Nothing but the installed default: the user gets a writable copy in the data folder.
    TableLocation table = locate();
    EXPECT_EQ(table.fileName, own.string());
    EXPECT_EQ(table.copiedFrom, installed.string());
    EXPECT_EQ(readText(own), "default");
    EXPECT_NE(fs::status(own).permissions() & fs::perms::owner_write, fs::perms::none);

    // The copy is the user's from now on: found again, never copied over.
    writeText(own, "mine");
    table = locate();
    EXPECT_EQ(table.fileName, own.string());
    EXPECT_EQ(table.copiedFrom, "");
    EXPECT_EQ(readText(own), "mine");

    // The order: current folder, data folder, beside the program.
    writeText(program / "com.dbf", "beside");
    EXPECT_EQ(locate().fileName, own.string());
    writeText(work / "com.dbf", "here");
    EXPECT_EQ(locate().fileName, "com.dbf");
    fs::remove(work / "com.dbf");
    fs::remove(own);
    table = locate();
    EXPECT_EQ(table.fileName, (program / "com.dbf").string());
    EXPECT_FALSE(fs::exists(own)) << "copied although a table was beside the program";

    // A relative data folder is ignored for ~/.local/share.
    setenv("XDG_DATA_HOME", "data", 1);
    setenv("HOME", (root / "home").c_str(), 1);
    EXPECT_EQ(userDataFolder(), (root / "home/.local/share/kelvane").string());
    setenv("XDG_DATA_HOME", data.c_str(), 1);

    // No table and no default: the plain name, for the cursor's own "not found".
    fs::remove(program / "com.dbf");
    fs::remove(installed);
    table = locate();
    EXPECT_EQ(table.fileName, "com.dbf");
    EXPECT_FALSE(fs::exists(own));
}

TEST_F(CommandTableLocationTest, AnEnglishFirstStartCopiesTheEnglishDefaultAndNothingElse)
{
    const fs::path english = installed.parent_path() / "com_en.dbf";
    writeText(english, "english");
    auto locateInEnglish = [this] {
        return locateCommandTable("com.dbf", {program.string(), {}}, Language::English);
    };
    TableLocation table = locateInEnglish();
    EXPECT_EQ(table.fileName, own.string());
    EXPECT_EQ(table.copiedFrom, english.string());
    EXPECT_EQ(readText(own), "english");

    // A table the user has is theirs in any language.
    writeText(own, "mine");
    EXPECT_EQ(locateInEnglish().copiedFrom, "");
    EXPECT_EQ(readText(own), "mine");
}

TEST_F(CommandTableLocationTest, ACopyThatCannotBeMadeIsAnErrorAndLeavesNothing)
{
    writeText(data, "a file where the data folder should be");
    try {
        locate();
        ADD_FAILURE() << "no error";
    } catch (const std::runtime_error &e) {
        EXPECT_NE(
            std::string(e.what()).find("Не удалось скопировать таблицу команд"), std::string::npos)
            << e.what();
    }
    EXPECT_EQ(readText(data), "a file where the data folder should be");
    EXPECT_EQ(readText(installed), "default");
}

TEST_F(ProgramTest, AtTheFirstStartTheStatusLineSaysWhereTheOwnTableWasMade)
{
    fs::remove(tablePath());
    const fs::path installed = root / "share/kelvane/com.dbf";
    fs::create_directories(installed.parent_path());
    writeCommandTable(installed.string(), {{"Тип и версия ПЗУ", "M", "1"}});
    start();
    const fs::path own = root / "data/kelvane/com.dbf";
    EXPECT_EQ(form->Dbf1.FileName(), own.string());
    EXPECT_FALSE(form->Dbf1.ReadOnly());
    EXPECT_EQ(child<QLabel>("StatusText")->text(),
        QStringLiteral("Создана своя таблица команд (копия стандартной): %1")
            .arg(QString::fromStdString(own.string())));
    EXPECT_EQ(readCommandTable(own.string()), readCommandTable(installed.string()));

    // The next start finds the copy and says nothing about it.
    program.reset();
    start();
    EXPECT_EQ(form->Dbf1.FileName(), own.string());
    EXPECT_EQ(child<QLabel>("StatusText")->text(), QStringLiteral("Программа загружена нормально"));
}

} // namespace
