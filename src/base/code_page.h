// The two single-byte code pages of a Russian system: CP866 (OEM), in which dBase character fields
// are stored, and Windows-1251 (ANSI), which callers use and the drive speaks. Conversion between
// them and from and to Unicode; both tables are the Unicode mappings of the two code pages, and a
// character that has no counterpart becomes CodePage::Replacement. Stateless and thread-safe.
#pragma once

#include <cstddef>
#include <string>

namespace kelvane {

namespace CodePage {

// '?' is what the system's own converters put for a missing character.
inline constexpr unsigned char Replacement = 0x3F;

unsigned char oemToAnsi(unsigned char oem);
unsigned char ansiToOem(unsigned char ansi);

// The Unicode character of a Windows-1251 byte; U+FFFD for the one byte it leaves undefined.
char16_t ansiToUnicode(unsigned char ansi);
// The Windows-1251 byte of a Unicode character; Replacement for one the code page lacks.
unsigned char unicodeToAnsi(char16_t unicode);
// Appends the UTF-8 bytes of a character of the Basic Multilingual Plane (all a code page gives).
void appendUtf8(std::string &text, char16_t character);

// REQUIRES: source and target hold count bytes; they may be the same buffer.
void oemToAnsi(const char *source, char *target, size_t count);
void ansiToOem(const char *source, char *target, size_t count);

} // namespace CodePage

} // namespace kelvane
