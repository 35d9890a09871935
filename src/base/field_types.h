// Plain descriptions of a table's fields: the value types callers see and the field definitions a
// table hands to its dataset. Value types only.
#pragma once

#include <string>
#include <vector>

namespace kelvane {

// Value types, with the value buffers they use:
//   ftString    zero-terminated Windows-1251 text, at most field length bytes plus the terminator
//   ftSmallint  int16_t          ftInteger  int32_t          ftLargeint  int64_t
//   ftFloat     double           ftBoolean  int16_t, 1 true, 0 false
//   ftDate      int32_t day number (see day_number.h)
//   ftMemo      none; the field holds the first block number of the memo
enum TFieldType { ftString, ftSmallint, ftInteger, ftLargeint, ftFloat, ftBoolean, ftDate, ftMemo };

struct TFieldDef
{
    std::string Name;
    TFieldType DataType = ftString;
    int Size = 0;
    bool Required = false;
};

using TFieldDefs = std::vector<TFieldDef>;

} // namespace kelvane
