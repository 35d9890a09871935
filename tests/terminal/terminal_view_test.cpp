// The terminal's view as a person uses it, on text that came through the pty: line times and
// the hex view from the "Вид" menu, search with Ctrl+F, saving the text, the font size keys.
#include "support/gui/program_fixture.h"
#include "terminal/terminal_view.h"

#include <QDateTime>
#include <QFile>
#include <QLabel>
#include <QRegularExpression>
#include <QToolButton>

using namespace kelvane;

namespace {

class TerminalViewTest : public ProgramTest
{
public:
    void SetUp() override
    {
        ProgramTest::SetUp();
        start();
        connect();
    }

    // Types `text` into the focused widget, one key a character, as a keyboard layout sends it.
    static void type(const QString &text)
    {
        for (const QChar c : text) {
            QWidget *target = QApplication::focusWidget();
            ASSERT_NE(target, nullptr);
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(target, &press);
            QApplication::sendEvent(target, &release);
        }
    }

    static void press(Qt::Key key, Qt::KeyboardModifiers modifiers = {})
    {
        QWidget *target = QApplication::focusWidget();
        ASSERT_NE(target, nullptr);
        QTest::keyClick(target, key, modifiers);
    }

    static QByteArray fileBytes(const QString &name)
    {
        QFile file(name);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        return file.readAll();
    }

    void savedAs(const QString &name, int filter)
    {
        const int asked = static_cast<int>(dialogs.saveFilters.size());
        dialogs.answerSaveFile(name, filters().value(filter));
        chooseFromMenu("File1", "saveTerminalText");
        EXPECT_EQ(dialogs.saveFilters.size(), asked + 1) << "no file dialog";
    }

    QStringList filters() const
    {
        return dialogs.saveFilters.isEmpty()
            ? QStringList()
            : dialogs.saveFilters.last().split(QStringLiteral(";;"));
    }
};

TEST_F(TerminalViewTest, LineTimesAndTheHexViewShowTheSameBytes)
{
    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    pty.Write("one\r\n\xC0\x07");
    ASSERT_TRUE(paneShows("one\r\n\xC0\x07"));
    const qint64 after = QDateTime::currentMSecsSinceEpoch();

    chooseFromMenu("viewMenu", "lineTimes");
    QStringList rows = Memo1()->shownRows();
    ASSERT_EQ(rows.size(), 2);
    const QRegularExpression timed(QStringLiteral("^(\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d) one$"));
    const QRegularExpressionMatch time = timed.match(rows[0]);
    ASSERT_TRUE(time.hasMatch()) << rows[0].toStdString();
    // The time the line's first byte came, within the write.
    const QTime shown = QTime::fromString(time.captured(1), QStringLiteral("HH:mm:ss.zzz"));
    const QTime from = QDateTime::fromMSecsSinceEpoch(before).time();
    const QTime to = QDateTime::fromMSecsSinceEpoch(after).time();
    EXPECT_TRUE((from <= shown && shown <= to) || to < from) << time.captured(1).toStdString();
    EXPECT_TRUE(rows[1].endsWith(QStringLiteral(" А·")));
    Memo1()->selectAll();
    EXPECT_EQ(Memo1()->selectedText(), QStringLiteral("one\nА\u0007")) << "copies no times";

    chooseFromMenu("viewMenu", "hexView");
    rows = Memo1()->shownRows();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_TRUE(rows[0].startsWith(QStringLiteral("00000000  6F 6E 65 0D 0A C0 07  ")))
        << rows[0].toStdString();
    EXPECT_TRUE(rows[0].trimmed().endsWith(QStringLiteral("  one··А·"))) << rows[0].toStdString();

    // Seventeen bytes more: a second row, at offset 16.
    pty.Write("0123456789abcdefg");
    ASSERT_TRUE(paneShows("one\r\n\xC0\x07"
                          "0123456789abcdefg"));
    rows = Memo1()->shownRows();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_TRUE(rows[1].startsWith(QStringLiteral("00000010  39 61 62 63 64 65 66 67  ")))
        << rows[1].toStdString();
    EXPECT_TRUE(rows[1].trimmed().endsWith(QStringLiteral("  9abcdefg")));

    chooseFromMenu("viewMenu", "hexView");
    chooseFromMenu("viewMenu", "lineTimes");
    EXPECT_EQ(Memo1()->shownRows(),
        QStringList({QStringLiteral("one"), QStringLiteral("А·0123456789abcdefg")}));
}

TEST_F(TerminalViewTest, CtrlFFindsIgnoringCaseCyrillicToo)
{
    std::string text;
    for (int i = 0; i < 200; ++i) {
        if (i == 20)
            text += "\xA8\xCC\xCA\xCE\xD1\xD2\xDC 500\r\n"; // "ЁМКОСТЬ 500"
        else if (i == 150)
            text += "\xB8\xEC\xEA\xEE\xF1\xF2\xFC ok\r\n"; // "ёмкость ok"
        else
            text += "line " + std::to_string(i) + "\r\n";
    }
    pty.Write(text);
    ASSERT_TRUE(paneShows(text));
    Edit1()->setFocus();

    press(Qt::Key_F, Qt::ControlModifier);
    auto *findText = child<QLineEdit>("findText");
    ASSERT_EQ(QApplication::focusWidget(), findText) << "Ctrl+F opens the find bar";
    type(QStringLiteral("ёМк"));
    auto *count = child<QLabel>("findCount");
    EXPECT_EQ(count->text(), QStringLiteral("Найдено: 2"));
    // The first match from the view's top on, round from the end to the start.
    EXPECT_EQ(Memo1()->selectedText(), QStringLiteral("ЁМК"));
    EXPECT_TRUE(Memo1()->shownRows().contains(QStringLiteral("ЁМКОСТЬ 500")));

    press(Qt::Key_Return);
    EXPECT_EQ(Memo1()->selectedText(), QStringLiteral("ёмк"));
    EXPECT_TRUE(Memo1()->shownRows().contains(QStringLiteral("ёмкость ok")));
    press(Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(Memo1()->selectedText(), QStringLiteral("ЁМК"));
    press(Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(Memo1()->selectedText(), QStringLiteral("ёмк")) << "back from the first: the last";
    QTest::mouseClick(child<QToolButton>("findNext"), Qt::LeftButton);
    EXPECT_EQ(Memo1()->selectedText(), QStringLiteral("ЁМК"));

    // What arrives while the bar is open is counted too.
    pty.Write("\xA8\xEC\xCA\r\n");
    EXPECT_TRUE(QTest::qWaitFor([&] { return count->text() == QStringLiteral("Найдено: 3"); }));
    type(QStringLiteral("я"));
    EXPECT_EQ(count->text(), QStringLiteral("Не найдено"));

    findText->setFocus(); // back from the button
    press(Qt::Key_Escape);
    EXPECT_FALSE(child<QWidget>("findBar")->isVisible());
    EXPECT_EQ(QApplication::focusWidget(), Edit1()) << "the keyboard goes back where it was";
    EXPECT_EQ(Memo1()->matchCount(), 0);
}

TEST_F(TerminalViewTest, SavesTheTextAsUtf8OrAsTheDrivesOwnBytes)
{
    const std::string bytes = "\xCF\xF0\xE8\xE2\xE5\xF2\r\nT>\x07";
    pty.Write(bytes);
    ASSERT_TRUE(paneShows(bytes));
    const QString folder = QString::fromStdString(root.string());

    savedAs(folder + QStringLiteral("/utf8.txt"), 0);
    ASSERT_EQ(filters().size(), 2);
    EXPECT_EQ(QString::fromUtf8(fileBytes(folder + QStringLiteral("/utf8.txt"))),
        QStringLiteral("Привет\nT>\u0007"));

    savedAs(folder + QStringLiteral("/cp1251.txt"), 1);
    EXPECT_EQ(fileBytes(folder + QStringLiteral("/cp1251.txt")).toStdString(), bytes);

    // With the times shown, the file has them too.
    chooseFromMenu("viewMenu", "lineTimes");
    savedAs(folder + QStringLiteral("/times.txt"), 0);
    const QStringList lines
        = QString::fromUtf8(fileBytes(folder + QStringLiteral("/times.txt"))).split('\n');
    ASSERT_EQ(lines.size(), 2);
    const QRegularExpression time(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d "));
    EXPECT_TRUE(time.match(lines[0]).hasMatch() && lines[0].endsWith(QStringLiteral(" Привет")));
    EXPECT_TRUE(time.match(lines[1]).hasMatch() && lines[1].endsWith(QStringLiteral(" T>\u0007")));

    // Cancelled: nothing written; a folder that is not there: said, nothing written.
    dialogs.answerSaveFile(std::nullopt);
    chooseFromMenu("File1", "saveTerminalText");
    savedAs(folder + QStringLiteral("/missing/x.txt"), 0);
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_TRUE(dialogs.errors[0].startsWith(QStringLiteral("Не удалось сохранить текст")));
    EXPECT_FALSE(QFile::exists(folder + QStringLiteral("/missing/x.txt")));
}

TEST_F(TerminalViewTest, CtrlPlusAndMinusResizeThePanesFontWithinBounds)
{
    std::vector<int> chosen;
    form->terminalView().fontSizeChosen = [&](int size) { chosen.push_back(size); };
    std::string text;
    for (int i = 0; i < 100; ++i)
        text += "line\r\n";
    pty.Write(text);
    ASSERT_TRUE(paneShows(text));
    Edit1()->setFocus();
    const qsizetype rows = Memo1()->shownRows().size();

    press(Qt::Key_Plus, Qt::ControlModifier);
    press(Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_EQ(Memo1()->font().pixelSize(), 13);
    EXPECT_LT(Memo1()->shownRows().size(), rows) << "larger letters, fewer rows";
    press(Qt::Key_Minus, Qt::ControlModifier);
    press(Qt::Key_0, Qt::ControlModifier);
    EXPECT_EQ(Memo1()->font().pixelSize(), TerminalView::DefaultFontSize);
    EXPECT_EQ(Memo1()->shownRows().size(), rows);
    for (int i = 0; i < 50; ++i)
        press(Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_EQ(Memo1()->font().pixelSize(), TerminalView::SmallestFontSize);
    EXPECT_EQ(chosen.size(), 54u);
    EXPECT_EQ(chosen.front(), 12);
    EXPECT_EQ(chosen.back(), TerminalView::SmallestFontSize);
    // The menu's own item does the same.
    chooseFromMenu("viewMenu", "fontLarger");
    EXPECT_EQ(Memo1()->font().pixelSize(), TerminalView::SmallestFontSize + 1);
}

} // namespace
