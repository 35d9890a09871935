#include "dbf/field_codec.h"

#include "base/code_page.h"
#include "base/day_number.h"
#include "base/number_text.h"
#include "dbf/errors.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace kelvane {

namespace FieldCodec {

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::string_view StripBlanks(std::string_view bytes)
{
    // Everything up to 0x20 counts as padding: spaces, control bytes and zero bytes.
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
    size_t begin = 0;
    size_t end = bytes.size();
    while (begin < end && blank(bytes[begin]))
        ++begin;
    while (end > begin && blank(bytes[end - 1]))
        --end;
    return bytes.substr(begin, end - begin);
}

template<typename T> void Store(void *value, T typed)
{
    std::memcpy(value, &typed, sizeof typed);
}

template<typename T> T Load(const void *value)
{
    T typed;
    std::memcpy(&typed, value, sizeof typed);
    return typed;
}

int32_t IntegerOrZero(std::string_view text)
{
    int32_t value = 0;
    return NumberText::ParseInteger(text, value) ? value : 0;
}

std::string_view Part(std::string_view text, size_t from, size_t count)
{
    return from < text.size() ? text.substr(from, count) : std::string_view();
}

// The shortest decimal digits of |value| that read back exactly, and the power of ten of the
// first digit.
struct Decimal
{
    char digits[24];
    int count;
    int exponent;
};

Decimal ShortestDigits(double magnitude)
{
    char text[64];
    const auto end
        = std::to_chars(text, text + sizeof text, magnitude, std::chars_format::scientific).ptr;
    Decimal d {};
    const char *p = text;
    for (; p < end && *p != 'e'; ++p) {
        if (IsDigit(*p))
            d.digits[d.count++] = *p;
    }
    std::from_chars(p + (p[1] == '+' ? 2 : 1), end, d.exponent);
    return d;
}

int FormatScientific(double value, int length, char *out)
{
    const int precision = length > 1 ? length - 1 : 0;
    const auto result = std::to_chars(
        out, out + FloatTextCapacity, value, std::chars_format::scientific, precision);
    const int n = static_cast<int>(result.ptr - out);
    for (int i = 0; i < n; ++i) {
        if (out[i] == 'e')
            out[i] = 'E';
    }
    return n;
}

// Adds one unit to the last digit; returns the new count (one more when all were nines).
int IncrementDigits(char *digits, int count)
{
    for (int i = count - 1; i >= 0; --i) {
        if (digits[i] != '9') {
            ++digits[i];
            return count;
        }
        digits[i] = '0';
    }
    std::memmove(digits + 1, digits, static_cast<size_t>(count));
    digits[0] = '1';
    return count + 1;
}

int FormatFixed(const Decimal &d, bool negative, int decimals, char *out)
{
    // Scaled digits: |value| * 10^decimals, kept up to the units place, then rounded.
    char scaled[FloatTextCapacity];
    const int kept = d.exponent + decimals + 1;
    int n = 0;
    for (int i = 0; i < kept; ++i)
        scaled[n++] = i < d.count ? d.digits[i] : '0';
    if (kept >= 0 && kept < d.count && d.digits[kept] >= '5')
        n = IncrementDigits(scaled, n);
    int first = 0;
    while (first < n && scaled[first] == '0')
        ++first;
    const bool zero = first == n;
    const int significant = n - first;
    const int shown = significant > decimals ? significant : decimals + 1;

    int len = 0;
    if (negative && !zero)
        out[len++] = '-';
    for (int i = 0; i < shown; ++i) {
        if (decimals > 0 && i == shown - decimals)
            out[len++] = '.';
        const int source = n - shown + i;
        out[len++] = source >= first ? scaled[source] : '0';
    }
    return len;
}

// Right-aligns the text of length n to `length` columns; returns the new length.
int PadLeft(char *text, int n, int length)
{
    if (n >= length)
        return n;
    std::memmove(text + (length - n), text, static_cast<size_t>(n));
    std::memset(text, ' ', static_cast<size_t>(length - n));
    return length;
}

int FormatInteger(int64_t value, int length, char *out)
{
    const auto end = std::to_chars(out, out + 24, value).ptr;
    return PadLeft(out, static_cast<int>(end - out), length);
}

int FormatDate(int32_t dayNumber, char *out)
{
    // A day number without a four-digit date stores a blank date.
    if (dayNumber < 1 || dayNumber > DayNumber::LastFourDigitYearDay)
        return 0;
    const CalendarDate date = DayNumber::ToDate(dayNumber);
    const int parts[] = {date.Year / 100, date.Year % 100, date.Month, date.Day};
    for (int i = 0; i < 4; ++i) {
        out[2 * i] = static_cast<char>('0' + parts[i] / 10);
        out[2 * i + 1] = static_cast<char>('0' + parts[i] % 10);
    }
    return 8;
}

[[noreturn]] void ThrowTooLong(size_t textLength, int fieldLength)
{
    throw EFieldToLongError("Field too long :" + std::to_string(textLength)
        + " (must be between 1 and " + std::to_string(fieldLength) + ").");
}

void CheckFits(size_t textLength, const TMyFieldInfo &field)
{
    if (textLength > static_cast<size_t>(field.Length))
        ThrowTooLong(textLength, field.Length);
}

void Fill(const TMyFieldInfo &field, const char *text, size_t length, char *record)
{
    char *target = record + field.Offset;
    std::memcpy(target, text, length);
    std::memset(target + length, ' ', static_cast<size_t>(field.Length) - length);
}

void WriteString(const TMyFieldInfo &field, const char *value, char *record)
{
    const size_t length = std::strlen(value);
    CheckFits(length, field);
    CodePage::AnsiToOem(value, record + field.Offset, length);
    std::memset(record + field.Offset + length, ' ', static_cast<size_t>(field.Length) - length);
}

int64_t CheckedLargeint(int64_t value)
{
    if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
        throw EBinaryDataSetError("Value " + std::to_string(value)
            + " out of range (must be between -2147483648 and 2147483647)");
    return value;
}

// Builds the stored text of every type but ftString; returns its length.
int BuildText(TFieldType type, const TMyFieldInfo &field, const void *value, char *text)
{
    switch (type) {
    case ftBoolean:
        text[0] = Load<int16_t>(value) == 1 ? 'T' : 'F';
        return 1;
    case ftSmallint:
        return FormatInteger(Load<int16_t>(value), field.Length, text);
    case ftInteger:
        return FormatInteger(Load<int32_t>(value), field.Length, text);
    case ftLargeint:
        return FormatInteger(CheckedLargeint(Load<int64_t>(value)), field.Length, text);
    case ftFloat:
        return PadLeft(text, FormatFloat(Load<double>(value), field.Length, field.Decimals, text),
            field.Length);
    case ftDate:
        return FormatDate(Load<int32_t>(value), text);
    default:
        return 0;
    }
}

} // namespace

int32_t ParseDate(std::string_view text)
{
    int year = IntegerOrZero(Part(text, 0, 4));
    int month = 1;
    int day = 1;
    int32_t part = 0;
    if (NumberText::ParseInteger(Part(text, 4, 2), part) && part != 0)
        month = part;
    if (NumberText::ParseInteger(Part(text, 6, 2), part) && part != 0)
        day = part;
    if (year < 1900 || year > 2100)
        year = 1900;
    return DayNumber::IsValidDate(year, month, day) ? DayNumber::FromDate(year, month, day) : 0;
}

int FormatFloat(double value, int length, int decimals, char *out)
{
    if (std::isnan(value)) {
        std::memcpy(out, "NAN", 3);
        return 3;
    }
    if (std::isinf(value)) {
        std::memcpy(out, value < 0 ? "-INF" : "INF", value < 0 ? 4 : 3);
        return value < 0 ? 4 : 3;
    }
    const Decimal d = ShortestDigits(std::fabs(value));
    const int integerDigits = d.exponent >= 0 ? d.exponent + 1 : 1;
    if (integerDigits > length)
        return FormatScientific(value, length, out);
    return FormatFixed(d, value < 0, decimals, out);
}

void ReadValue(TFieldType type, std::string_view bytes, void *value)
{
    switch (type) {
    case ftString: {
        const std::string_view text = StripBlanks(bytes);
        char *target = static_cast<char *>(value);
        CodePage::OemToAnsi(text.data(), target, text.size());
        target[text.size()] = '\0';
        break;
    }
    case ftSmallint:
        Store(value, static_cast<int16_t>(IntegerOrZero(bytes)));
        break;
    case ftInteger:
        Store(value, IntegerOrZero(bytes));
        break;
    case ftLargeint:
        Store(value, static_cast<int64_t>(IntegerOrZero(bytes)));
        break;
    case ftFloat: {
        double number = 0;
        Store(value, NumberText::ParseFloat(bytes, number) ? number : 0.0);
        break;
    }
    case ftBoolean:
        Store(value, static_cast<int16_t>(!bytes.empty() && bytes[0] == 'T' ? 1 : 0));
        break;
    case ftDate:
        Store(value, ParseDate(bytes));
        break;
    case ftMemo:
        break;
    }
}

void WriteValue(TFieldType type, const TMyFieldInfo &field, const void *value, char *record)
{
    if (type == ftString) {
        WriteString(field, static_cast<const char *>(value), record);
        return;
    }
    char text[FloatTextCapacity];
    const int length = BuildText(type, field, value, text);
    CheckFits(static_cast<size_t>(length), field);
    Fill(field, text, static_cast<size_t>(length), record);
}

} // namespace FieldCodec

} // namespace kelvane
