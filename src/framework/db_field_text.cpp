#include "framework/db_field_text.h"

#include "dataset/field.h"
#include "framework/cp1251_text.h"

namespace kelvane {

QString FieldTextOf(const TField &field)
{
    return FromCp1251(field.AsString());
}

void SetFieldText(TField &field, const QString &text)
{
    field.SetAsString(ToCp1251(text));
}

} // namespace kelvane
