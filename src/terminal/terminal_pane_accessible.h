// TerminalPaneAccessible: the terminal pane as screen readers see it (AT-SPI on Linux): read-only,
// multi-line text whose characters are the pane's bytes, one each, as the pane shows them, with a
// selection and a caret; offsets count from the first byte the pane holds. Offsets beyond the int
// range of Qt's interface are not reachable. Created by Qt's accessibility through the factory
// installTerminalPaneAccessibility installs. Main thread only.
#pragma once

#include <QAccessibleWidget>
#include <cstdint>

namespace kelvane {

class TerminalPane;

class TerminalPaneAccessible : public QAccessibleWidget, public QAccessibleTextInterface
{
public:
    explicit TerminalPaneAccessible(TerminalPane *pane);

    void *interface_cast(QAccessible::InterfaceType type) override;
    QAccessible::State state() const override;
    QString text(QAccessible::Text type) const override;

    void selection(int selectionIndex, int *startOffset, int *endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint &point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int *startOffset, int *endOffset) const override;

private:
    TerminalPane *pane() const;
    // An offset or an offset from the first byte held brought into [0, characterCount()].
    int clamp(int offset) const;
    int clamp(int64_t offset) const;
    // The pane's byte position of an offset, and the other way round.
    int64_t positionOf(int offset) const;
    int offsetOf(int64_t position) const;
};

// Makes Qt's accessibility use TerminalPaneAccessible for every terminal pane. Idempotent.
void installTerminalPaneAccessibility();

} // namespace kelvane
