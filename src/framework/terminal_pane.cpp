#include "framework/terminal_pane.h"

#include "framework/cp1251_text.h"
#include "framework/terminal_pane_accessible.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cstring>

namespace kelvane {

namespace {

constexpr int Margin = 2;

QChar shown(unsigned char byte)
{
    // A CR that no LF follows takes its column but shows nothing, as in an edit control.
    if (byte == '\t' || byte == '\r')
        return QLatin1Char(' ');
    if (byte < 0x20 || byte == 0x7F)
        return QChar(0x00B7);
    return cp1251Char(byte);
}

} // namespace

TerminalPane::TerminalPane(QWidget *parent) : QAbstractScrollArea(parent)
{
    installTerminalPaneAccessibility();
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setAutoFillBackground(false);
    relayout();
}

void TerminalPane::Append(std::string_view bytes)
{
    if (bytes.empty())
        return;
    QScrollBar *bar = verticalScrollBar();
    const bool following = bar->value() == bar->maximum();
    const int64_t start = static_cast<int64_t>(m_bytes.size());
    m_bytes.append(bytes);
    const char *data = m_bytes.data();
    for (const char *p = data + start, *end = data + m_bytes.size();
         (p = static_cast<const char *>(std::memchr(p, '\n', static_cast<size_t>(end - p)))); ++p) {
        const size_t finished = m_lineStart.size() - 1;
        m_lineStart.push_back(p - data + 1);
        m_rowStart.push_back(m_rowStart[finished] + rowsOf(finished));
    }
    updateScrollRange();
    if (following)
        bar->setValue(bar->maximum());
    viewport()->update();
    if (QAccessible::isActive()) {
        QAccessibleTextInsertEvent event(this,
            static_cast<int>(std::min<int64_t>(start, INT32_MAX)),
            readable(start, static_cast<int64_t>(m_bytes.size())));
        QAccessible::updateAccessibility(&event);
    }
}

void TerminalPane::clear()
{
    if (QAccessible::isActive() && !m_bytes.empty()) {
        QAccessibleTextRemoveEvent event(
            this, 0, readable(0, static_cast<int64_t>(m_bytes.size())));
        QAccessible::updateAccessibility(&event);
    }
    std::string().swap(m_bytes);
    m_lineStart.assign(1, 0);
    m_rowStart.assign(1, 0);
    m_anchor = m_cursor = 0;
    updateScrollRange();
    viewport()->update();
}

QString TerminalPane::text() const
{
    return fromCp1251(m_bytes);
}

void TerminalPane::selectAll()
{
    select(0, static_cast<int64_t>(m_bytes.size()));
}

void TerminalPane::select(int64_t anchor, int64_t cursor)
{
    const int64_t size = static_cast<int64_t>(m_bytes.size());
    const int64_t caretBefore = m_cursor;
    m_anchor = std::clamp<int64_t>(anchor, 0, size);
    m_cursor = std::clamp<int64_t>(cursor, 0, size);
    viewport()->update();
    if (!QAccessible::isActive())
        return;
    const auto offset
        = [](int64_t position) { return static_cast<int>(std::min<int64_t>(position, INT32_MAX)); };
    QAccessibleTextSelectionEvent selection(
        this, offset(std::min(m_anchor, m_cursor)), offset(std::max(m_anchor, m_cursor)));
    selection.setCursorPosition(offset(m_cursor));
    QAccessible::updateAccessibility(&selection);
    if (m_cursor != caretBefore) {
        QAccessibleTextCursorEvent caret(this, offset(m_cursor));
        QAccessible::updateAccessibility(&caret);
    }
}

QString TerminalPane::selectedText() const
{
    const int64_t from = std::min(m_anchor, m_cursor);
    const int64_t to = std::max(m_anchor, m_cursor);
    QString text = fromCp1251(std::string_view(m_bytes).substr(
        static_cast<size_t>(from), static_cast<size_t>(to - from)));
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return text;
}

void TerminalPane::copy() const
{
    if (m_anchor != m_cursor)
        QApplication::clipboard()->setText(selectedText());
}

int64_t TerminalPane::displayEnd(size_t line) const
{
    const bool closed = line + 1 < m_lineStart.size();
    int64_t end = closed ? m_lineStart[line + 1] - 1 : static_cast<int64_t>(m_bytes.size());
    if (closed && end > m_lineStart[line] && m_bytes[static_cast<size_t>(end - 1)] == '\r')
        --end;
    return end;
}

int64_t TerminalPane::rowsOf(size_t line) const
{
    const int64_t length = displayEnd(line) - m_lineStart[line];
    return std::max<int64_t>(1, (length + m_columns - 1) / m_columns);
}

int64_t TerminalPane::totalRows() const
{
    return m_rowStart.back() + rowsOf(m_lineStart.size() - 1);
}

int TerminalPane::visibleRows() const
{
    return std::max(1, (viewport()->height() - 2 * Margin) / m_lineHeight);
}

void TerminalPane::relayout()
{
    const QFontMetrics metrics(font());
    m_charWidth = std::max(1, metrics.horizontalAdvance(QLatin1Char('M')));
    m_lineHeight = std::max(1, metrics.lineSpacing());
    const int columns = std::max(1, (viewport()->width() - 2 * Margin) / m_charWidth);
    if (columns != m_columns) {
        m_columns = columns;
        for (size_t line = 0; line + 1 < m_lineStart.size(); ++line)
            m_rowStart[line + 1] = m_rowStart[line] + rowsOf(line);
    }
    updateScrollRange();
}

void TerminalPane::updateScrollRange()
{
    QScrollBar *bar = verticalScrollBar();
    const int64_t maximum = std::max<int64_t>(0, totalRows() - visibleRows());
    bar->setRange(0, static_cast<int>(std::min<int64_t>(maximum, INT32_MAX)));
    bar->setPageStep(visibleRows());
    bar->setSingleStep(1);
}

void TerminalPane::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    relayout();
}

void TerminalPane::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        relayout();
}

void TerminalPane::scrollContentsBy(int, int)
{
    viewport()->update();
}

QString TerminalPane::readable(int64_t from, int64_t to) const
{
    QString text = decode(from, to);
    for (int64_t i = from; i < to; ++i)
        if (m_bytes[static_cast<size_t>(i)] == '\n')
            text[static_cast<qsizetype>(i - from)] = QLatin1Char('\n');
    return text;
}

QString TerminalPane::decode(int64_t from, int64_t to) const
{
    QString text(static_cast<qsizetype>(to - from), Qt::Uninitialized);
    QChar *out = text.data();
    for (int64_t i = from; i < to; ++i)
        *out++ = shown(static_cast<unsigned char>(m_bytes[static_cast<size_t>(i)]));
    return text;
}

void TerminalPane::paintEvent(QPaintEvent *)
{
    QPainter painter(viewport());
    const QPalette::ColorGroup group = isEnabled() ? QPalette::Active : QPalette::Disabled;
    painter.fillRect(viewport()->rect(), palette().color(group, QPalette::Base));
    painter.setFont(font());
    const QColor text = palette().color(group, QPalette::Text);
    const QColor highlight = palette().color(group, QPalette::Highlight);
    const QColor highlightedText = palette().color(group, QPalette::HighlightedText);
    const int64_t selFrom = std::min(m_anchor, m_cursor);
    const int64_t selTo = std::max(m_anchor, m_cursor);
    const int ascent = QFontMetrics(font()).ascent();

    const int64_t first = verticalScrollBar()->value();
    size_t line = static_cast<size_t>(
        std::upper_bound(m_rowStart.begin(), m_rowStart.end(), first) - m_rowStart.begin() - 1);
    int64_t row = first - m_rowStart[line];
    for (int y = Margin; y < viewport()->height() && line < m_lineStart.size(); y += m_lineHeight) {
        const int64_t from = m_lineStart[line] + row * m_columns;
        const int64_t to = std::min(from + m_columns, displayEnd(line));
        const QString chars = decode(from, to);
        const int64_t a = std::clamp(selFrom, from, to);
        const int64_t b = std::clamp(selTo, from, to);
        painter.setPen(text);
        painter.drawText(Margin, y + ascent, chars);
        if (a < b) {
            const QRect band(Margin + static_cast<int>(a - from) * m_charWidth, y,
                static_cast<int>(b - a) * m_charWidth, m_lineHeight);
            painter.fillRect(band, highlight);
            painter.setPen(highlightedText);
            painter.drawText(band.left(), y + ascent,
                chars.mid(static_cast<qsizetype>(a - from), static_cast<qsizetype>(b - a)));
        }
        if (++row >= rowsOf(line)) {
            ++line;
            row = 0;
        }
    }
}

int64_t TerminalPane::positionAt(QPoint point) const
{
    const int64_t wanted
        = verticalScrollBar()->value() + std::max(0, point.y() - Margin) / m_lineHeight;
    const int64_t row = std::clamp<int64_t>(wanted, 0, totalRows() - 1);
    const size_t line = static_cast<size_t>(
        std::upper_bound(m_rowStart.begin(), m_rowStart.end(), row) - m_rowStart.begin() - 1);
    const int64_t column
        = std::clamp<int64_t>((point.x() - Margin + m_charWidth / 2) / m_charWidth, 0, m_columns);
    const int64_t position = m_lineStart[line] + (row - m_rowStart[line]) * m_columns + column;
    return std::min(position, displayEnd(line));
}

std::pair<int64_t, int64_t> TerminalPane::rowAndColumnOf(int64_t position) const
{
    const size_t line
        = static_cast<size_t>(std::upper_bound(m_lineStart.begin(), m_lineStart.end(), position)
            - m_lineStart.begin() - 1);
    const int64_t offset = position - m_lineStart[line];
    const int64_t rowInLine = std::min(offset / m_columns, rowsOf(line) - 1);
    return {m_rowStart[line] + rowInLine, offset - rowInLine * m_columns};
}

QRect TerminalPane::characterRect(int64_t position) const
{
    const auto [row, column] = rowAndColumnOf(position);
    const int64_t shown = row - verticalScrollBar()->value();
    return QRect(Margin + static_cast<int>(column) * m_charWidth,
        Margin + static_cast<int>(shown) * m_lineHeight, m_charWidth, m_lineHeight);
}

void TerminalPane::scrollToPosition(int64_t position)
{
    const int64_t row = rowAndColumnOf(position).first;
    QScrollBar *bar = verticalScrollBar();
    if (row < bar->value())
        bar->setValue(static_cast<int>(row));
    else if (row >= bar->value() + visibleRows())
        bar->setValue(static_cast<int>(row - visibleRows() + 1));
}

void TerminalPane::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const int64_t at = positionAt(event->position().toPoint());
    select(event->modifiers() & Qt::ShiftModifier ? m_anchor : at, at);
}

void TerminalPane::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return;
    select(m_anchor, positionAt(event->position().toPoint()));
}

void TerminalPane::keyPressEvent(QKeyEvent *event)
{
    QScrollBar *bar = verticalScrollBar();
    if (event->matches(QKeySequence::Copy)) {
        copy();
    } else if (event->matches(QKeySequence::SelectAll)) {
        selectAll();
    } else if (event->matches(QKeySequence::MoveToStartOfDocument)) {
        bar->setValue(0);
    } else if (event->matches(QKeySequence::MoveToEndOfDocument)) {
        bar->setValue(bar->maximum());
    } else {
        QAbstractScrollArea::keyPressEvent(event);
    }
}

void TerminalPane::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu menu(this);
    QAction *copy = menu.addAction(QStringLiteral("Копировать"), this, &TerminalPane::copy);
    copy->setEnabled(m_anchor != m_cursor);
    menu.addAction(QStringLiteral("Выделить всё"), this, &TerminalPane::selectAll);
    menu.exec(event->globalPos());
}

} // namespace kelvane
