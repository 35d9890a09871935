// Numbers in the text of stored fields, read by the rules of dBase: decimal digits with a full
// stop whatever the locale. The table engine reads its numeric fields with these rules, and the
// dataset reads typed numbers with them too. Pure functions, thread-safe.
#pragma once

#include <cstdint>
#include <string_view>

namespace kelvane {

namespace NumberText {

// Optional leading spaces, optional sign, decimal digits, nothing after; a 32-bit value.
bool parseInteger(std::string_view text, int32_t &value);
// Optional spaces, sign, digits with an optional full stop and fraction, an optional exponent,
// optional trailing spaces; at least one digit. Out-of-range values do not parse.
bool parseFloat(std::string_view text, double &value);

} // namespace NumberText

} // namespace kelvane
