// Windows-1251, the single-byte code page of everything that crosses the wire to the drive:
// typed lines go out as its bytes, received bytes are shown as its characters.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace kelvane {

// The character of each byte; the one undefined byte (0x98) becomes U+FFFD.
QString fromCp1251(std::string_view bytes);
QChar cp1251Char(unsigned char byte);
// The bytes of a text; characters the code page lacks become '?'.
std::string toCp1251(const QString &text);
// Whether every character of `text` has a byte in the code page.
bool fitsCp1251(const QString &text);
// 256 bytes: each byte's lower-case letter (Latin and Cyrillic, Ё too), other bytes as they are.
const unsigned char *cp1251LowerCase();

} // namespace kelvane
