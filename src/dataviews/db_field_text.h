// A field's text as the views show and take it: the field's Windows-1251 text as Unicode.
#pragma once

#include <QString>

namespace kelvane {

class TField;

QString fieldTextOf(const TField &field);
// Raises what the field raises (not editing, no such value, too long).
void setFieldText(TField &field, const QString &text);

} // namespace kelvane
