// The session journal as the program keeps it: a session driven through clicks and keys against
// the pty, and the journal's lines; the journal folder's menu item; the settings that turn the
// journal off.
#include "app/settings_dialog.h"
#include "base/crc32.h"
#include "framework/cp1251_text.h"
#include "journal/journal_text.h"
#include "support/gui/program_fixture.h"

#include <QDialogButtonBox>
#include <QSpinBox>
#include <QUrl>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

using namespace kelvane;

namespace {

using namespace std::chrono_literals;

class SessionJournalTest : public ProgramTest
{
public:
    std::filesystem::path journalFolder() const { return root / "state" / "kelvane" / "journal"; }

    std::vector<std::filesystem::path> journalFiles() const
    {
        std::vector<std::filesystem::path> files;
        if (std::filesystem::exists(journalFolder()))
            for (const auto &entry : std::filesystem::directory_iterator(journalFolder()))
                files.push_back(entry.path());
        return files;
    }

    // The lines of `file` without their time stamps; a line without one is kept whole and
    // fails the comparison.
    static std::vector<std::string> entries(const std::filesystem::path &file)
    {
        static const std::regex Stamped(R"(^\d\d:\d\d:\d\d\.\d{3} (.*)$)");
        std::ifstream in(file);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) {
            std::smatch match;
            lines.push_back(std::regex_match(line, match, Stamped) ? match[1].str() : line);
        }
        return lines;
    }
};

TEST_F(SessionJournalTest, ScriptedSessionIsJournalledLineByLineInOrder)
{
    start();
    connect();
    const std::vector<std::filesystem::path> files = journalFiles();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(program->journal().currentFile().toStdString(), files[0].string());
    EXPECT_TRUE(std::regex_match(
        files[0].filename().string(), std::regex(R"(drive_\d{4}-\d\d-\d\dT\d\d-\d\d-\d\d\.txt)")))
        << files[0];

    Edit1()->setFocus();
    QTest::keyClicks(Edit1(), "N1");
    QTest::keyClick(Edit1(), Qt::Key_Return);
    EXPECT_EQ(wireText(), "N1\r");
    // A line, and one still waiting for its end when the user acts.
    pty.Write(toCp1251(QStringLiteral("Привет\r\n\x01готов")));
    ASSERT_TRUE(paneShows(toCp1251(QStringLiteral("Привет\r\n\x01готов"))));

    chooseFromMenu("N10", "N1");
    EXPECT_EQ(wireText(), "/T");
    chooseFromMenu("Send1", "N3");
    EXPECT_EQ(wireText(), "/1M");

    rates()->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    const std::string rate = wireText();
    EXPECT_EQ(rate, "/TB1152");

    const std::string data(3000, 'x');
    const std::string file = (root / "FW.BIN").string();
    std::ofstream(file, std::ios::binary) << data;
    Crc32 crc;
    crc.update(data);
    char crcText[16];
    std::snprintf(crcText, sizeof crcText, "%08x", crc.value());
    dialogs.answerOpenFile(QString::fromStdString(file));
    std::string uploaded;
    std::thread driveSide([&] {
        // Until its closing commands: a busy machine may pause the upload for a while.
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        while (!uploaded.ends_with("[END]b,,22c") && std::chrono::steady_clock::now() < deadline)
            uploaded += pty.Read(1 << 16, 100ms);
    });
    chooseFromMenu("N28", "overley1");
    driveSide.join();
    ASSERT_FALSE(form->uploading());
    const size_t header = uploaded.find("[BEGIN]");
    ASSERT_NE(header, std::string::npos) << uploaded;
    const size_t end = uploaded.find("[END]");
    ASSERT_EQ(uploaded.substr(header + 7, end - header - 7), data);

    // An error the user is shown: the file is gone by the time it is to go out.
    dialogs.answerOpenFile(QString::fromStdString(file + ".gone"));
    chooseFromMenu("N28", "overley1");
    EXPECT_EQ(dialogs.errors.size(), 1);
    EXPECT_EQ(wireText(), "e0,0");

    pty.closeMaster();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form->BComPort1.IsOpen(); }, 5000));

    // The upload's writes: its start command, the header, the data summed up, then the framing.
    const std::string start = uploaded.substr(0, uploaded.find("FW.BIN:"));
    const std::vector<std::string> expected = {
        "Журнал сеанса Kelvane, " + dateText(localTimeNow()) + ", порт " + portPath(),
        "Соединение: " + portPath() + ", 57600 бит/с",
        "> N1\\r",
        "< Привет",
        "< \\x01готов",
        "Меню: Уровень › Переход на уровень \"Т\" (Certification test)",
        "> /T",
        "Меню: Команды › Тип и версия ПЗУ",
        "> /1",
        "> M",
        "Скорость: 115200",
        "> /T",
        "> B1152",
        "Скорость порта: 115200 бит/с",
        "Меню: Операции › Загрузить ATA Overlay",
        "> " + visibleBytes(start),
        "> " + visibleBytes(uploaded.substr(start.size(), header + 7 - start.size())),
        "Файл: " + file + ", 3000 байт, CRC-32 " + crcText,
        "> [END]",
        "> b,,22",
        "> c",
        "Меню: Операции › Загрузить ATA Overlay",
        "> e0,0",
        "Ошибка: Cannot open file " + file + ".gone",
        "Связь потеряна: устройство отключено или не отвечает",
    };
    EXPECT_EQ(entries(files[0]), expected);
}

TEST_F(SessionJournalTest, SettingsTurnTheJournalOffAndOnForGoodThroughTheirDialog)
{
    start();
    connect();
    ASSERT_EQ(journalFiles().size(), 1u);
    const std::filesystem::path first = journalFiles()[0];
    // Off with a click on its box, a smaller pane typed in, confirmed with Enter.
    ASSERT_TRUE(chooseModal<SettingsDialog>("File1", "openSettings", [](SettingsDialog *d) {
        auto *enabled = d->findChild<QCheckBox *>("journalEnabled");
        EXPECT_TRUE(enabled->isChecked());
        QTest::mouseClick(enabled, Qt::LeftButton, {}, QPoint(8, enabled->height() / 2));
        auto *lines = d->findChild<QSpinBox *>("scrollbackLines");
        EXPECT_EQ(lines->value(), 1000000);
        QTest::mouseClick(lines, Qt::LeftButton);
        QTest::keyClick(lines, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(lines, "2000");
        QTest::keyClick(lines, Qt::Key_Return);
    }));
    EXPECT_EQ(program->journal().currentFile(), QString());
    EXPECT_EQ(Memo1()->scrollbackLines(), 2000);
    pty.Write("unseen\r\n");
    ASSERT_TRUE(paneShows("unseen\r\n"));
    disconnect();
    connect();
    disconnect();
    EXPECT_EQ(journalFiles(), std::vector<std::filesystem::path> {first}) << "no file while off";
    EXPECT_EQ(entries(first).back(), "Журнал выключен");

    // Off after a restart too; on again in the middle of a session starts its file there.
    program.reset();
    start();
    connect();
    EXPECT_TRUE(journalFiles().size() == 1);
    EXPECT_EQ(Memo1()->scrollbackLines(), 2000);
    ASSERT_TRUE(chooseModal<SettingsDialog>("File1", "openSettings", [](SettingsDialog *d) {
        auto *enabled = d->findChild<QCheckBox *>("journalEnabled");
        EXPECT_FALSE(enabled->isChecked());
        EXPECT_EQ(d->findChild<QSpinBox *>("scrollbackLines")->value(), 2000);
        QTest::keyClick(enabled, Qt::Key_Space);
        auto *ok = d->findChild<QDialogButtonBox *>("buttons")->button(QDialogButtonBox::Ok);
        QTest::mouseClick(ok, Qt::LeftButton);
    }));
    const QString second = program->journal().currentFile();
    ASSERT_FALSE(second.isEmpty());
    // Within the same second it is the first session's file, continued.
    EXPECT_EQ(entries(second.toStdString()).back(),
        "Журнал включён; соединение: " + portPath() + ", 57600 бит/с");
}

TEST_F(SessionJournalTest, JournalFolderMenuItemOpensTheFolderOrSaysWhyNot)
{
    start();
    std::vector<QUrl> opened;
    bool opens = true;
    program->journal().setFolderOpener([&](const QUrl &folder) {
        opened.push_back(folder);
        return opens;
    });
    chooseFromMenu("File1", "openJournalFolder");
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].toLocalFile().toStdString(), journalFolder().string());
    EXPECT_TRUE(std::filesystem::is_directory(journalFolder())) << "made for the file manager";
    EXPECT_EQ(dialogs.errors, QStringList());
    opens = false;
    chooseFromMenu("File1", "openJournalFolder");
    EXPECT_EQ(dialogs.errors,
        QStringList {QString::fromStdString(
            "Не удалось открыть папку журналов: " + journalFolder().string())});
}

} // namespace
