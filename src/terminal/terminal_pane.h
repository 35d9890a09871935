// TerminalPane: the terminal's scrolling text pane. It appends received bytes at a cost that does
// not grow with what it already holds, however long a line gets: the bytes are kept as they came
// (Windows-1251, in TerminalLines), lines wrap at the pane's width in its fixed-pitch font, and
// only the rows in view are ever turned into characters.
//
// While bytes keep coming the pane shows them once per display frame, and bytes that come after a
// quiet spell at once; it repaints only the rows that changed, and moves the rest on the screen
// when it scrolls. It holds at most `scrollbackLines` lines, dropping the oldest.
//
// A line ends at LF; a CR right before it is not shown, any other CR and a tab show as a blank,
// other control bytes as a middle dot, so every byte takes one column. Two other ways to show the
// same bytes: each line's arrival time in a margin, and a hex view (offset, 16 bytes in hex, the
// same as text). The pane is read-only; the user can select with the mouse and copy, and search
// (the matches are highlighted). Screen readers read it as read-only text: every byte is one
// character there too, offsets counted from the first byte held, and they hear what arrives.
// Main thread only.
#pragma once

#include "terminal/terminal_lines.h"
#include "terminal/terminal_search.h"

#include <QAbstractScrollArea>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kelvane {

class TerminalPane : public QAbstractScrollArea
{
    Q_OBJECT
    Q_PROPERTY(qint64 scrollbackLines READ scrollbackLines WRITE setScrollbackLines)
public:
    static constexpr qint64 DefaultScrollbackLines = 1000000;

    explicit TerminalPane(QWidget *parent = nullptr);

    // Adds `bytes` at the end; the view follows the end when it was showing it.
    void Append(std::string_view bytes);
    void clear();

    // Everything the pane holds, as received.
    std::string_view bytes() const { return m_lines.bytes(); }
    // The same as characters.
    QString text() const;
    qint64 lineCount() const { return static_cast<qint64>(m_lines.lineCount()); }
    const TerminalLines &lines() const { return m_lines; }

    // How many lines the pane keeps at most (at least 1); the oldest go first.
    qint64 scrollbackLines() const { return m_scrollbackLines; }
    void setScrollbackLines(qint64 lines);

    bool showsLineTimes() const { return m_showsLineTimes; }
    void setShowsLineTimes(bool on);
    bool showsHex() const { return m_showsHex; }
    void setShowsHex(bool on);

    void selectAll();
    QString selectedText() const;
    void copy() const;

    // Highlights every occurrence of `text`, ignoring case (empty: none), and selects the first
    // one from the top of the view on (or the current one, while it still matches).
    void setSearchText(const QString &text);
    qint64 matchCount() const { return m_searchFits ? m_search.count() : 0; }
    // Selects the next occurrence after the current one (or the previous one), from the end round
    // to the start, and brings it into view. False when there is none.
    bool findNext(bool backward = false);

    // What the pane shows now, one string per row in view: the line's time when times are shown,
    // then the text, or the hex row.
    QStringList shownRows() const;
    // True while bytes wait for the next display frame to be shown.
    bool refreshPending() const { return m_refreshPending; }

signals:
    // The number of matches changed (new bytes, dropped lines, another text); once a frame.
    void matchCountChanged(qint64 count);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    friend class TerminalPaneAccessible;

    // A row as shown: the bytes it shows, its time margin, its text.
    struct Row
    {
        int64_t from = 0;
        int64_t to = 0;
        QString time;
        QString text;
    };
    // Rows are counted from the first since the last clear: [first, end) of them are held.
    std::pair<int64_t, int64_t> rowRange() const;
    int64_t topRow() const;
    Row rowAt(int64_t row) const;
    QString hexRow(int64_t row) const;
    // Columns of the row's text taken by bytes [from, to) of it: one range, two in the hex view.
    std::vector<std::pair<int, int>> columnsOf(const Row &row, int64_t from, int64_t to) const;
    int64_t rowOf(int64_t position) const;
    int marginColumns() const;
    int viewColumns() const;
    int visibleRows() const;
    int hexDigits() const;

    void relayout();
    // Brings the scroll bars and the picture up to what is held: the top row becomes `top`, or
    // the end's when following the end, or stays.
    void refresh(std::optional<int64_t> top = std::nullopt);
    void scheduleRefresh();
    void markChanged(int64_t fromRow);
    void dropBeyondLimit();
    void setTopRow(int64_t row);

    // The byte position under a point of the viewport.
    int64_t positionAt(QPoint point) const;
    // Where the byte at `position` is drawn, in viewport coordinates.
    QRect characterRect(int64_t position) const;
    QString decode(int64_t from, int64_t to) const;
    // The characters of bytes [from, to) as a screen reader gets them: as shown, LF kept.
    QString readable(int64_t from, int64_t to) const;
    void select(int64_t anchor, int64_t cursor);
    void scrollToPosition(int64_t position);
    void showMatch(int64_t position);

    TerminalLines m_lines;
    TerminalSearch m_search;
    bool m_searchFits = true; // the searched text has Windows-1251 bytes
    int64_t m_match = -1; // the current match
    qint64 m_shownMatchCount = 0;
    qint64 m_scrollbackLines = DefaultScrollbackLines;
    bool m_showsLineTimes = false;
    bool m_showsHex = false;
    int m_charWidth = 8;
    int m_lineHeight = 14;
    int m_ascent = 11;
    int64_t m_anchor = 0; // selection [min(anchor, cursor), max(anchor, cursor))
    int64_t m_cursor = 0;

    // The vertical scroll bar counts rows from m_barBase, the first row held when it was set.
    int64_t m_barBase = 0;
    bool m_refreshing = false;
    bool m_refreshPending = false;
    bool m_repaintAll = true;
    int64_t m_changedFrom = INT64_MAX; // the first row whose picture is out of date
    QElapsedTimer m_sinceRefresh;
    QTimer m_frame;
};

} // namespace kelvane
