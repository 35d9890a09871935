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

std::string FormatFloat(double value)
{
    char text[32];
    const auto result
        = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 15);
    return std::string(text, result.ptr);
}

std::string FormatDate(int32_t dayNumber)
{
    if (dayNumber < 1 || dayNumber > DayNumber::LastFourDigitYearDay)
        return {};
    const CalendarDate date = DayNumber::ToDate(dayNumber);
    // DD.MM.YYYY by hand: grids format many dates, and printf is the slow part.
    std::string text = "00.00.0000";
    const auto put = [&](size_t end, int value, int digits) {
        for (int i = 0; i < digits; ++i, value /= 10)
            text[end - size_t(i)] = static_cast<char>('0' + value % 10);
    };
    put(1, date.Day, 2);
    put(4, date.Month, 2);
    put(9, date.Year, 4);
    return text;
}

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

[[noreturn]] void NotA(const char *what, const std::string &text, const std::string &fieldName)
{
    throw EDatabaseError(
        "'" + text + "' is not a valid " + what + " value for field '" + fieldName + "'");
}

int64_t ParseInteger(
    const std::string &text, const std::string &fieldName, int64_t min, int64_t max)
{
    std::string_view digits = Trimmed(text);
    if (digits.empty())
        return 0;
    if (digits.front() == '+')
        digits.remove_prefix(1);
    int64_t value = 0;
    const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    const bool whole = result.ptr == digits.data() + digits.size();
    if (result.ec == std::errc::invalid_argument || !whole)
        NotA("integer", text, fieldName);
    if (result.ec == std::errc::result_out_of_range || value < min || value > max)
        throw EDatabaseError("Value " + std::string(Trimmed(text)) + " is out of range for field '"
            + fieldName + "'");
    return value;
}

double ParseFloat(const std::string &text, const std::string &fieldName)
{
    std::string number(Trimmed(text));
    if (number.empty())
        return 0;
    std::replace(number.begin(), number.end(), ',', '.');
    double value = 0;
    if (!NumberText::ParseFloat(number, value))
        NotA("floating point", text, fieldName);
    return value;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        return std::toupper(static_cast<unsigned char>(x))
            == std::toupper(static_cast<unsigned char>(y));
    });
}

bool ParseBoolean(const std::string &text, const std::string &fieldName)
{
    const std::string_view word = Trimmed(text);
    for (std::string_view yes : {"T", "TRUE", "Y", "YES", "1"})
        if (EqualsIgnoringCase(word, yes))
            return true;
    for (std::string_view no : {"", "F", "FALSE", "N", "NO", "0"})
        if (EqualsIgnoringCase(word, no))
            return false;
    NotA("boolean", text, fieldName);
}

// D.M.YYYY: one or two digits for day and month, four for the year.
int32_t ParseDate(const std::string &text, const std::string &fieldName)
{
    const std::string_view date = Trimmed(text);
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
            NotA("date", text, fieldName);
        p = result.ptr + 1;
    }
    if (parts[2] < 1 || !DayNumber::IsValidDate(parts[2], parts[1], parts[0]))
        NotA("date", text, fieldName);
    return DayNumber::FromDate(parts[2], parts[1], parts[0]);
}

} // namespace

std::string Format(TFieldType type, const ValueBuffer &value)
{
    switch (type) {
    case ftString:
        return std::string(value.Text, ::strnlen(value.Text, sizeof value.Text));
    case ftSmallint:
        return std::to_string(value.Smallint);
    case ftInteger:
        return std::to_string(value.Integer);
    case ftLargeint:
        return std::to_string(value.Largeint);
    case ftFloat:
        return FormatFloat(value.Float);
    case ftBoolean:
        return value.Smallint == 1 ? "True" : "False";
    case ftDate:
        return FormatDate(value.Integer);
    case ftMemo:
        break;
    }
    return {};
}

ValueBuffer Parse(TFieldType type, const std::string &text, const std::string &fieldName)
{
    ValueBuffer value {};
    switch (type) {
    case ftString:
        if (text.size() >= sizeof value.Text)
            throw EDatabaseError("Text of " + std::to_string(text.size())
                + " characters is too long for field '" + fieldName + "'");
        std::memcpy(value.Text, text.data(), text.size());
        break;
    case ftSmallint:
        value.Smallint = static_cast<int16_t>(ParseInteger(text, fieldName,
            std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max()));
        break;
    case ftInteger:
        value.Integer = static_cast<int32_t>(ParseInteger(text, fieldName,
            std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
        break;
    case ftLargeint:
        value.Largeint = ParseInteger(text, fieldName, std::numeric_limits<int64_t>::min(),
            std::numeric_limits<int64_t>::max());
        break;
    case ftFloat:
        value.Float = ParseFloat(text, fieldName);
        break;
    case ftBoolean:
        value.Smallint = ParseBoolean(text, fieldName) ? 1 : 0;
        break;
    case ftDate:
        value.Integer = ParseDate(text, fieldName);
        break;
    case ftMemo:
        break;
    }
    return value;
}

} // namespace FieldText

} // namespace kelvane
