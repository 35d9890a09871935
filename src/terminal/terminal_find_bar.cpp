#include "terminal/terminal_find_bar.h"

#include "terminal/terminal_pane.h"

#include <QApplication>
#include <QBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

namespace kelvane {

TerminalFindBar::TerminalFindBar(TerminalPane &pane)
    : m_pane(pane), m_text(new QLineEdit), m_previous(new QToolButton), m_next(new QToolButton),
      m_count(new QLabel)
{
    setObjectName(QStringLiteral("findBar"));
    // The pane and the bar take the pane's place, so the pane keeps its size while the bar is
    // closed.
    QWidget *place = pane.parentWidget();
    auto *column = new QWidget(place);
    auto *columnLayout = new QVBoxLayout(column);
    columnLayout->setContentsMargins(0, 0, 0, 0);
    columnLayout->setSpacing(0);
    if (place && place->layout())
        delete place->layout()->replaceWidget(&pane, column);
    columnLayout->addWidget(&pane);
    columnLayout->addWidget(this);

    auto *label = new QLabel(tr("Найти"));
    label->setBuddy(m_text);
    m_text->setObjectName(QStringLiteral("findText"));
    m_text->setAccessibleName(tr("Найти"));
    m_text->installEventFilter(this);
    m_previous->setObjectName(QStringLiteral("findPrevious"));
    m_previous->setText(tr("Назад"));
    m_previous->setToolTip(tr("Назад (Shift+F3)"));
    m_next->setObjectName(QStringLiteral("findNext"));
    m_next->setText(tr("Далее"));
    m_next->setToolTip(tr("Далее (F3)"));
    m_count->setObjectName(QStringLiteral("findCount"));
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(2, 2, 2, 2);
    row->setSpacing(4);
    row->addWidget(label);
    row->addWidget(m_text, 1);
    row->addWidget(m_previous);
    row->addWidget(m_next);
    row->addWidget(m_count);
    setFrameShape(QFrame::StyledPanel);
    hide();

    connect(m_text, &QLineEdit::textChanged, this, [this](const QString &text) {
        m_pane.setSearchText(text);
        showCount(m_pane.matchCount());
    });
    connect(m_previous, &QToolButton::clicked, this, [this] { find(true); });
    connect(m_next, &QToolButton::clicked, this, [this] { find(false); });
    connect(&m_pane, &TerminalPane::matchCountChanged, this, &TerminalFindBar::showCount);
}

void TerminalFindBar::open()
{
    if (!isVisible()) {
        QWidget *focused = QApplication::focusWidget();
        m_focusBefore = focused && !isAncestorOf(focused) ? focused : nullptr;
        show();
        m_pane.setSearchText(m_text->text());
        showCount(m_pane.matchCount());
    }
    m_text->setFocus(Qt::ShortcutFocusReason);
    m_text->selectAll();
}

void TerminalFindBar::close()
{
    if (!isVisible())
        return;
    hide();
    m_pane.setSearchText(QString());
    if (m_focusBefore && m_focusBefore->isEnabled())
        m_focusBefore->setFocus(Qt::OtherFocusReason);
}

void TerminalFindBar::find(bool backward)
{
    m_pane.findNext(backward);
}

void TerminalFindBar::showCount(qint64 count)
{
    if (m_text->text().isEmpty())
        m_count->clear();
    else if (count == 0)
        m_count->setText(tr("Не найдено"));
    else
        m_count->setText(tr("Найдено: %1").arg(count));
}

bool TerminalFindBar::eventFilter(QObject *watched, QEvent *event)
{
    // The bar's keys are its own while it has the keyboard, whatever shortcuts the window has.
    if (watched == m_text && event->type() == QEvent::ShortcutOverride) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_F3
            || key == Qt::Key_Escape) {
            event->accept();
            return true;
        }
    }
    if (watched == m_text && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const bool back = key->modifiers() & Qt::ShiftModifier;
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_F3:
            find(back);
            return true;
        case Qt::Key_Escape:
            close();
            return true;
        default:
            break;
        }
    }
    return QFrame::eventFilter(watched, event);
}

} // namespace kelvane
