// TerminalPane: the terminal's scrolling text pane. It appends received bytes at a cost that does
// not grow with what it already holds, however long a line gets: the bytes are kept as they came
// (Windows-1251) with an index of where lines start, lines wrap at the pane's width in its
// fixed-pitch font, and only the rows in view are ever turned into characters.
//
// A line ends at LF; a CR right before it is not shown, any other CR and a tab show as a blank,
// other control bytes as a middle dot, so every byte takes one column. The pane is read-only; the
// user can select with the mouse and copy. Screen readers read it as read-only text: every byte
// is one character there too, and they hear what arrives. Main thread only.
#pragma once

#include <QAbstractScrollArea>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kelvane {

class TerminalPane : public QAbstractScrollArea
{
    Q_OBJECT
public:
    explicit TerminalPane(QWidget *parent = nullptr);

    // Adds `bytes` at the end; the view follows the end when it was showing it.
    void Append(std::string_view bytes);
    void clear();

    // Everything the pane holds, as received.
    const std::string &bytes() const { return m_bytes; }
    // The same as characters.
    QString text() const;
    qint64 lineCount() const { return static_cast<qint64>(m_lineStart.size()); }

    void selectAll();
    QString selectedText() const;
    void copy() const;

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

    int64_t displayEnd(size_t line) const;
    int64_t rowsOf(size_t line) const;
    int64_t totalRows() const;
    int visibleRows() const;
    void relayout();
    void updateScrollRange();
    // The byte position under a point of the viewport.
    int64_t positionAt(QPoint point) const;
    // The wrapped row (from the top of everything held) and the column of a byte position.
    std::pair<int64_t, int64_t> rowAndColumnOf(int64_t position) const;
    // Where the byte at `position` is drawn, in viewport coordinates.
    QRect characterRect(int64_t position) const;
    QString decode(int64_t from, int64_t to) const;
    // The characters of bytes [from, to) as a screen reader gets them: as shown, LF kept.
    QString readable(int64_t from, int64_t to) const;
    void select(int64_t anchor, int64_t cursor);
    void scrollToPosition(int64_t position);

    std::string m_bytes;
    std::vector<int64_t> m_lineStart {0}; // byte offset where each line starts
    std::vector<int64_t> m_rowStart {0}; // wrapped rows before each line
    int m_columns = 80;
    int m_charWidth = 8;
    int m_lineHeight = 14;
    int64_t m_anchor = 0; // selection [min(anchor, cursor), max(anchor, cursor))
    int64_t m_cursor = 0;
};

} // namespace kelvane
