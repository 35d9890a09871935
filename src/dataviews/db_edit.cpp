#include "dataviews/db_edit.h"

#include "dataviews/db_field_text.h"
#include "framework/guarded.h"

#include <QScopedValueRollback>

namespace kelvane {

TDBEdit::TDBEdit(QWidget *parent) : QLineEdit(parent)
{
    m_link.OnDataChange = [this] { showField(); };
    m_link.OnActiveChange = [this] { applyField(); };
    m_link.OnEditingChange = [this] { applyField(); };
    m_link.OnUpdateData = [this] { storeText(); };
    connect(this, &QLineEdit::textEdited, this, &TDBEdit::textEdited);
    applyField();
}

void TDBEdit::setTypingWhenReadOnly(bool on)
{
    m_typingWhenReadOnly = on;
    applyField();
}

void TDBEdit::revert()
{
    m_link.Reset();
    showField();
}

void TDBEdit::applyField()
{
    const TField *field = m_link.Field();
    setReadOnly(!m_link.CanModify() && !(m_typingWhenReadOnly && field));
    setMaxLength(field && field->DataType() == ftString ? field->Size() : 32767);
}

void TDBEdit::showField()
{
    // Starting the edit tells every view that the record changed; what was just typed stays.
    if (m_startingEdit)
        return;
    const TField *field = m_link.Field();
    QString text;
    runGuarded(m_link.errorSink(), [&] { text = field ? fieldTextOf(*field) : QString(); });
    setText(text);
}

void TDBEdit::textEdited()
{
    if (!m_link.CanModify())
        return; // kept in the box only
    if (!m_link.Editing()) {
        QScopedValueRollback<bool> starting(m_startingEdit, true);
        bool editing = false;
        runGuarded(m_link.errorSink(), [&] { editing = m_link.Edit(); });
        if (!editing) {
            m_startingEdit = false;
            showField();
            return;
        }
    }
    m_link.Modified();
}

void TDBEdit::storeText()
{
    if (TField *field = m_link.Field())
        setFieldText(*field, text());
}

void TDBEdit::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    if (m_link.isModified() && m_link.Editing())
        runGuarded(m_link.errorSink(), [this] { m_link.UpdateRecord(); });
}

} // namespace kelvane
