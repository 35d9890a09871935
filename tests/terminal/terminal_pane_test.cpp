// The terminal pane: what it keeps, how it breaks and wraps lines, following the end, selection.
#include "terminal/terminal_pane.h"

#include <QApplication>
#include <QClipboard>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

using namespace kelvane;

namespace {

class TerminalPaneTest : public ::testing::Test
{
public:
    TerminalPane pane;

    void SetUp() override
    {
        QFont fixed(QStringLiteral("Liberation Mono"));
        fixed.setPixelSize(11);
        pane.setFont(fixed);
        pane.resize(300, 200);
        pane.show();
    }

    int paneColumns() const
    {
        const int charWidth = QFontMetrics(pane.font()).horizontalAdvance(QLatin1Char('M'));
        return (pane.viewport()->width() - 4) / charWidth;
    }

    // Bytes that came within a display frame of others are shown with the next frame.
    void settle()
    {
        ASSERT_TRUE(QTest::qWaitFor([this] { return !pane.refreshPending(); }, 5000));
    }

    int rows()
    {
        settle();
        return pane.verticalScrollBar()->maximum() + pane.verticalScrollBar()->pageStep();
    }
};

TEST_F(TerminalPaneTest, KeepsEveryByteAsReceived)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    pane.Append(all.substr(0, 100));
    pane.Append(all.substr(100));
    pane.Append("");
    EXPECT_EQ(pane.bytes(), all);
    EXPECT_EQ(pane.text().size(), 256);
    EXPECT_EQ(pane.text().at(0xC0), QChar(0x0410)) << "shown as Windows-1251";
}

TEST_F(TerminalPaneTest, LinesEndAtLineFeedsWhereverChunksSplitThem)
{
    pane.Append("one\r");
    pane.Append("\ntwo\nthr");
    pane.Append("ee\r\n\n");
    EXPECT_EQ(pane.lineCount(), 5); // one, two, three, an empty line, the open last line
    pane.clear();
    EXPECT_EQ(pane.lineCount(), 1);
    EXPECT_EQ(pane.bytes(), "");
}

TEST_F(TerminalPaneTest, LongLinesWrapAtThePanesWidth)
{
    const int columns = paneColumns();
    ASSERT_GT(columns, 10);
    pane.Append(std::string(static_cast<size_t>(columns * 40 + 1), 'x'));
    EXPECT_EQ(rows(), 41);
    pane.Append("\r\n");
    EXPECT_EQ(rows(), 42) << "the CR before LF takes no column; the new line takes a row";
    pane.resize(pane.width() * 2, pane.height());
    EXPECT_LT(rows(), 30) << "a wider pane wraps again";
}

TEST_F(TerminalPaneTest, FollowsTheEndOnlyWhileShowingIt)
{
    for (int i = 0; i < 200; ++i)
        pane.Append("line\n");
    settle();
    QScrollBar *bar = pane.verticalScrollBar();
    EXPECT_EQ(bar->value(), bar->maximum());
    bar->setValue(10);
    pane.Append("more\n");
    settle();
    EXPECT_EQ(bar->value(), 10) << "reading back: the view stays";
    bar->setValue(bar->maximum());
    pane.Append("more\n");
    settle();
    EXPECT_EQ(bar->value(), bar->maximum());
}

TEST_F(TerminalPaneTest, SelectAllCopiesTextWithPlainLineBreaks)
{
    pane.Append("\xCF\xF0\xE8\r\nB\rC");
    pane.selectAll();
    EXPECT_EQ(pane.selectedText(), QStringLiteral("При\nB\rC"));
    pane.copy();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("При\nB\rC"));
}

TEST_F(TerminalPaneTest, DraggingTheMouseSelectsWhatItCrosses)
{
    pane.Append("abcdef\nghij\n");
    const int charWidth = QFontMetrics(pane.font()).horizontalAdvance(QLatin1Char('M'));
    const int lineHeight = QFontMetrics(pane.font()).lineSpacing();
    QWidget *view = pane.viewport();
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(2 + 2 * charWidth, 2 + lineHeight / 2));
    QMouseEvent move(QEvent::MouseMove, QPointF(2 + 2 * charWidth, 2 + lineHeight * 1.5),
        view->mapToGlobal(QPointF(2 + 2 * charWidth, 2 + lineHeight * 1.5)), Qt::NoButton,
        Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view, &move);
    EXPECT_EQ(pane.selectedText(), QStringLiteral("cdef\ngh"));
}

TEST_F(TerminalPaneTest, KeepsOnlyTheLastLinesOfItsScrollBack)
{
    pane.setScrollbackLines(3);
    pane.setSearchText(QStringLiteral("ab"));
    // "ab" split across chunks, and one in a line that is dropped later.
    pane.Append("ab\nxa");
    pane.Append("b\nc");
    EXPECT_EQ(pane.matchCount(), 2);
    pane.Append("\nd\n");
    EXPECT_EQ(pane.bytes(), "c\nd\n");
    EXPECT_EQ(pane.lineCount(), 3) << "two lines and the open last one";
    EXPECT_EQ(pane.matchCount(), 0);
    pane.Append("ab");
    EXPECT_EQ(pane.matchCount(), 1);
    pane.selectAll();
    EXPECT_EQ(pane.selectedText(), QStringLiteral("c\nd\nab"));

    // Many lines one at a time, each dropping the oldest; a smaller limit drops at once.
    pane.setScrollbackLines(1000);
    for (int i = 0; i < 20000; ++i)
        pane.Append(std::to_string(i) + "\n");
    EXPECT_EQ(pane.lineCount(), 1000);
    EXPECT_EQ(pane.bytes().substr(0, 6), "19001\n");
    pane.setScrollbackLines(2);
    EXPECT_EQ(pane.bytes(), "19999\n");
    settle();
    EXPECT_EQ(pane.shownRows(), QStringList({QStringLiteral("19999"), QString()}));
}

TEST_F(TerminalPaneTest, AnIsolatedChunkIsPaintedWithoutWaitingForAFrame)
{
    struct Paints : QObject
    {
        int count = 0;
        bool eventFilter(QObject *, QEvent *event) override
        {
            count += event->type() == QEvent::Paint ? 1 : 0;
            return false;
        }
    } paints;
    pane.viewport()->installEventFilter(&paints);
    pane.Append("first\n");
    QTest::qWait(100); // a quiet spell, longer than any display frame
    const int before = paints.count;
    pane.Append("alone\n");
    EXPECT_FALSE(pane.refreshPending());
    // Posted events only: no timer runs, so a paint now was not waiting for a frame.
    QCoreApplication::sendPostedEvents();
    EXPECT_GT(paints.count, before);
    EXPECT_TRUE(pane.shownRows().contains(QStringLiteral("alone")));
    // A chunk right after it waits for the next frame, and is shown then.
    pane.Append("next\n");
    EXPECT_TRUE(pane.refreshPending());
    settle();
    EXPECT_TRUE(pane.shownRows().contains(QStringLiteral("next")));
}

} // namespace
