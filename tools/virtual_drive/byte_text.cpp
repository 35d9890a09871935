#include "virtual_drive/byte_text.h"

namespace kelvane {

std::string printable(std::string_view bytes)
{
    static constexpr char Hex[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b == '\\') {
            text += "\\\\";
        } else if (b >= 0x20 && b < 0x7f) {
            text += c;
        } else {
            text += "\\x";
            text += Hex[b >> 4];
            text += Hex[b & 0xf];
        }
    }
    return text;
}

std::optional<uint64_t> parseDecimal(std::string_view text)
{
    if (text.empty() || (text.size() > 1 && text[0] == '0'))
        return std::nullopt;
    uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        const uint64_t digit = static_cast<uint64_t>(c - '0');
        if (value > (UINT64_MAX - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

} // namespace kelvane
