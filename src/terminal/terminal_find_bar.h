// TerminalFindBar: the bar under a terminal pane that searches it. Typing highlights what matches,
// ignoring case; Enter or F3 goes to the next match, with Shift to the previous one; Esc closes
// the bar and takes the highlight away. It says how many matches the pane holds, and keeps
// saying it as data arrives.
#pragma once

#include <QFrame>
#include <QPointer>

class QLabel;
class QLineEdit;
class QToolButton;

namespace kelvane {

class TerminalPane;

class TerminalFindBar : public QFrame
{
    Q_OBJECT
public:
    // Puts the bar under `pane`, in the pane's place in its layout, hidden.
    explicit TerminalFindBar(TerminalPane &pane);

    // Shows the bar with its text selected, ready to type.
    void open();
    void close();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void find(bool backward);
    void showCount(qint64 count);

    TerminalPane &m_pane;
    QLineEdit *m_text;
    QToolButton *m_previous;
    QToolButton *m_next;
    QLabel *m_count;
    QPointer<QWidget> m_focusBefore; // where the keyboard goes back to when the bar closes
};

} // namespace kelvane
