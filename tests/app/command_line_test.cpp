// The command line, tried on the built programs as a user runs them.
#include "serial/tty_settings.h"
#include "support/gui/command_table.h"
#include "support/pty_pair.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

using namespace kelvane;

namespace {

namespace fs = std::filesystem;

struct Finished
{
    int status = -1;
    QString out;
    QString err;
};

// Runs `program` to its end in an environment without any display: a program that made its
// window would fail to start. `locale`, "NAME=value" each, replaces the test's locale variables.
Finished runWithoutDisplay(
    const char *program, const QStringList &arguments, const QStringList &locale = {})
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!locale.isEmpty())
        for (const char *name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"})
            environment.remove(QLatin1String(name));
    for (const QString &variable : locale)
        environment.insert(
            variable.section(QLatin1Char('='), 0, 0), variable.section(QLatin1Char('='), 1));
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QString::fromLocal8Bit(program), arguments);
    EXPECT_TRUE(process.waitForFinished(30000)) << program;
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
        QString::fromUtf8(process.readAllStandardOutput()),
        QString::fromUtf8(process.readAllStandardError())};
}

TEST(CommandLineTest, HelpAndVersionArePrintedWithoutAWindow)
{
    Finished help = runWithoutDisplay(KELVANE_PROGRAM, {QStringLiteral("--help")});
    EXPECT_EQ(help.status, 0) << help.err.toStdString();
    EXPECT_TRUE(help.out.startsWith(QStringLiteral("Использование: kelvane")))
        << help.out.toStdString();
    for (const char *option : {"--port", "--rate", "--connect", "--lang", "--version", "115200"})
        EXPECT_TRUE(help.out.contains(QLatin1String(option))) << option;

    for (const auto &[program, name] : {std::pair {KELVANE_PROGRAM, "kelvane"},
             {KELVANE_VIRTUAL_DRIVE, "kelvane-virtual-drive"}}) {
        const Finished version = runWithoutDisplay(program, {QStringLiteral("--version")});
        EXPECT_EQ(version.status, 0) << name;
        EXPECT_EQ(version.out.toStdString(), std::string(name) + " " + KELVANE_VERSION + "\n");
        EXPECT_EQ(version.err, QString());
    }
}

TEST(CommandLineTest, AWrongCommandLineIsRefusedWithTheUsageAndStatusTwo)
{
    const std::vector<std::pair<QStringList, QString>> wrong = {
        {{QStringLiteral("--bogus")}, QStringLiteral("неизвестный ключ --bogus")},
        {{QStringLiteral("--rate"), QStringLiteral("1234")}, QStringLiteral("скорость 1234")},
        {{QStringLiteral("--rate=115200x")}, QStringLiteral("скорость 115200x")},
        {{QStringLiteral("--port")}, QStringLiteral("ключу --port нужно значение")},
        {{QStringLiteral("--connect=yes")}, QStringLiteral("ключ --connect не принимает значения")},
        {{QStringLiteral("ttyUSB0")}, QStringLiteral("лишний аргумент ttyUSB0")},
        {{QStringLiteral("--lang"), QStringLiteral("de")}, QStringLiteral("язык de не из списка")},
        // A wrong option is refused even next to --help.
        {{QStringLiteral("--help"), QStringLiteral("-x")}, QStringLiteral("неизвестный ключ -x")},
    };
    for (const auto &[arguments, says] : wrong) {
        const Finished run = runWithoutDisplay(KELVANE_PROGRAM, arguments);
        const std::string line = arguments.join(' ').toStdString();
        EXPECT_EQ(run.status, 2) << line;
        EXPECT_TRUE(run.err.startsWith(QStringLiteral("kelvane: ") + says))
            << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(QStringLiteral("Использование: kelvane"))) << line;
        EXPECT_EQ(run.out, QString()) << line;
    }
}

TEST(CommandLineTest, HelpAndErrorsAreInTheLanguageOfTheLocale)
{
    // The virtual drive's usage as it has always been, its ports folder from XDG_RUNTIME_DIR.
    const QString driveUsage = QStringLiteral(R"(Использование: kelvane-virtual-drive [ключи]
Виртуальный накопитель: монитор диагностического порта на псевдотерминале.

  --name ИМЯ           имя порта в папке виртуальных портов (по умолчанию virtual-drive)
  --ports-folder ПАПКА папка виртуальных портов (по умолчанию /run/k/kelvane-ports)
  --log ФАЙЛ           писать журнал принятого в файл (по умолчанию в stderr)
  --inventory          показать список портов, как его видит программа, и выйти
  --help               эта справка
  --version            версия
)");
    const QStringList help = {QStringLiteral("--help")};
    const QString usage = runWithoutDisplay(KELVANE_PROGRAM, help).out;
    for (const char *russian : {"LANG=ru_RU.UTF-8", "LANG=C", "LC_ALL=POSIX LANGUAGE=en"}) {
        const QStringList locale = QString::fromLatin1(russian).split(QLatin1Char(' '))
            << QStringLiteral("XDG_RUNTIME_DIR=/run/k");
        EXPECT_EQ(runWithoutDisplay(KELVANE_VIRTUAL_DRIVE, help, locale).out, driveUsage)
            << russian;
        EXPECT_EQ(runWithoutDisplay(KELVANE_PROGRAM, help, locale).out, usage) << russian;
    }
    for (const char *english : {"LANG=en_US.UTF-8", "LANG=ru_RU.UTF-8 LANGUAGE=de:ru"}) {
        const QStringList locale = QString::fromLatin1(english).split(QLatin1Char(' '));
        const Finished drive = runWithoutDisplay(KELVANE_VIRTUAL_DRIVE, help, locale);
        const Finished program = runWithoutDisplay(KELVANE_PROGRAM, help, locale);
        const Finished wrong
            = runWithoutDisplay(KELVANE_PROGRAM, {QStringLiteral("--bogus")}, locale);
        EXPECT_TRUE(drive.out.startsWith(QStringLiteral("Usage: kelvane-virtual-drive")))
            << english;
        EXPECT_TRUE(program.out.contains(QStringLiteral("  --lang LANGUAGE  "))) << english;
        EXPECT_TRUE(
            wrong.err.startsWith(QStringLiteral("kelvane: unknown option --bogus\n\nUsage:")))
            << english << wrong.err.toStdString();
        for (const QString &text : {drive.out, program.out, wrong.err})
            EXPECT_FALSE(text.contains(QRegularExpression(QStringLiteral("\\p{Cyrillic}"))))
                << english << text.toStdString();
    }
}

// The program holds a port it is connected to under an exclusive lock.
bool heldByAnother(const std::string &port)
{
    const int fd = open(port.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return errno == EBUSY;
    const bool held = flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    close(fd);
    return held;
}

TEST(CommandLineTest, PortRateAndConnectConnectAtStartAndWriteNothing)
{
    const fs::path root
        = fs::path(::testing::TempDir()) / ("kelvane-command-line-" + std::to_string(getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "runtime/kelvane-ports");
    fs::permissions(root / "runtime", fs::perms::owner_all);
    fs::permissions(root / "runtime/kelvane-ports", fs::perms::owner_all);
    writeCommandTable((root / "com.dbf").string(), {{"Тип и версия ПЗУ", "M", "1"}});
    PtyPair pty;
    // The pty published as a virtual port, the way the virtual drive does it.
    fs::create_symlink(pty.slavePath(), root / "runtime/kelvane-ports/drive");

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(
        QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString((root / "runtime").string()));
    environment.insert(
        QStringLiteral("XDG_DATA_HOME"), QString::fromStdString((root / "data").string()));

    // By the listed port's last name, at a chosen rate; then by a path the list does not hold.
    const std::vector<std::pair<QStringList, uint32_t>> starts = {
        {{QStringLiteral("--port"), QStringLiteral("drive"), QStringLiteral("--rate=115200"),
             QStringLiteral("--connect")},
            115200},
        {{QStringLiteral("--connect"), QStringLiteral("--port"),
             QString::fromStdString(pty.slavePath())},
            57600},
    };
    for (const auto &[arguments, speed] : starts) {
        const std::string line = arguments.join(' ').toStdString();
        QProcess program;
        program.setProcessEnvironment(environment);
        program.setWorkingDirectory(QString::fromStdString(root.string()));
        program.start(QStringLiteral(KELVANE_PROGRAM), arguments);
        ASSERT_TRUE(program.waitForStarted()) << line;
        EXPECT_TRUE(QTest::qWaitFor([&] { return heldByAnother(pty.slavePath()); }, 20000))
            << line << ": not connected; " << program.readAllStandardError().toStdString();
        // The port is held from its open on; its rate is set a moment later.
        uint32_t rate = 0;
        const uint32_t wanted = speed; // a structured binding is not captured in C++20
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return readTtySpeed(pty.master(), rate) && rate == wanted; }, 20000))
            << line << ": the rate is " << rate;
        EXPECT_EQ(pty.readUntilQuiet(std::chrono::milliseconds(300)), "") << line;
        EXPECT_EQ(program.state(), QProcess::Running) << line;
        program.terminate();
        EXPECT_TRUE(program.waitForFinished(10000)) << line;
    }
    fs::remove_all(root);
}

} // namespace
