#include "dataviews/db_field_text.h"

#include "dataset/field.h"
#include "framework/cp1251_text.h"

namespace kelvane {

QString fieldTextOf(const TField &field)
{
    return fromCp1251(field.AsString());
}

void setFieldText(TField &field, const QString &text)
{
    field.SetAsString(toCp1251(text));
}

} // namespace kelvane
