#include "db_field_text.h"

#include "code_page.h"
#include "dataset/field.h"

QString FieldTextOf(const TField &field)
{
    return FromCp1251(field.AsString());
}

void SetFieldText(TField &field, const QString &text)
{
    field.SetAsString(ToCp1251(text));
}
