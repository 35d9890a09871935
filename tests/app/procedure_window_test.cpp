// A procedure run from the "Файл" menu as a person does it, against the pty the test plays the
// drive on: what the drive receives, what the status line says, and Esc stopping it.
#include "base/crc32.h"
#include "support/gui/menu_clicks.h"
#include "support/gui/program_fixture.h"

#include <QSocketNotifier>
#include <QToolButton>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <thread>

namespace kelvane {

namespace {

// The drive's side: takes what the program writes and notes when "N1" and Enter came.
class AnsweringDrive
{
public:
    explicit AnsweringDrive(PtyPair &pty)
        : m_pty(pty), m_notifier(pty.master(), QSocketNotifier::Read)
    {
        QObject::connect(&m_notifier, &QSocketNotifier::activated, [this] { take(); });
    }
    // Takes in what the program has written so far. Its writes end before the handler that made
    // them returns, so after a procedure has ended, whatever it sent is here.
    void takeWaiting()
    {
        while (take()) { }
    }
    std::string wire;
    bool asked = false;

private:
    bool take()
    {
        pollfd ready {m_pty.master(), POLLIN, 0};
        if (poll(&ready, 1, 0) != 1)
            return false;
        char bytes[256];
        const ssize_t n = ::read(m_pty.master(), bytes, sizeof bytes);
        if (n <= 0)
            return false;
        wire.append(bytes, static_cast<size_t>(n));
        asked = asked || wire.ends_with("N1\r");
        return true;
    }

    PtyPair &m_pty;
    QSocketNotifier m_notifier;
};

} // namespace

TEST_F(ProgramTest, ProcedureFromTheFileMenuTalksToTheDriveAndCancelStopsIt)
{
    start();
    QAction *item = menuItem("RunProcedure1");
    const QList<QAction *> fileMenu = child<QMenu>("File1")->actions();
    // Its own group before "Выход" (the terminal's save item follows it).
    const qsizetype at = fileMenu.indexOf(item);
    ASSERT_GE(at, 0);
    ASSERT_LT(at + 1, fileMenu.size());
    EXPECT_TRUE(fileMenu[at + 1]->isSeparator());
    EXPECT_EQ(fileMenu.back(), menuItem("Exit1"));
    EXPECT_FALSE(item->isEnabled()) << "nothing to run on while disconnected";
    connect();
    ASSERT_TRUE(item->isEnabled());

    AnsweringDrive drive(pty);
    QStringList shown; // the status line while it runs, and whether anything else could write
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!form->uploading())
            return;
        const QString text
            = form->statusText() + (Edit1()->isEnabled() || item->isEnabled() ? " (writable)" : "");
        if (!shown.contains(text))
            shown << text;
        // The answer comes once the status line has shown the step that waits for it.
        if (drive.asked && text.startsWith("Процедура: шаг 2 из 3")) {
            drive.asked = false;
            pty.Write("\r\nOK\r\n");
        }
        // "Отмена" by mouse: Esc takes the same way (cancelUpload), but on the offscreen
        // platform the closed menu stays the active window, so a key would go nowhere.
        auto *cancel = child<QToolButton>("btnCancelUpload");
        if (text.contains("never") && cancel->isVisible())
            QTest::mouseClick(cancel, Qt::LeftButton);
    });
    watch.start(5);

    std::ofstream(root / "ok.txt") << "send N1\nexpect ^OK$ 5\nsend-raw X\n";
    dialogs.answerOpenFile(QString::fromStdString((root / "ok.txt").string()));
    ASSERT_TRUE(clickMenuItem(*form, "File1", "RunProcedure1"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return drive.wire == "N1\rX"; }, 5000)) << drive.wire;
    EXPECT_EQ(form->statusText(), "Процедура ok.txt выполнена");
    EXPECT_TRUE(shown.contains("Процедура: шаг 2 из 3 — expect ^OK$ 5"))
        << shown.join(" | ").toStdString();
    EXPECT_FALSE(shown.join(" ").contains("(writable)"));
    EXPECT_TRUE(paneShows("\r\nOK\r\n"));
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("; ").toStdString();
    // Each step is in the session's journal as it starts.
    const auto journalled = [&] {
        std::string text;
        for (const auto &file :
            std::filesystem::directory_iterator(root / "state" / "kelvane" / "journal"))
            text += (std::stringstream() << std::ifstream(file.path()).rdbuf()).str();
        return text;
    };
    std::string journal = journalled();
    for (const char *step :
        {"шаг 1 из 3: send N1", "шаг 2 из 3: expect ^OK$ 5", "шаг 3 из 3: send-raw X"})
        EXPECT_NE(journal.find(std::string("Процедура ok.txt: ") + step), std::string::npos)
            << journal;

    std::ofstream(root / "stop.txt") << "send A\nexpect never 30\nsend B\n";
    dialogs.answerOpenFile(QString::fromStdString((root / "stop.txt").string()));
    ASSERT_TRUE(clickMenuItem(*form, "File1", "RunProcedure1"));
    EXPECT_EQ(form->statusText(), "Процедура stop.txt отменена на строке 2");
    drive.takeWaiting();
    EXPECT_EQ(drive.wire, "N1\rXA\r") << "nothing after the stop";
    EXPECT_TRUE(Edit1()->isEnabled() && item->isEnabled()) << "writable again";

    std::ofstream(root / "bad.txt") << "send A\nexpect\n";
    dialogs.answerOpenFile(QString::fromStdString((root / "bad.txt").string()));
    ASSERT_TRUE(clickMenuItem(*form, "File1", "RunProcedure1"));
    EXPECT_EQ(
        dialogs.errors, QStringList {"Процедура bad.txt: строка 2: нет регулярного выражения"});
    drive.takeWaiting();
    EXPECT_EQ(drive.wire, "N1\rXA\r") << "a faulty file sends nothing";

    // An upload step is journalled as its file, as the window's own upload is, not byte by byte.
    const std::string firmware(3000, 'Z');
    std::ofstream(root / "fw.bin", std::ios::binary) << firmware;
    std::ofstream(root / "up.txt") << "upload cert fw.bin\n";
    dialogs.answerOpenFile(QString::fromStdString((root / "up.txt").string()));
    ASSERT_TRUE(clickMenuItem(*form, "File1", "RunProcedure1"));
    EXPECT_EQ(form->statusText(), "Процедура up.txt выполнена");
    ASSERT_TRUE(QTest::qWaitFor([&] { return drive.wire.ends_with("b,,22c"); }));
    EXPECT_EQ(drive.wire, "N1\rXA\rh0,0fw.bin:3000[BEGIN]" + firmware + "[END]b,,22c");
    Crc32 crc;
    crc.update(firmware);
    char crcText[16];
    std::snprintf(crcText, sizeof crcText, "%08x", crc.value());
    journal = journalled();
    EXPECT_NE(
        journal.find("Файл: " + (root / "fw.bin").string() + ", 3000 байт, CRC-32 " + crcText),
        std::string::npos)
        << journal;
    EXPECT_EQ(journal.find("ZZZZ"), std::string::npos) << journal;
    EXPECT_NE(journal.find("> [END]"), std::string::npos) << journal;
}

// "Anything, then the prompt" over all the text a procedure keeps, the prompt never coming: the
// search runs for seconds, and the window keeps taking its timers and clicks meanwhile, so
// "Отмена" stops it (std::regex searched on the window's thread and froze or crashed it).
TEST_F(ProgramTest, WindowTakesInputDuringALongSearchAndCancelStopsIt)
{
    start();
    connect();
    AnsweringDrive drive(pty);
    std::string answer;
    while (answer.size() < 65536)
        answer += "aZ b\r\n";
    std::thread driveSide; // the pty takes only so much at once: the program reads meanwhile
    int ticksWithAllText = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!driveSide.joinable() && drive.wire == "A\r")
            driveSide = std::thread([&] { pty.Write(answer); });
        if (Memo1()->bytes().size() < answer.size() || ++ticksWithAllText != 3)
            return;
        auto *cancel = child<QToolButton>("btnCancelUpload");
        EXPECT_TRUE(cancel->isVisible());
        QTest::mouseClick(cancel, Qt::LeftButton);
    });
    watch.start(5);
    std::ofstream(root / "long.txt") << "send A\nexpect [\\s\\S]*ZZZ 60\nsend B\n";
    dialogs.answerOpenFile(QString::fromStdString((root / "long.txt").string()));
    ASSERT_TRUE(clickMenuItem(*form, "File1", "RunProcedure1"));
    if (driveSide.joinable())
        driveSide.join();
    EXPECT_EQ(form->statusText(), "Процедура long.txt отменена на строке 2");
    EXPECT_EQ(ticksWithAllText, 3) << "clicked once the whole answer was in";
    drive.takeWaiting();
    EXPECT_EQ(drive.wire, "A\r") << "nothing after the stop";
}

} // namespace kelvane
