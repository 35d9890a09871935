// kelvane-screenshots [--lang ru|en] FOLDER: renders the program's windows to PNG files, the way
// a user sees them, for looking at the layout without a desktop, in Russian (the default) or in
// English. The main window is shown connected to the virtual drive with a little traffic in its
// pane.
#include "app/program.h"
#include "framework/guarded_application.h"
#include "framework/translations.h"

#include <QAction>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdio>

using namespace kelvane;

namespace {

void save(QWidget *window, const QString &folder, const QString &name)
{
    window->grab().save(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
    std::printf("%s\n", qPrintable(folder + QLatin1Char('/') + name + QStringLiteral(".png")));
}

// Shows a modal window from `action`, saves it, closes it.
void saveModal(QAction *action, const QString &folder, const QString &name)
{
    QTimer::singleShot(100, [&] {
        if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
            save(dialog, folder, name);
            dialog->done(QDialog::Rejected);
        }
    });
    action->trigger();
}

} // namespace

int main(int argc, char *argv[])
{
    GuardedApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kelvane"));
    Q_INIT_RESOURCE(resources);
    QStringList arguments = QApplication::arguments().mid(1);
    Language language = Language::Russian;
    if (arguments.size() >= 2 && arguments[0] == QStringLiteral("--lang")) {
        language = languageFromCode(arguments[1].toStdString()).value_or(Language::Russian);
        arguments.remove(0, 2);
    }
    installTranslations(app, language);
    const bool english = language == Language::English;
    const QString folder = arguments.isEmpty() ? QDir::currentPath() : arguments[0];
    QDir().mkpath(folder);

    QTemporaryDir scratch;
    ProgramEnvironment environment;
    PortInventory &inventory = environment.inventory;
    inventory.ttyClass = (scratch.path() + QStringLiteral("/class")).toStdString();
    inventory.virtualPorts = (scratch.path() + QStringLiteral("/ports")).toStdString();
    // A copy of the default command table of the language, as a first start makes, so the one in
    // the sources stays untouched.
    environment.programFolder = scratch.path().toStdString();
    environment.language = language;
    QFile::copy(
        english ? QStringLiteral(KELVANE_DEFAULT_TABLE_EN) : QStringLiteral(KELVANE_DEFAULT_TABLE),
        scratch.path() + QStringLiteral("/com.dbf"));
    QDir().mkpath(QString::fromStdString(inventory.ttyClass));
    QProcess drive;
    drive.start(QStringLiteral(VIRTUAL_DRIVE_PATH),
        {QStringLiteral("--ports-folder"), QString::fromStdString(inventory.virtualPorts)});
    drive.waitForReadyRead(5000);

    Program program(app.errors(), environment);
    TMainForm &form = program.MainForm();
    form.show();
    QTest::qWait(200);
    save(&form, folder, QStringLiteral("main-window-start"));

    form.parts().connectButton->click();
    QLineEdit *input = form.parts().inputLine;
    for (const char *line : {"/1", "M", "/2", english ? "Hello" : "Привет"}) {
        input->setText(QString::fromUtf8(line));
        QTest::keyClick(input, Qt::Key_Return);
        QTest::qWait(300);
    }
    input->setText(QStringLiteral("N1"));
    QTest::qWait(300);
    save(&form, folder, QStringLiteral("main-window-connected"));

    const std::pair<const char *, const char *> windows[] = {
        {"About1", "about-box"},
        {"N19", "wiring-window"},
        {"N13", "factory-test"},
        {"N15", "physical-head"},
        {"N16", "drive-type"},
        {"HeadPosition1", "head-positioning"},
        {"UserLevel1", "free-level"},
        {"N22", "run-command"},
        {"N23", "command-editor"},
        {"openSettings", "settings"},
    };
    for (const auto &[item, name] : windows)
        saveModal(form.findChild<QAction *>(QString::fromLatin1(item)), folder,
            QString::fromLatin1(name));

    form.close();
    drive.terminate();
    drive.waitForFinished(3000);
    return 0;
}
