#include "app/input_history.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSaveFile>

namespace kelvane {

InputHistory::InputHistory(QLineEdit *line, QString file, QObject *parent)
    : QObject(parent), m_line(line), m_file(std::move(file))
{
    load();
    m_line->installEventFilter(this);
}

void InputHistory::load()
{
    QFile in(m_file);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    m_lines = QString::fromUtf8(in.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (m_lines.size() > Limit)
        m_lines.remove(0, m_lines.size() - Limit);
    m_position = m_lines.size();
}

void InputHistory::save() const
{
    QDir().mkpath(QFileInfo(m_file).absolutePath());
    // Written whole and then put in place, so a crash leaves the old history or the new one.
    QSaveFile out(m_file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Text))
        return;
    // What was typed to the drive is nobody else's business, as the journal is not.
    out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    out.write((m_lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
    out.commit();
}

void InputHistory::add(const QString &line)
{
    m_position = m_lines.size();
    m_draft.clear();
    if (line.isEmpty() || line.contains(QLatin1Char('\n')) || line.contains(QLatin1Char('\r')))
        return;
    if (m_lines.isEmpty() || m_lines.last() != line) {
        m_lines.append(line);
        if (m_lines.size() > Limit)
            m_lines.removeFirst();
        save();
    }
    m_position = m_lines.size();
}

bool InputHistory::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_line || event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    if (key->modifiers() & ~Qt::KeypadModifier)
        return false;
    if (key->key() == Qt::Key_Up) {
        if (m_position > 0) {
            if (m_position == m_lines.size())
                m_draft = m_line->text();
            show(m_position - 1);
        }
        return true;
    }
    if (key->key() == Qt::Key_Down) {
        if (m_position < m_lines.size())
            show(m_position + 1);
        return true;
    }
    return false;
}

void InputHistory::show(qsizetype position)
{
    m_position = position;
    m_line->setText(position == m_lines.size() ? m_draft : m_lines.at(position));
}

} // namespace kelvane
