#include "procedures/drive_text.h"

#include "base/code_page.h"

namespace kelvane {

std::optional<std::u32string> decodeUtf8(std::string_view utf8)
{
    std::u32string text;
    for (size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        size_t length = 0;
        char32_t c = 0;
        if (lead < 0x80) {
            length = 1;
            c = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2;
            c = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            c = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            c = lead & 0x07;
        } else {
            return std::nullopt;
        }
        if (i + length > utf8.size())
            return std::nullopt;
        for (size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(utf8[i + k]);
            if ((next & 0xC0) != 0x80)
                return std::nullopt;
            c = (c << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and values past Unicode are not UTF-8.
        static constexpr char32_t Least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (c < Least[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return std::nullopt;
        text.push_back(c);
        i += length;
    }
    return text;
}

std::string encodeUtf8(std::u32string_view text)
{
    std::string utf8;
    for (const char32_t c : text) {
        if (c < 0x80) {
            utf8 += static_cast<char>(c);
        } else if (c < 0x800) {
            utf8 += static_cast<char>(0xC0 | (c >> 6));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            utf8 += static_cast<char>(0xE0 | (c >> 12));
            utf8 += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            utf8 += static_cast<char>(0xF0 | (c >> 18));
            utf8 += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            utf8 += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return utf8;
}

std::optional<std::string> utf8ToCp1251(std::string_view utf8)
{
    const std::optional<std::u32string> text = decodeUtf8(utf8);
    if (!text)
        return std::nullopt;
    std::string bytes;
    for (const char32_t c : *text) {
        const unsigned char byte = c > 0xFFFF ? CodePage::Replacement
                                              : CodePage::unicodeToAnsi(static_cast<char16_t>(c));
        // The code page's own '?' is kept; any other character that became '?' has no place in it.
        if (byte == CodePage::Replacement && c != U'?')
            return std::nullopt;
        bytes += static_cast<char>(byte);
    }
    return bytes;
}

std::string cp1251ToUtf8(std::string_view bytes)
{
    std::u32string text;
    text.reserve(bytes.size());
    for (const char byte : bytes)
        text.push_back(CodePage::ansiToUnicode(static_cast<unsigned char>(byte)));
    return encodeUtf8(text);
}

} // namespace kelvane
