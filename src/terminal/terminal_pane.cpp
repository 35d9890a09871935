#include "terminal/terminal_pane.h"

#include "framework/cp1251_text.h"
#include "terminal/terminal_pane_accessible.h"
#include "terminal/terminal_text.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDateTime>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScopedValueRollback>
#include <QScreen>
#include <QScrollBar>
#include <algorithm>
#include <array>
#include <climits>

namespace kelvane {

namespace {

constexpr int Margin = 2;
constexpr int64_t HexBytes = 16;
// A hex row: the offset, two blanks, 16 bytes of "HH " with one more blank after the eighth,
// a blank, the 16 bytes as text.
constexpr int HexArea = 3 * HexBytes + 1;

QChar shown(unsigned char byte)
{
    // A CR that no LF follows takes its column but shows nothing, as in an edit control.
    static const std::array<QChar, 256> shownAs = [] {
        std::array<QChar, 256> table {};
        for (int b = 0; b < 256; ++b) {
            const auto byte = static_cast<unsigned char>(b);
            if (byte == '\t' || byte == '\r')
                table[byte] = QLatin1Char(' ');
            else if (byte < 0x20 || byte == 0x7F)
                table[byte] = QChar(0x00B7);
            else
                table[byte] = cp1251Char(byte);
        }
        return table;
    }();
    return shownAs[byte];
}

// In the hex view every control byte is a dot: its value stands beside it.
QChar hexShown(unsigned char byte)
{
    return byte < 0x20 || byte == 0x7F ? QChar(0x00B7) : shown(byte);
}

int frameInterval(const QWidget *widget)
{
    const QScreen *screen = widget->screen();
    const double rate = screen && screen->refreshRate() > 1 ? screen->refreshRate() : 60;
    return std::clamp(static_cast<int>(1000 / rate), 4, 50);
}

int toInt(int64_t value)
{
    return static_cast<int>(std::clamp<int64_t>(value, INT_MIN, INT_MAX));
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
    // Every paint covers what it is asked to, so what scrolls can be moved on the screen.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    m_frame.setSingleShot(true);
    m_frame.setTimerType(Qt::PreciseTimer);
    connect(&m_frame, &QTimer::timeout, this, [this] { refresh(); });
    relayout();
}

void TerminalPane::Append(std::string_view bytes)
{
    if (bytes.empty())
        return;
    const int64_t start = m_lines.end();
    // The row of the last byte too: an LF hides the CR before it.
    markChanged(rowOf(std::max(m_lines.first(), start - 1)));
    m_lines.append(bytes, QDateTime::currentMSecsSinceEpoch());
    m_search.appended(m_lines);
    if (QAccessible::isActive()) {
        QAccessibleTextInsertEvent event(
            this, toInt(start - m_lines.first()), readable(start, m_lines.end()));
        QAccessible::updateAccessibility(&event);
    }
    dropBeyondLimit();
    scheduleRefresh();
}

void TerminalPane::clear()
{
    if (QAccessible::isActive() && m_lines.end() > m_lines.first()) {
        QAccessibleTextRemoveEvent event(this, 0, readable(m_lines.first(), m_lines.end()));
        QAccessible::updateAccessibility(&event);
    }
    m_lines.clear();
    m_search.cleared();
    m_match = -1;
    m_anchor = m_cursor = 0;
    m_barBase = 0;
    m_repaintAll = true;
    refresh(0);
}

void TerminalPane::dropBeyondLimit()
{
    if (m_lines.lineCount() <= static_cast<size_t>(m_scrollbackLines))
        return;
    const int64_t first = m_lines.first();
    const int64_t newFirst
        = m_lines.lineStart(m_lines.lineCount() - static_cast<size_t>(m_scrollbackLines));
    if (QAccessible::isActive()) {
        QAccessibleTextRemoveEvent event(this, 0, readable(first, newFirst));
        QAccessible::updateAccessibility(&event);
    }
    m_search.dropping(m_lines, newFirst);
    m_anchor = std::max(m_anchor, newFirst);
    m_cursor = std::max(m_cursor, newFirst);
    if (m_match < newFirst)
        m_match = -1;
    m_lines.keepLast(static_cast<size_t>(m_scrollbackLines));
}

void TerminalPane::setScrollbackLines(qint64 lines)
{
    m_scrollbackLines = std::max<qint64>(lines, 1);
    dropBeyondLimit();
    refresh();
}

void TerminalPane::markChanged(int64_t fromRow)
{
    m_changedFrom = std::min(m_changedFrom, fromRow);
}

void TerminalPane::scheduleRefresh()
{
    m_refreshPending = true;
    if (m_frame.isActive())
        return;
    const int interval = frameInterval(this);
    const qint64 since = m_sinceRefresh.isValid() ? m_sinceRefresh.elapsed() : interval;
    if (since >= interval)
        refresh(); // after a quiet spell: at once
    else
        m_frame.start(static_cast<int>(interval - since));
}

void TerminalPane::refresh(std::optional<int64_t> top)
{
    m_frame.stop();
    m_refreshPending = false;
    m_sinceRefresh.start();
    QScrollBar *bar = verticalScrollBar();
    const bool following = bar->value() >= bar->maximum();
    const int64_t topBefore = m_barBase + bar->value();
    const auto [firstRow, endRow] = rowRange();
    const int64_t maximum = std::max<int64_t>(0, endRow - firstRow - visibleRows());
    int64_t wanted = top ? *top : following ? INT64_MAX : topBefore;
    if (wanted != INT64_MAX)
        wanted -= firstRow;
    const int64_t value = std::clamp<int64_t>(wanted, 0, maximum);
    {
        const QScopedValueRollback quiet(m_refreshing, true);
        m_barBase = firstRow;
        bar->setRange(0, toInt(maximum));
        bar->setPageStep(visibleRows());
        bar->setSingleStep(1);
        bar->setValue(toInt(value));
        QScrollBar *across = horizontalScrollBar();
        const int hexColumns = m_showsHex ? hexDigits() + 2 + HexArea + 1 + HexBytes : 0;
        across->setRange(0, std::max(0, hexColumns - viewColumns()));
        across->setPageStep(viewColumns());
    }
    const int64_t topAfter = firstRow + value;
    const int64_t changed = std::exchange(m_changedFrom, INT64_MAX);
    const int64_t shift = topAfter - topBefore;
    if (std::exchange(m_repaintAll, false) || shift < 0 || shift >= visibleRows()
        || (shift > 0 && !following)) {
        viewport()->update();
    } else {
        // What stays is moved up on the screen; what changed is painted again.
        if (shift > 0)
            viewport()->scroll(0, toInt(-shift * m_lineHeight),
                QRect(0, Margin, viewport()->width(), visibleRows() * m_lineHeight));
        if (changed != INT64_MAX) {
            const int64_t y = Margin + std::max<int64_t>(0, changed - topAfter) * m_lineHeight;
            if (y < viewport()->height())
                viewport()->update(
                    QRect(0, toInt(y), viewport()->width(), viewport()->height() - toInt(y)));
        }
    }
    if (matchCount() != m_shownMatchCount) {
        m_shownMatchCount = matchCount();
        emit matchCountChanged(m_shownMatchCount);
    }
}

std::pair<int64_t, int64_t> TerminalPane::rowRange() const
{
    if (m_showsHex) {
        const int64_t first = m_lines.first() / HexBytes;
        return {first, std::max(first + 1, (m_lines.end() + HexBytes - 1) / HexBytes)};
    }
    return {m_lines.firstRow(), m_lines.endRow()};
}

int64_t TerminalPane::topRow() const
{
    const auto [firstRow, endRow] = rowRange();
    return std::clamp<int64_t>(m_barBase + verticalScrollBar()->value(), firstRow, endRow - 1);
}

int64_t TerminalPane::rowOf(int64_t position) const
{
    if (m_showsHex)
        return position / HexBytes;
    const size_t line = m_lines.lineOf(position);
    const int64_t offset = position - m_lines.lineStart(line);
    return m_lines.lineRow(line) + std::min(offset / m_lines.columns(), m_lines.rowsOf(line) - 1);
}

int TerminalPane::marginColumns() const
{
    return m_showsLineTimes && !m_showsHex ? TimeOfDayLength + 1 : 0;
}

int TerminalPane::viewColumns() const
{
    return std::max(1, (viewport()->width() - 2 * Margin) / m_charWidth);
}

int TerminalPane::visibleRows() const
{
    return std::max(1, (viewport()->height() - 2 * Margin) / m_lineHeight);
}

int TerminalPane::hexDigits() const
{
    return m_lines.end() > 0xFFFFFFFFLL ? 12 : 8;
}

TerminalPane::Row TerminalPane::rowAt(int64_t row) const
{
    Row shown;
    if (m_showsHex) {
        shown.from = std::max(m_lines.first(), row * HexBytes);
        shown.to = std::min(m_lines.end(), row * HexBytes + HexBytes);
        shown.text = hexRow(row);
        return shown;
    }
    const size_t line = m_lines.lineAtRow(row);
    const int64_t rowInLine = row - m_lines.lineRow(line);
    shown.from = m_lines.lineStart(line) + rowInLine * m_lines.columns();
    shown.to = std::min(shown.from + m_lines.columns(), m_lines.lineEnd(line));
    shown.text = decode(shown.from, shown.to);
    if (m_showsLineTimes) {
        const bool started = m_lines.lineNext(line) > m_lines.lineStart(line);
        shown.time = rowInLine == 0 && started
            ? timeOfDay(m_lines.lineTime(line)) + QLatin1Char(' ')
            : QString(marginColumns(), QLatin1Char(' '));
    }
    return shown;
}

QString TerminalPane::hexRow(int64_t row) const
{
    static const char Digits[] = "0123456789ABCDEF";
    const int digits = hexDigits();
    QString text(digits + 2 + HexArea + 1 + HexBytes, QLatin1Char(' '));
    const int64_t offset = row * HexBytes;
    for (int i = 0; i < digits; ++i)
        text[digits - 1 - i] = QLatin1Char(Digits[(offset >> (4 * i)) & 0xF]);
    for (int64_t i = 0; i < HexBytes; ++i) {
        const int64_t position = offset + i;
        if (position < m_lines.first() || position >= m_lines.end())
            continue;
        const unsigned char byte = m_lines.at(position);
        const int column = digits + 2 + static_cast<int>(3 * i + (i >= 8 ? 1 : 0));
        text[column] = QLatin1Char(Digits[byte >> 4]);
        text[column + 1] = QLatin1Char(Digits[byte & 0xF]);
        text[digits + 2 + HexArea + 1 + static_cast<int>(i)] = hexShown(byte);
    }
    return text;
}

std::vector<std::pair<int, int>> TerminalPane::columnsOf(
    const Row &row, int64_t from, int64_t to) const
{
    const int64_t a = std::clamp(from, row.from, row.to);
    const int64_t b = std::clamp(to, row.from, row.to);
    if (a >= b)
        return {};
    if (!m_showsHex)
        return {{static_cast<int>(a - row.from), static_cast<int>(b - row.from)}};
    const int digits = hexDigits();
    const auto hexColumn
        = [digits](int64_t i) { return digits + 2 + static_cast<int>(3 * i + (i >= 8 ? 1 : 0)); };
    const int64_t i = a % HexBytes;
    const int64_t j = i + (b - a);
    const int text = digits + 2 + HexArea + 1;
    return {{hexColumn(i), hexColumn(j - 1) + 2},
        {text + static_cast<int>(i), text + static_cast<int>(j)}};
}

QString TerminalPane::text() const
{
    return fromCp1251(m_lines.bytes());
}

void TerminalPane::selectAll()
{
    select(m_lines.first(), m_lines.end());
}

void TerminalPane::select(int64_t anchor, int64_t cursor)
{
    const int64_t caretBefore = m_cursor;
    m_anchor = std::clamp(anchor, m_lines.first(), m_lines.end());
    m_cursor = std::clamp(cursor, m_lines.first(), m_lines.end());
    viewport()->update();
    if (!QAccessible::isActive())
        return;
    const auto offset = [this](int64_t position) { return toInt(position - m_lines.first()); };
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
    QString text = fromCp1251(m_lines.bytes(from, to));
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return text;
}

void TerminalPane::copy() const
{
    if (m_anchor != m_cursor)
        QApplication::clipboard()->setText(selectedText());
}

void TerminalPane::setShowsLineTimes(bool on)
{
    if (on == m_showsLineTimes)
        return;
    m_showsLineTimes = on;
    relayout();
}

void TerminalPane::setShowsHex(bool on)
{
    if (on == m_showsHex)
        return;
    m_showsHex = on;
    setHorizontalScrollBarPolicy(on ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    relayout();
}

void TerminalPane::setSearchText(const QString &text)
{
    m_searchFits = fitsCp1251(text);
    m_search.setNeedle(m_searchFits ? toCp1251(text) : std::string(), m_lines);
    viewport()->update();
    // Typing on keeps the match found so far while it still matches.
    const int64_t from = m_match >= 0 ? m_match : rowAt(topRow()).from;
    int64_t found = m_search.findForward(m_lines, from);
    if (found < 0)
        found = m_search.findForward(m_lines, m_lines.first());
    m_match = -1;
    if (found >= 0)
        showMatch(found);
    if (matchCount() != m_shownMatchCount) {
        m_shownMatchCount = matchCount();
        emit matchCountChanged(m_shownMatchCount);
    }
}

bool TerminalPane::findNext(bool backward)
{
    if (!m_search.active())
        return false;
    int64_t found = -1;
    if (backward) {
        found = m_search.findBackward(m_lines, m_match >= 0 ? m_match : rowAt(topRow()).from);
        if (found < 0)
            found = m_search.findBackward(m_lines, m_lines.end() + 1);
    } else {
        found = m_search.findForward(m_lines, m_match >= 0 ? m_match + 1 : rowAt(topRow()).from);
        if (found < 0)
            found = m_search.findForward(m_lines, m_lines.first());
    }
    if (found < 0)
        return false;
    showMatch(found);
    return true;
}

void TerminalPane::showMatch(int64_t position)
{
    m_match = position;
    select(position, position + m_search.length());
    scrollToPosition(position);
}

QStringList TerminalPane::shownRows() const
{
    QStringList rows;
    const int64_t top = topRow();
    const int64_t end = rowRange().second;
    for (int y = Margin, row = 0; y < viewport()->height() && top + row < end;
         y += m_lineHeight, ++row) {
        const Row shown = rowAt(top + row);
        rows << shown.time + shown.text;
    }
    return rows;
}

void TerminalPane::relayout()
{
    const QFontMetrics metrics(font());
    m_charWidth = std::max(1, metrics.horizontalAdvance(QLatin1Char('M')));
    m_lineHeight = std::max(1, metrics.lineSpacing());
    m_ascent = metrics.ascent();
    // The view stays at the end, or keeps the byte at its top there.
    QScrollBar *bar = verticalScrollBar();
    const bool following = bar->value() >= bar->maximum();
    const int64_t topByte = rowAt(topRow()).from;
    m_lines.setColumns(std::max(1, viewColumns() - marginColumns()));
    m_repaintAll = true;
    refresh(following ? INT64_MAX : rowOf(topByte));
}

void TerminalPane::setTopRow(int64_t row)
{
    if (m_refreshPending)
        refresh();
    verticalScrollBar()->setValue(toInt(row - m_barBase));
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

void TerminalPane::scrollContentsBy(int dx, int dy)
{
    if (m_refreshing)
        return;
    if (dx != 0 || std::abs(dy) >= visibleRows()) {
        viewport()->update();
        return;
    }
    const int rowsBottom = Margin + visibleRows() * m_lineHeight;
    viewport()->scroll(
        0, dy * m_lineHeight, QRect(0, Margin, viewport()->width(), rowsBottom - Margin));
    // The part row at the bottom shows another row now.
    viewport()->update(
        QRect(0, rowsBottom, viewport()->width(), viewport()->height() - rowsBottom));
}

QString TerminalPane::readable(int64_t from, int64_t to) const
{
    QString text = decode(from, to);
    for (int64_t i = from; i < to; ++i)
        if (m_lines.at(i) == '\n')
            text[static_cast<qsizetype>(i - from)] = QLatin1Char('\n');
    return text;
}

QString TerminalPane::decode(int64_t from, int64_t to) const
{
    QString text(static_cast<qsizetype>(to - from), Qt::Uninitialized);
    QChar *out = text.data();
    for (const char c : m_lines.bytes(from, to))
        *out++ = shown(static_cast<unsigned char>(c));
    return text;
}

void TerminalPane::paintEvent(QPaintEvent *event)
{
    QPainter painter(viewport());
    const QRect area = event->rect();
    const QPalette::ColorGroup group = isEnabled() ? QPalette::Active : QPalette::Disabled;
    painter.fillRect(area, palette().color(group, QPalette::Base));
    painter.setFont(font());
    const QColor text = palette().color(group, QPalette::Text);
    const QColor time = palette().color(group, QPalette::PlaceholderText);
    const QColor highlight = palette().color(group, QPalette::Highlight);
    const QColor highlightedText = palette().color(group, QPalette::HighlightedText);
    const QColor found(255, 224, 128);
    const int64_t selFrom = std::min(m_anchor, m_cursor);
    const int64_t selTo = std::max(m_anchor, m_cursor);
    const int left = Margin - horizontalScrollBar()->value() * m_charWidth;
    const int textLeft = left + marginColumns() * m_charWidth;

    const int64_t top = topRow();
    const int64_t end = rowRange().second;
    const int firstInArea = std::max(0, (area.top() - Margin) / m_lineHeight);
    const int lastInArea = std::max(0, (area.bottom() - Margin) / m_lineHeight);
    for (int i = firstInArea; i <= lastInArea && top + i < end; ++i) {
        const Row row = rowAt(top + i);
        const int y = Margin + i * m_lineHeight;
        const auto band = [&](std::pair<int, int> columns) {
            return QRect(textLeft + columns.first * m_charWidth, y,
                (columns.second - columns.first) * m_charWidth, m_lineHeight);
        };
        if (!row.time.isEmpty()) {
            painter.setPen(time);
            painter.drawText(left, y + m_ascent, row.time);
        }
        const int64_t length = m_search.length();
        for (int64_t at = m_search.findIn(m_lines, row.from - length + 1, row.to); at >= 0;
             at = m_search.findIn(m_lines, at + 1, row.to))
            for (const auto &columns : columnsOf(row, at, at + length))
                painter.fillRect(band(columns), found);
        const auto selected = columnsOf(row, selFrom, selTo);
        for (const auto &columns : selected)
            painter.fillRect(band(columns), highlight);
        painter.setPen(text);
        painter.drawText(textLeft, y + m_ascent, row.text);
        painter.setPen(highlightedText);
        for (const auto &columns : selected)
            painter.drawText(band(columns).left(), y + m_ascent,
                row.text.mid(columns.first, columns.second - columns.first));
    }
}

int64_t TerminalPane::positionAt(QPoint point) const
{
    const auto [firstRow, endRow] = rowRange();
    const int64_t row = std::clamp<int64_t>(
        topRow() + std::max(0, point.y() - Margin) / m_lineHeight, firstRow, endRow - 1);
    // The boundary between two characters nearest to the point.
    const int column = (point.x() - Margin + m_charWidth / 2) / m_charWidth
        + horizontalScrollBar()->value() - marginColumns();
    if (m_showsHex) {
        // In the hex digits: the boundary after the byte whose digits are hit, from the blank
        // after them on.
        const int hex
            = (point.x() - Margin) / m_charWidth + horizontalScrollBar()->value() - hexDigits() - 2;
        const int text = column - hexDigits() - 2 - HexArea - 1;
        const int64_t i = text >= 0 ? text : (hex - (hex >= 3 * 8 ? 1 : 0) + 1) / 3;
        return std::clamp(
            row * HexBytes + std::clamp<int64_t>(i, 0, HexBytes), m_lines.first(), m_lines.end());
    }
    const size_t line = m_lines.lineAtRow(row);
    const int64_t position = m_lines.lineStart(line)
        + (row - m_lines.lineRow(line)) * m_lines.columns()
        + std::clamp<int64_t>(column, 0, m_lines.columns());
    return std::min(position, m_lines.lineEnd(line));
}

QRect TerminalPane::characterRect(int64_t position) const
{
    const int64_t row = rowOf(position);
    int64_t column = 0;
    if (m_showsHex)
        column = hexDigits() + 2 + HexArea + 1 + position % HexBytes;
    else
        column = marginColumns() + position - rowAt(row).from;
    column -= horizontalScrollBar()->value();
    return QRect(Margin + toInt(column) * m_charWidth,
        Margin + toInt(row - topRow()) * m_lineHeight, m_charWidth, m_lineHeight);
}

void TerminalPane::scrollToPosition(int64_t position)
{
    const int64_t row = rowOf(position);
    const int64_t top = topRow();
    if (row < top)
        setTopRow(row);
    else if (row >= top + visibleRows())
        setTopRow(row - visibleRows() + 1);
    if (m_showsHex) {
        // The byte's hex digits, when they are out of sight across.
        QScrollBar *across = horizontalScrollBar();
        const int column = hexDigits() + 2 + static_cast<int>(3 * (position % HexBytes));
        if (column < across->value() || column + 2 > across->value() + viewColumns())
            across->setValue(column - 2);
    }
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
    QAction *copy = menu.addAction(tr("Копировать"), this, &TerminalPane::copy);
    copy->setEnabled(m_anchor != m_cursor);
    menu.addAction(tr("Выделить всё"), this, &TerminalPane::selectAll);
    menu.exec(event->globalPos());
}

} // namespace kelvane
