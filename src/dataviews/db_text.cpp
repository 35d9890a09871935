#include "dataviews/db_text.h"

#include "dataviews/db_field_text.h"
#include "framework/guarded.h"

namespace kelvane {

TDBText::TDBText(QWidget *parent) : QLabel(parent)
{
    // A command text such as "<b>" must show as typed, never as markup.
    setTextFormat(Qt::PlainText);
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_link.OnDataChange = [this] { showField(); };
}

void TDBText::showField()
{
    const TField *field = m_link.Field();
    QString text;
    runGuarded(m_link.errorSink(), [&] { text = field ? fieldTextOf(*field) : QString(); });
    setText(text);
}

} // namespace kelvane
