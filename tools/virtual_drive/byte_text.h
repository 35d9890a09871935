// Byte texts as people read them. The drive speaks single bytes in no particular code page, so a
// log or an answer that quotes received bytes shows printable ASCII as it is and every other byte
// as \xNN; a backslash is doubled so the rendering reads back unambiguously. Pure functions.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kelvane {

std::string printable(std::string_view bytes);

// A decimal number written the plain way: digits only, no sign, no blanks, no leading zero
// (except "0" itself), and within 64 bits; nothing otherwise.
std::optional<uint64_t> parseDecimal(std::string_view text);

} // namespace kelvane
