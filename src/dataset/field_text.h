// The text form of field values, as views show them and users type them. Numbers in decimal with
// a full stop (a comma is accepted when typed), logicals as "True"/"False", dates as DD.MM.YYYY
// (an empty text for no date), character values as they are (Windows-1251 bytes).
// Stateless and thread-safe.
#pragma once

#include "base/field_types.h"

#include <cstdint>
#include <string>

namespace kelvane {

namespace FieldText {

// A value buffer big enough for every value type, character fields of 255 bytes included.
union ValueBuffer {
    int16_t smallint;
    int32_t integer;
    int64_t largeint;
    double floating;
    char text[256];
};

// REQUIRES: value holds a value of `type` (not ftMemo).
std::string format(TFieldType type, const ValueBuffer &value);

// Parses `text` as a value of `type`; an empty text is 0, false or no date. Throws
// EDatabaseError naming the field when the text is no such value or out of the type's range,
// or, for a character value, longer than 255 bytes.
// REQUIRES: type is not ftMemo.
ValueBuffer parse(TFieldType type, const std::string &text, const std::string &fieldName);

} // namespace FieldText

} // namespace kelvane
