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
    return Cp1251Char(byte);
}

} // namespace

TerminalPane::TerminalPane(QWidget *parent) : QAbstractScrollArea(parent)
{
    InstallTerminalPaneAccessibility();
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
    const int64_t start = static_cast<int64_t>(bytes_.size());
    bytes_.append(bytes);
    const char *data = bytes_.data();
    for (const char *p = data + start, *end = data + bytes_.size();
         (p = static_cast<const char *>(std::memchr(p, '\n', static_cast<size_t>(end - p)))); ++p) {
        const size_t finished = lineStart_.size() - 1;
        lineStart_.push_back(p - data + 1);
        rowStart_.push_back(rowStart_[finished] + rowsOf(finished));
    }
    updateScrollRange();
    if (following)
        bar->setValue(bar->maximum());
    viewport()->update();
    if (QAccessible::isActive()) {
        QAccessibleTextInsertEvent event(this,
            static_cast<int>(std::min<int64_t>(start, INT32_MAX)),
            readable(start, static_cast<int64_t>(bytes_.size())));
        QAccessible::updateAccessibility(&event);
    }
}

void TerminalPane::Clear()
{
    if (QAccessible::isActive() && !bytes_.empty()) {
        QAccessibleTextRemoveEvent event(this, 0, readable(0, static_cast<int64_t>(bytes_.size())));
        QAccessible::updateAccessibility(&event);
    }
    std::string().swap(bytes_);
    lineStart_.assign(1, 0);
    rowStart_.assign(1, 0);
    anchor_ = cursor_ = 0;
    updateScrollRange();
    viewport()->update();
}

QString TerminalPane::Text() const
{
    return FromCp1251(bytes_);
}

void TerminalPane::SelectAll()
{
    select(0, static_cast<int64_t>(bytes_.size()));
}

void TerminalPane::select(int64_t anchor, int64_t cursor)
{
    const int64_t size = static_cast<int64_t>(bytes_.size());
    const int64_t caretBefore = cursor_;
    anchor_ = std::clamp<int64_t>(anchor, 0, size);
    cursor_ = std::clamp<int64_t>(cursor, 0, size);
    viewport()->update();
    if (!QAccessible::isActive())
        return;
    const auto offset
        = [](int64_t position) { return static_cast<int>(std::min<int64_t>(position, INT32_MAX)); };
    QAccessibleTextSelectionEvent selection(
        this, offset(std::min(anchor_, cursor_)), offset(std::max(anchor_, cursor_)));
    selection.setCursorPosition(offset(cursor_));
    QAccessible::updateAccessibility(&selection);
    if (cursor_ != caretBefore) {
        QAccessibleTextCursorEvent caret(this, offset(cursor_));
        QAccessible::updateAccessibility(&caret);
    }
}

QString TerminalPane::SelectedText() const
{
    const int64_t from = std::min(anchor_, cursor_);
    const int64_t to = std::max(anchor_, cursor_);
    QString text = FromCp1251(
        std::string_view(bytes_).substr(static_cast<size_t>(from), static_cast<size_t>(to - from)));
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return text;
}

void TerminalPane::Copy() const
{
    if (anchor_ != cursor_)
        QApplication::clipboard()->setText(SelectedText());
}

int64_t TerminalPane::displayEnd(size_t line) const
{
    const bool closed = line + 1 < lineStart_.size();
    int64_t end = closed ? lineStart_[line + 1] - 1 : static_cast<int64_t>(bytes_.size());
    if (closed && end > lineStart_[line] && bytes_[static_cast<size_t>(end - 1)] == '\r')
        --end;
    return end;
}

int64_t TerminalPane::rowsOf(size_t line) const
{
    const int64_t length = displayEnd(line) - lineStart_[line];
    return std::max<int64_t>(1, (length + columns_ - 1) / columns_);
}

int64_t TerminalPane::totalRows() const
{
    return rowStart_.back() + rowsOf(lineStart_.size() - 1);
}

int TerminalPane::visibleRows() const
{
    return std::max(1, (viewport()->height() - 2 * Margin) / lineHeight_);
}

void TerminalPane::relayout()
{
    const QFontMetrics metrics(font());
    charWidth_ = std::max(1, metrics.horizontalAdvance(QLatin1Char('M')));
    lineHeight_ = std::max(1, metrics.lineSpacing());
    const int columns = std::max(1, (viewport()->width() - 2 * Margin) / charWidth_);
    if (columns != columns_) {
        columns_ = columns;
        for (size_t line = 0; line + 1 < lineStart_.size(); ++line)
            rowStart_[line + 1] = rowStart_[line] + rowsOf(line);
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
        if (bytes_[static_cast<size_t>(i)] == '\n')
            text[static_cast<qsizetype>(i - from)] = QLatin1Char('\n');
    return text;
}

QString TerminalPane::decode(int64_t from, int64_t to) const
{
    QString text(static_cast<qsizetype>(to - from), Qt::Uninitialized);
    QChar *out = text.data();
    for (int64_t i = from; i < to; ++i)
        *out++ = shown(static_cast<unsigned char>(bytes_[static_cast<size_t>(i)]));
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
    const int64_t selFrom = std::min(anchor_, cursor_);
    const int64_t selTo = std::max(anchor_, cursor_);
    const int ascent = QFontMetrics(font()).ascent();

    const int64_t first = verticalScrollBar()->value();
    size_t line = static_cast<size_t>(
        std::upper_bound(rowStart_.begin(), rowStart_.end(), first) - rowStart_.begin() - 1);
    int64_t row = first - rowStart_[line];
    for (int y = Margin; y < viewport()->height() && line < lineStart_.size(); y += lineHeight_) {
        const int64_t from = lineStart_[line] + row * columns_;
        const int64_t to = std::min(from + columns_, displayEnd(line));
        const QString chars = decode(from, to);
        const int64_t a = std::clamp(selFrom, from, to);
        const int64_t b = std::clamp(selTo, from, to);
        painter.setPen(text);
        painter.drawText(Margin, y + ascent, chars);
        if (a < b) {
            const QRect band(Margin + static_cast<int>(a - from) * charWidth_, y,
                static_cast<int>(b - a) * charWidth_, lineHeight_);
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
        = verticalScrollBar()->value() + std::max(0, point.y() - Margin) / lineHeight_;
    const int64_t row = std::clamp<int64_t>(wanted, 0, totalRows() - 1);
    const size_t line = static_cast<size_t>(
        std::upper_bound(rowStart_.begin(), rowStart_.end(), row) - rowStart_.begin() - 1);
    const int64_t column
        = std::clamp<int64_t>((point.x() - Margin + charWidth_ / 2) / charWidth_, 0, columns_);
    const int64_t position = lineStart_[line] + (row - rowStart_[line]) * columns_ + column;
    return std::min(position, displayEnd(line));
}

std::pair<int64_t, int64_t> TerminalPane::rowAndColumnOf(int64_t position) const
{
    const size_t line = static_cast<size_t>(
        std::upper_bound(lineStart_.begin(), lineStart_.end(), position) - lineStart_.begin() - 1);
    const int64_t offset = position - lineStart_[line];
    const int64_t rowInLine = std::min(offset / columns_, rowsOf(line) - 1);
    return {rowStart_[line] + rowInLine, offset - rowInLine * columns_};
}

QRect TerminalPane::characterRect(int64_t position) const
{
    const auto [row, column] = rowAndColumnOf(position);
    const int64_t shown = row - verticalScrollBar()->value();
    return QRect(Margin + static_cast<int>(column) * charWidth_,
        Margin + static_cast<int>(shown) * lineHeight_, charWidth_, lineHeight_);
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
    select(event->modifiers() & Qt::ShiftModifier ? anchor_ : at, at);
}

void TerminalPane::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return;
    select(anchor_, positionAt(event->position().toPoint()));
}

void TerminalPane::keyPressEvent(QKeyEvent *event)
{
    QScrollBar *bar = verticalScrollBar();
    if (event->matches(QKeySequence::Copy)) {
        Copy();
    } else if (event->matches(QKeySequence::SelectAll)) {
        SelectAll();
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
    QAction *copy = menu.addAction(QStringLiteral("Копировать"), this, &TerminalPane::Copy);
    copy->setEnabled(anchor_ != cursor_);
    menu.addAction(QStringLiteral("Выделить всё"), this, &TerminalPane::SelectAll);
    menu.exec(event->globalPos());
}

} // namespace kelvane
