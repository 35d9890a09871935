#include "dataset/field_text.h"

#include "base/day_number.h"
#include "base/number_text.h"
#include "dataset/database_error.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cstring>
#include <limits>
#include <string_view>

namespace kelvane {

namespace FieldText {

namespace {

std::string formatFloat(double value)
{
    char text[32];
    const auto result
        = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 15);
    return std::string(text, result.ptr);
}

std::string formatDate(int32_t dayNumber)
{
    if (dayNumber < 1 || dayNumber > DayNumber::LastFourDigitYearDay)
        return {};
    const CalendarDate date = DayNumber::toDate(dayNumber);
    // DD.MM.YYYY by hand: grids format many dates, and printf is the slow part.
    std::string text = "00.00.0000";
    const auto put = [&](size_t end, int value, int digits) {
        for (int i = 0; i < digits; ++i, value /= 10)
            text[end - size_t(i)] = static_cast<char>('0' + value % 10);
    };
    put(1, date.day, 2);
    put(4, date.month, 2);
    put(9, date.year, 4);
    return text;
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

[[noreturn]] void notA(const char *what, const std::string &text, const std::string &fieldName)
{
    throw EDatabaseError(
        "'" + text + "' is not a valid " + what + " value for field '" + fieldName + "'");
}

int64_t parseInteger(
    const std::string &text, const std::string &fieldName, int64_t min, int64_t max)
{
    std::string_view digits = trimmed(text);
    if (digits.empty())
        return 0;
    if (digits.front() == '+')
        digits.remove_prefix(1);
    int64_t value = 0;
    const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    const bool whole = result.ptr == digits.data() + digits.size();
    if (result.ec == std::errc::invalid_argument || !whole)
        notA("integer", text, fieldName);
    if (result.ec == std::errc::result_out_of_range || value < min || value > max)
        throw EDatabaseError("Value " + std::string(trimmed(text)) + " is out of range for field '"
            + fieldName + "'");
    return value;
}

double parseFloat(const std::string &text, const std::string &fieldName)
{
    std::string number(trimmed(text));
    if (number.empty())
        return 0;
    std::replace(number.begin(), number.end(), ',', '.');
    double value = 0;
    if (!NumberText::parseFloat(number, value))
        notA("floating point", text, fieldName);
    return value;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        return std::toupper(static_cast<unsigned char>(x))
            == std::toupper(static_cast<unsigned char>(y));
    });
}

bool parseBoolean(const std::string &text, const std::string &fieldName)
{
    const std::string_view word = trimmed(text);
    for (std::string_view yes : {"T", "TRUE", "Y", "YES", "1"})
        if (equalsIgnoringCase(word, yes))
            return true;
    for (std::string_view no : {"", "F", "FALSE", "N", "NO", "0"})
        if (equalsIgnoringCase(word, no))
            return false;
    notA("boolean", text, fieldName);
}

// D.M.YYYY: one or two digits for day and month, four for the year.
int32_t parseDate(const std::string &text, const std::string &fieldName)
{
    const std::string_view date = trimmed(text);
    if (date.empty())
        return 0;
    int parts[3] = {};
    const char *p = date.data();
    const char *end = date.data() + date.size();
    for (int i = 0; i < 3; ++i) {
        const auto result = std::from_chars(p, end, parts[i]);
        const long width = result.ptr - p;
        const bool lastPart = i == 2;
        const bool widthFits = lastPart ? width == 4 : width >= 1 && width <= 2;
        if (result.ec != std::errc() || !widthFits
            || (lastPart ? result.ptr != end : result.ptr == end || *result.ptr != '.'))
            notA("date", text, fieldName);
        p = result.ptr + 1;
    }
    if (parts[2] < 1 || !DayNumber::isValidDate(parts[2], parts[1], parts[0]))
        notA("date", text, fieldName);
    return DayNumber::fromDate(parts[2], parts[1], parts[0]);
}

} // namespace

std::string format(TFieldType type, const ValueBuffer &value)
{
    switch (type) {
    case ftString:
        return std::string(value.text, ::strnlen(value.text, sizeof value.text));
    case ftSmallint:
        return std::to_string(value.smallint);
    case ftInteger:
        return std::to_string(value.integer);
    case ftLargeint:
        return std::to_string(value.largeint);
    case ftFloat:
        return formatFloat(value.floating);
    case ftBoolean:
        return value.smallint == 1 ? "True" : "False";
    case ftDate:
        return formatDate(value.integer);
    case ftMemo:
        break;
    }
    return {};
}

ValueBuffer parse(TFieldType type, const std::string &text, const std::string &fieldName)
{
    ValueBuffer value {};
    switch (type) {
    case ftString:
        if (text.size() >= sizeof value.text)
            throw EDatabaseError("Text of " + std::to_string(text.size())
                + " characters is too long for field '" + fieldName + "'");
        std::memcpy(value.text, text.data(), text.size());
        break;
    case ftSmallint:
        value.smallint = static_cast<int16_t>(parseInteger(text, fieldName,
            std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max()));
        break;
    case ftInteger:
        value.integer = static_cast<int32_t>(parseInteger(text, fieldName,
            std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
        break;
    case ftLargeint:
        value.largeint = parseInteger(text, fieldName, std::numeric_limits<int64_t>::min(),
            std::numeric_limits<int64_t>::max());
        break;
    case ftFloat:
        value.floating = parseFloat(text, fieldName);
        break;
    case ftBoolean:
        value.smallint = parseBoolean(text, fieldName) ? 1 : 0;
        break;
    case ftDate:
        value.integer = parseDate(text, fieldName);
        break;
    case ftMemo:
        break;
    }
    return value;
}

} // namespace FieldText

} // namespace kelvane
