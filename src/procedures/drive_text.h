// Text between a procedure file (UTF-8), the drive (Windows-1251) and a report (UTF-8). Received
// text is matched as UTF-8, so "." and character classes see a Cyrillic letter as one character.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kelvane {

// The Unicode characters of UTF-8 text; nothing when it is not valid UTF-8.
std::optional<std::u32string> decodeUtf8(std::string_view utf8);
std::string encodeUtf8(std::u32string_view text);

// The Windows-1251 bytes of UTF-8 text; nothing when it is not valid UTF-8 or holds a character
// the code page lacks.
std::optional<std::string> utf8ToCp1251(std::string_view utf8);
std::string cp1251ToUtf8(std::string_view bytes);

} // namespace kelvane
