#include "base/number_text.h"

#include <charconv>
#include <limits>

namespace kelvane {

namespace NumberText {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

size_t skipSpaces(std::string_view text, size_t i)
{
    while (i < text.size() && text[i] == ' ')
        ++i;
    return i;
}

size_t skipDigits(std::string_view text, size_t i)
{
    while (i < text.size() && isDigit(text[i]))
        ++i;
    return i;
}

} // namespace

bool parseInteger(std::string_view text, int32_t &value)
{
    size_t i = skipSpaces(text, 0);
    const bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        ++i;
    // Unsigned, so that a second sign does not parse.
    uint64_t magnitude = 0;
    const char *end = text.data() + text.size();
    const auto result = std::from_chars(text.data() + i, end, magnitude);
    if (result.ec != std::errc() || result.ptr != end || magnitude > uint64_t(1) << 31)
        return false;
    const int64_t signedValue
        = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
    if (signedValue > std::numeric_limits<int32_t>::max())
        return false;
    value = static_cast<int32_t>(signedValue);
    return true;
}

bool parseFloat(std::string_view text, double &value)
{
    size_t i = skipSpaces(text, 0);
    const bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        ++i;
    const size_t start = i;
    i = skipDigits(text, i);
    size_t digits = i - start;
    if (i < text.size() && text[i] == '.') {
        const size_t fraction = ++i;
        i = skipDigits(text, i);
        digits += i - fraction;
    }
    if (digits == 0)
        return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '-' || text[i] == '+'))
            ++i;
        const size_t exponent = i;
        i = skipDigits(text, i);
        if (i == exponent)
            return false;
    }
    const size_t end = i;
    if (skipSpaces(text, end) != text.size())
        return false;
    double magnitude = 0;
    const auto result = std::from_chars(text.data() + start, text.data() + end, magnitude);
    if (result.ec != std::errc() || result.ptr != text.data() + end)
        return false;
    value = negative ? -magnitude : magnitude;
    return true;
}

} // namespace NumberText

} // namespace kelvane
