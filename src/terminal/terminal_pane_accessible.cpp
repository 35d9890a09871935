#include "terminal/terminal_pane_accessible.h"

#include "terminal/terminal_pane.h"

#include <QScrollBar>
#include <algorithm>
#include <climits>

namespace kelvane {

namespace {

QAccessibleInterface *create(const QString &className, QObject *object)
{
    if (className == QLatin1String(TerminalPane::staticMetaObject.className()))
        if (auto *pane = qobject_cast<TerminalPane *>(object))
            return new TerminalPaneAccessible(pane);
    return nullptr;
}

} // namespace

void installTerminalPaneAccessibility()
{
    static const bool Installed = (QAccessible::installFactory(create), true);
    (void)Installed;
}

TerminalPaneAccessible::TerminalPaneAccessible(TerminalPane *pane)
    : QAccessibleWidget(pane, QAccessible::EditableText)
{ }

TerminalPane *TerminalPaneAccessible::pane() const
{
    return static_cast<TerminalPane *>(widget());
}

void *TerminalPaneAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface *>(this);
    return QAccessibleWidget::interface_cast(type);
}

QAccessible::State TerminalPaneAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.readOnly = true;
    state.multiLine = true;
    state.selectableText = true;
    return state;
}

QString TerminalPaneAccessible::text(QAccessible::Text type) const
{
    if (type == QAccessible::Value)
        return text(0, characterCount());
    return QAccessibleWidget::text(type);
}

int TerminalPaneAccessible::characterCount() const
{
    const TerminalLines &lines = pane()->m_lines;
    return static_cast<int>(std::min<int64_t>(lines.end() - lines.first(), INT_MAX));
}

int64_t TerminalPaneAccessible::positionOf(int offset) const
{
    return pane()->m_lines.first() + clamp(offset);
}

int TerminalPaneAccessible::offsetOf(int64_t position) const
{
    return clamp(position - pane()->m_lines.first());
}

int TerminalPaneAccessible::clamp(int offset) const
{
    return std::clamp(offset, 0, characterCount());
}

int TerminalPaneAccessible::clamp(int64_t position) const
{
    return static_cast<int>(std::clamp<int64_t>(position, 0, characterCount()));
}

QString TerminalPaneAccessible::text(int startOffset, int endOffset) const
{
    const int64_t from = positionOf(startOffset);
    return pane()->readable(from, std::max(from, positionOf(endOffset)));
}

void TerminalPaneAccessible::selection(int selectionIndex, int *startOffset, int *endOffset) const
{
    *startOffset = *endOffset = 0;
    if (selectionIndex != 0 || selectionCount() == 0)
        return;
    const TerminalPane *p = pane();
    *startOffset = offsetOf(std::min(p->m_anchor, p->m_cursor));
    *endOffset = offsetOf(std::max(p->m_anchor, p->m_cursor));
}

int TerminalPaneAccessible::selectionCount() const
{
    return pane()->m_anchor != pane()->m_cursor ? 1 : 0;
}

void TerminalPaneAccessible::addSelection(int startOffset, int endOffset)
{
    // One selection at most: a new one replaces it.
    setSelection(0, startOffset, endOffset);
}

void TerminalPaneAccessible::removeSelection(int selectionIndex)
{
    if (selectionIndex == 0)
        pane()->select(pane()->m_cursor, pane()->m_cursor);
}

void TerminalPaneAccessible::setSelection(int selectionIndex, int startOffset, int endOffset)
{
    if (selectionIndex == 0)
        pane()->select(positionOf(startOffset), positionOf(endOffset));
}

int TerminalPaneAccessible::cursorPosition() const
{
    return offsetOf(pane()->m_cursor);
}

void TerminalPaneAccessible::setCursorPosition(int caret)
{
    pane()->select(positionOf(caret), positionOf(caret));
}

QRect TerminalPaneAccessible::characterRect(int offset) const
{
    const QRect place = pane()->characterRect(positionOf(offset));
    return QRect(pane()->viewport()->mapToGlobal(place.topLeft()), place.size());
}

int TerminalPaneAccessible::offsetAtPoint(const QPoint &point) const
{
    const QPoint local = pane()->viewport()->mapFromGlobal(point);
    if (!pane()->viewport()->rect().contains(local))
        return -1;
    return offsetOf(pane()->positionAt(local));
}

void TerminalPaneAccessible::scrollToSubstring(int startIndex, int)
{
    pane()->scrollToPosition(positionOf(startIndex));
}

QString TerminalPaneAccessible::attributes(int, int *startOffset, int *endOffset) const
{
    // One run without attributes of its own: the pane has a single font and colour.
    *startOffset = 0;
    *endOffset = characterCount();
    return QString();
}

} // namespace kelvane
