#include "framework/db_edit.h"

#include "framework/db_field_text.h"
#include "framework/guarded.h"

#include <QScopedValueRollback>

namespace kelvane {

TDBEdit::TDBEdit(QWidget *parent) : QLineEdit(parent)
{
    m_link.OnDataChange = [this] { ShowField(); };
    m_link.OnActiveChange = [this] { ApplyField(); };
    m_link.OnEditingChange = [this] { ApplyField(); };
    m_link.OnUpdateData = [this] { StoreText(); };
    connect(this, &QLineEdit::textEdited, this, &TDBEdit::TextEdited);
    ApplyField();
}

void TDBEdit::SetTypingWhenReadOnly(bool on)
{
    m_typingWhenReadOnly = on;
    ApplyField();
}

void TDBEdit::Revert()
{
    m_link.Reset();
    ShowField();
}

void TDBEdit::ApplyField()
{
    const TField *field = m_link.Field();
    setReadOnly(!m_link.CanModify() && !(m_typingWhenReadOnly && field));
    setMaxLength(field && field->DataType() == ftString ? field->Size() : 32767);
}

void TDBEdit::ShowField()
{
    // Starting the edit tells every view that the record changed; what was just typed stays.
    if (m_startingEdit)
        return;
    const TField *field = m_link.Field();
    QString text;
    RunGuarded([&] { text = field ? FieldTextOf(*field) : QString(); });
    setText(text);
}

void TDBEdit::TextEdited()
{
    if (!m_link.CanModify())
        return; // kept in the box only
    if (!m_link.Editing()) {
        QScopedValueRollback<bool> starting(m_startingEdit, true);
        bool editing = false;
        RunGuarded([&] { editing = m_link.Edit(); });
        if (!editing) {
            m_startingEdit = false;
            ShowField();
            return;
        }
    }
    m_link.Modified();
}

void TDBEdit::StoreText()
{
    if (TField *field = m_link.Field())
        SetFieldText(*field, text());
}

void TDBEdit::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    if (m_link.IsModified() && m_link.Editing())
        RunGuarded([this] { m_link.UpdateRecord(); });
}

} // namespace kelvane
