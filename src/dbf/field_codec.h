// Conversion between the stored text of a field and typed values. The stored forms are those of
// dBase: right-aligned decimal numbers with a full stop whatever the locale, dates as YYYYMMDD,
// logicals as T/F, CP866 text padded with spaces. Stateless and thread-safe; no heap use.
#pragma once

#include "base/field_types.h"

#include <cstdint>
#include <string_view>

namespace kelvane {

// Where a field lies in a record.
struct TMyFieldInfo
{
    int32_t Length = 0;
    int32_t Decimals = 0;
    int32_t Offset = 0; // from the record start; the deletion flag is byte 0
};

namespace FieldCodec {

// Day number of a YYYYMMDD text with the repairs of stored dates; 0 when it is no date.
int32_t parseDate(std::string_view text);

// Longest text formatFloat produces, terminator excluded.
inline constexpr int FloatTextCapacity = 600;
// Fixed point with `decimals` digits, rounded half away from zero; exponent notation when the
// integer part has more digits than `length`. REQUIRES: out holds FloatTextCapacity bytes;
// 0 <= length, decimals <= 255. Returns the text length.
int formatFloat(double value, int length, int decimals, char *out);

// Converts the field's stored bytes into the value buffer; ftMemo leaves the buffer alone.
// REQUIRES: value is a buffer of `type` (for ftString, bytes.size() + 1 bytes).
void readValue(TFieldType type, std::string_view bytes, void *value);

// Stores the value into the field's bytes of record, padded with spaces. Throws
// EFieldToLongError when the text does not fit, EBinaryDataSetError for an ftLargeint value
// beyond 32 bits; the record is then unchanged.
// REQUIRES: value is a buffer of `type` (ftString: zero-terminated); record holds the field.
void writeValue(TFieldType type, const TMyFieldInfo &field, const void *value, char *record);

} // namespace FieldCodec

} // namespace kelvane
