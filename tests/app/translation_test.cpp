// Qt's own dialogs speak Russian once the program's start code has run.
#include "framework/dialogs.h"
#include "framework/translations.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace kelvane;

namespace {

TEST(QtTexts, TheFileDialogSpeaksRussianOnceTheProgramHasStarted)
{
    ASSERT_TRUE(installTranslations(*qApp)) << "is qt6-translations-l10n installed?";
    const QString folder = QDir::tempPath();
    QStringList texts;
    QString shownFolder;
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        for (const QPushButton *button : dialog->findChildren<QPushButton *>())
            texts << button->text();
        for (const QLabel *label : dialog->findChildren<QLabel *>())
            texts << label->text();
        shownFolder = dialog->directory().absolutePath();
        QTest::mouseClick(dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Cancel),
            Qt::LeftButton);
    });
    QString name;
    // The program's way to ask for a file, with Qt's own dialog behind it.
    EXPECT_FALSE(
        Dialogs::current().openFile(nullptr, QStringLiteral("All Files (*)"), folder, name))
        << "cancelled";
    EXPECT_EQ(shownFolder, folder);
    for (const char *russian : {"&Открыть", "Отмена", "&Имя файла:", "Типы файлов:"})
        EXPECT_TRUE(texts.contains(QString::fromUtf8(russian))) << russian;
    for (const char *english : {"&Open", "Cancel", "File &name:", "Look in:"})
        EXPECT_FALSE(texts.contains(QString::fromUtf8(english))) << english;
}

} // namespace
