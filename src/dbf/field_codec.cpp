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

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::string_view stripBlanks(std::string_view bytes)
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

template<typename T> void store(void *value, T typed)
{
    std::memcpy(value, &typed, sizeof typed);
}

template<typename T> T load(const void *value)
{
    T typed;
    std::memcpy(&typed, value, sizeof typed);
    return typed;
}

int32_t integerOrZero(std::string_view text)
{
    int32_t value = 0;
    return NumberText::parseInteger(text, value) ? value : 0;
}

std::string_view slice(std::string_view text, size_t from, size_t count)
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

Decimal shortestDigits(double magnitude)
{
    char text[64];
    const auto end
        = std::to_chars(text, text + sizeof text, magnitude, std::chars_format::scientific).ptr;
    Decimal d {};
    const char *p = text;
    for (; p < end && *p != 'e'; ++p) {
        if (isDigit(*p))
            d.digits[d.count++] = *p;
    }
    std::from_chars(p + (p[1] == '+' ? 2 : 1), end, d.exponent);
    return d;
}

int formatScientific(double value, int length, char *out)
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
int incrementDigits(char *digits, int count)
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

int formatFixed(const Decimal &d, bool negative, int decimals, char *out)
{
    // Scaled digits: |value| * 10^decimals, kept up to the units place, then rounded.
    char scaled[FloatTextCapacity];
    const int kept = d.exponent + decimals + 1;
    int n = 0;
    for (int i = 0; i < kept; ++i)
        scaled[n++] = i < d.count ? d.digits[i] : '0';
    if (kept >= 0 && kept < d.count && d.digits[kept] >= '5')
        n = incrementDigits(scaled, n);
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
int padLeft(char *text, int n, int length)
{
    if (n >= length)
        return n;
    std::memmove(text + (length - n), text, static_cast<size_t>(n));
    std::memset(text, ' ', static_cast<size_t>(length - n));
    return length;
}

int formatInteger(int64_t value, int length, char *out)
{
    const auto end = std::to_chars(out, out + 24, value).ptr;
    return padLeft(out, static_cast<int>(end - out), length);
}

int formatDate(int32_t dayNumber, char *out)
{
    // A day number without a four-digit date stores a blank date.
    if (dayNumber < 1 || dayNumber > DayNumber::LastFourDigitYearDay)
        return 0;
    const CalendarDate date = DayNumber::toDate(dayNumber);
    const int parts[] = {date.year / 100, date.year % 100, date.month, date.day};
    for (int i = 0; i < 4; ++i) {
        out[2 * i] = static_cast<char>('0' + parts[i] / 10);
        out[2 * i + 1] = static_cast<char>('0' + parts[i] % 10);
    }
    return 8;
}

[[noreturn]] void throwTooLong(size_t textLength, int fieldLength)
{
    throw EFieldToLongError("Field too long :" + std::to_string(textLength)
        + " (must be between 1 and " + std::to_string(fieldLength) + ").");
}

void checkFits(size_t textLength, const TMyFieldInfo &field)
{
    if (textLength > static_cast<size_t>(field.Length))
        throwTooLong(textLength, field.Length);
}

void fill(const TMyFieldInfo &field, const char *text, size_t length, char *record)
{
    char *target = record + field.Offset;
    std::memcpy(target, text, length);
    std::memset(target + length, ' ', static_cast<size_t>(field.Length) - length);
}

void writeString(const TMyFieldInfo &field, const char *value, char *record)
{
    const size_t length = std::strlen(value);
    checkFits(length, field);
    CodePage::ansiToOem(value, record + field.Offset, length);
    std::memset(record + field.Offset + length, ' ', static_cast<size_t>(field.Length) - length);
}

int64_t checkedLargeint(int64_t value)
{
    if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
        throw EBinaryDataSetError("Value " + std::to_string(value)
            + " out of range (must be between -2147483648 and 2147483647)");
    return value;
}

// Builds the stored text of every type but ftString; returns its length.
int buildText(TFieldType type, const TMyFieldInfo &field, const void *value, char *text)
{
    switch (type) {
    case ftBoolean:
        text[0] = load<int16_t>(value) == 1 ? 'T' : 'F';
        return 1;
    case ftSmallint:
        return formatInteger(load<int16_t>(value), field.Length, text);
    case ftInteger:
        return formatInteger(load<int32_t>(value), field.Length, text);
    case ftLargeint:
        return formatInteger(checkedLargeint(load<int64_t>(value)), field.Length, text);
    case ftFloat:
        return padLeft(text, formatFloat(load<double>(value), field.Length, field.Decimals, text),
            field.Length);
    case ftDate:
        return formatDate(load<int32_t>(value), text);
    default:
        return 0;
    }
}

} // namespace

int32_t parseDate(std::string_view text)
{
    int year = integerOrZero(slice(text, 0, 4));
    int month = 1;
    int day = 1;
    int32_t part = 0;
    if (NumberText::parseInteger(slice(text, 4, 2), part) && part != 0)
        month = part;
    if (NumberText::parseInteger(slice(text, 6, 2), part) && part != 0)
        day = part;
    if (year < 1900 || year > 2100)
        year = 1900;
    return DayNumber::isValidDate(year, month, day) ? DayNumber::fromDate(year, month, day) : 0;
}

int formatFloat(double value, int length, int decimals, char *out)
{
    if (std::isnan(value)) {
        std::memcpy(out, "NAN", 3);
        return 3;
    }
    if (std::isinf(value)) {
        std::memcpy(out, value < 0 ? "-INF" : "INF", value < 0 ? 4 : 3);
        return value < 0 ? 4 : 3;
    }
    const Decimal d = shortestDigits(std::fabs(value));
    const int integerDigits = d.exponent >= 0 ? d.exponent + 1 : 1;
    if (integerDigits > length)
        return formatScientific(value, length, out);
    return formatFixed(d, value < 0, decimals, out);
}

void readValue(TFieldType type, std::string_view bytes, void *value)
{
    switch (type) {
    case ftString: {
        const std::string_view text = stripBlanks(bytes);
        char *target = static_cast<char *>(value);
        CodePage::oemToAnsi(text.data(), target, text.size());
        target[text.size()] = '\0';
        break;
    }
    case ftSmallint:
        store(value, static_cast<int16_t>(integerOrZero(bytes)));
        break;
    case ftInteger:
        store(value, integerOrZero(bytes));
        break;
    case ftLargeint:
        store(value, static_cast<int64_t>(integerOrZero(bytes)));
        break;
    case ftFloat: {
        double number = 0;
        store(value, NumberText::parseFloat(bytes, number) ? number : 0.0);
        break;
    }
    case ftBoolean:
        store(value, static_cast<int16_t>(!bytes.empty() && bytes[0] == 'T' ? 1 : 0));
        break;
    case ftDate:
        store(value, parseDate(bytes));
        break;
    case ftMemo:
        break;
    }
}

void writeValue(TFieldType type, const TMyFieldInfo &field, const void *value, char *record)
{
    if (type == ftString) {
        writeString(field, static_cast<const char *>(value), record);
        return;
    }
    char text[FloatTextCapacity];
    const int length = buildText(type, field, value, text);
    checkFits(static_cast<size_t>(length), field);
    fill(field, text, static_cast<size_t>(length), record);
}

} // namespace FieldCodec

} // namespace kelvane
