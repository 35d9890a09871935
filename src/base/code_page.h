// Conversion of character field bytes between the code page of the files (CP866, the OEM code page
// of a Russian system) and the one callers use (Windows-1251, its ANSI code page). Both tables are
// derived from the Unicode mappings of the two code pages; a character that has no counterpart
// becomes CodePage::Replacement. Stateless and thread-safe.
#pragma once

#include <cstddef>

namespace CodePage {

// '?' is what the system's own converters put for a missing character.
inline constexpr unsigned char Replacement = 0x3F;

unsigned char OemToAnsi(unsigned char oem);
unsigned char AnsiToOem(unsigned char ansi);

// The Unicode character of a Windows-1251 byte; U+FFFD for the one byte it leaves undefined.
char16_t AnsiToUnicode(unsigned char ansi);

// REQUIRES: source and target hold count bytes; they may be the same buffer.
void OemToAnsi(const char *source, char *target, size_t count);
void AnsiToOem(const char *source, char *target, size_t count);

} // namespace CodePage
