// Stored text <-> typed values: the grammars of stored numbers and dates, fitting and the
// too-long error. Day numbers below are Python's date.toordinal(), which counts the same way.
#include "base/day_number.h"
#include "dbf/errors.h"
#include "dbf/field_codec.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <string_view>

using namespace kelvane;

namespace {

constexpr int32_t March5th2026 = 739680;
constexpr int32_t December31st1900 = 693960;

template<typename T> T readAs(TFieldType type, std::string_view bytes)
{
    T value {};
    FieldCodec::readValue(type, bytes, &value);
    return value;
}

// The field's bytes after a write into a record filled with '#'.
std::string writeAs(TFieldType type, int length, int decimals, const void *value)
{
    std::string record(static_cast<size_t>(length) + 2, '#');
    FieldCodec::writeValue(type, TMyFieldInfo {length, decimals, 1}, value, record.data());
    EXPECT_EQ(record.front(), '#');
    EXPECT_EQ(record.back(), '#') << "the write spilled past its field";
    return record.substr(1, static_cast<size_t>(length));
}

std::string writeFloat(double value, int length, int decimals)
{
    return writeAs(ftFloat, length, decimals, &value);
}

std::string tooLongMessage(TFieldType type, int length, const void *value)
{
    std::string record(static_cast<size_t>(length) + 1, 'x');
    const std::string before = record;
    try {
        FieldCodec::writeValue(type, TMyFieldInfo {length, 2, 1}, value, record.data());
    } catch (const EFieldToLongError &error) {
        EXPECT_EQ(record, before) << "a failed write must leave the record alone";
        return error.what();
    }
    return "no error";
}

TEST(IntegerText, AcceptsOnlyLeadingSpacesSignAndDigits)
{
    EXPECT_EQ(readAs<int32_t>(ftInteger, "   42"), 42);
    EXPECT_EQ(readAs<int32_t>(ftInteger, "  -7"), -7);
    EXPECT_EQ(readAs<int32_t>(ftInteger, "+5"), 5);
    EXPECT_EQ(readAs<int32_t>(ftInteger, "2147483647"), 2147483647);
    EXPECT_EQ(readAs<int32_t>(ftInteger, "-2147483648"), -2147483647 - 1);
    for (std::string_view bad : {"12   ", "     ", "", "-", "1a", "2147483648", "-2147483649",
             "99999999999999999999", " 1 2", "1.0"})
        EXPECT_EQ(readAs<int32_t>(ftInteger, bad), 0) << bad;
    EXPECT_EQ(readAs<int32_t>(ftInteger, std::string_view("12\0", 3)), 0);
}

TEST(IntegerText, DeliversInTheWidthOfItsType)
{
    EXPECT_EQ(readAs<int16_t>(ftSmallint, "-1234"), -1234);
    EXPECT_EQ(readAs<int64_t>(ftLargeint, "-5"), -5);
    EXPECT_EQ(readAs<int64_t>(ftLargeint, "2147483648"), 0);
}

TEST(FloatText, FollowsTheGrammarWithAFullStop)
{
    EXPECT_DOUBLE_EQ(readAs<double>(ftFloat, "12   "), 12.0);
    EXPECT_DOUBLE_EQ(readAs<double>(ftFloat, "  3.5"), 3.5);
    EXPECT_DOUBLE_EQ(readAs<double>(ftFloat, "-1.25E2 "), -125.0);
    EXPECT_DOUBLE_EQ(readAs<double>(ftFloat, "+1e-3"), 0.001);
    EXPECT_DOUBLE_EQ(readAs<double>(ftFloat, ".5"), 0.5);
    EXPECT_DOUBLE_EQ(readAs<double>(ftFloat, "5."), 5.0);
    for (std::string_view bad :
        {"1,5", "        ", "", "1e", "1.2.3", ".", "e5", "1E400", "nan", "inf", "1 2", "0x10"})
        EXPECT_EQ(readAs<double>(ftFloat, bad), 0.0) << bad;
}

TEST(LogicalText, IsTrueOnlyForCapitalT)
{
    EXPECT_EQ(readAs<int16_t>(ftBoolean, "T"), 1);
    for (std::string_view other : {"t", "Y", " ", "F", ""})
        EXPECT_EQ(readAs<int16_t>(ftBoolean, other), 0) << other;
}

TEST(DateText, ReadsPartsWithRepairs)
{
    EXPECT_EQ(readAs<int32_t>(ftDate, "20260305"), March5th2026);
    EXPECT_EQ(readAs<int32_t>(ftDate, "2026 3 5"), March5th2026);
    EXPECT_EQ(readAs<int32_t>(ftDate, "        "), DayNumber::Jan1st1900);
    EXPECT_EQ(
        readAs<int32_t>(ftDate, std::string_view("\0\0\0\0\0\0\0\0", 8)), DayNumber::Jan1st1900);
    EXPECT_EQ(readAs<int32_t>(ftDate, "20261301"), 0);
    EXPECT_EQ(readAs<int32_t>(ftDate, "20250229"), 0);
    EXPECT_EQ(readAs<int32_t>(ftDate, "18991231"), December31st1900);
    EXPECT_EQ(readAs<int32_t>(ftDate, "21010101"), DayNumber::Jan1st1900);
    EXPECT_EQ(readAs<int32_t>(ftDate, "20260000"), DayNumber::fromDate(2026, 1, 1));
    EXPECT_EQ(readAs<int32_t>(ftDate, "2026"), DayNumber::fromDate(2026, 1, 1));
}

TEST(DayNumbers, MatchTheProlepticCalendarBothWays)
{
    EXPECT_EQ(DayNumber::fromDate(1, 1, 1), 1);
    EXPECT_EQ(DayNumber::fromDate(1900, 1, 1), 693596);
    EXPECT_EQ(DayNumber::fromDate(2000, 2, 29), 730179);
    EXPECT_EQ(DayNumber::fromDate(9999, 12, 31), 3652059);
    for (int32_t day = 1; day <= DayNumber::LastFourDigitYearDay; day += 997) {
        const CalendarDate date = DayNumber::toDate(day);
        ASSERT_TRUE(DayNumber::isValidDate(date.year, date.month, date.day)) << day;
        ASSERT_EQ(DayNumber::fromDate(date.year, date.month, date.day), day);
    }
}

TEST(StringText, StripsPaddingAndConvertsToWindows1251)
{
    char value[16];
    FieldCodec::readValue(ftString, std::string_view("  Hi \x01\0\0", 8), value);
    EXPECT_STREQ(value, "Hi");
    FieldCodec::readValue(ftString, "\x8F\xE0\xA8\xA2\xA5\xE2 ", value); // CP866 "Привет"
    EXPECT_STREQ(value, "\xCF\xF0\xE8\xE2\xE5\xF2");
}

TEST(MemoAndZeroLengthFields, LeaveOrProduceNothing)
{
    int32_t untouched = 1234;
    FieldCodec::readValue(ftMemo, "        5", &untouched);
    EXPECT_EQ(untouched, 1234);
    EXPECT_EQ(readAs<int16_t>(ftBoolean, std::string_view("T", 0)), 0);
    const char empty[] = "";
    EXPECT_EQ(writeAs(ftString, 0, 0, empty), "");
    EXPECT_EQ(tooLongMessage(ftString, 0, "A"), "Field too long :1 (must be between 1 and 0).");
}

TEST(WritingText, PadsStringsAndConvertsToCp866)
{
    EXPECT_EQ(writeAs(ftString, 5, 0, "ABC"), "ABC  ");
    EXPECT_EQ(writeAs(ftString, 3, 0, "\xCF\xF0\xE8"), "\x8F\xE0\xA8");
    EXPECT_EQ(
        tooLongMessage(ftString, 5, "ABCDEF"), "Field too long :6 (must be between 1 and 5).");
}

TEST(WritingNumbers, RightAlignsIntegers)
{
    const int32_t fortyTwo = 42, minusSeven = -7, tooBig = 123456;
    EXPECT_EQ(writeAs(ftInteger, 5, 0, &fortyTwo), "   42");
    EXPECT_EQ(writeAs(ftInteger, 5, 0, &minusSeven), "   -7");
    EXPECT_EQ(
        tooLongMessage(ftInteger, 5, &tooBig), "Field too long :6 (must be between 1 and 5).");
    const int16_t small = -123;
    EXPECT_EQ(writeAs(ftSmallint, 4, 0, &small), "-123");
    const int64_t large = -2147483647 - 1, outside = int64_t(1) << 32;
    EXPECT_EQ(writeAs(ftLargeint, 11, 0, &large), "-2147483648");
    std::string record(12, 'x');
    EXPECT_THROW(FieldCodec::writeValue(ftLargeint, {11, 0, 1}, &outside, record.data()),
        EBinaryDataSetError);
    EXPECT_EQ(record, std::string(12, 'x'));
}

TEST(WritingNumbers, FormatsFloatsInFixedPointRoundedHalfAway)
{
    EXPECT_EQ(writeFloat(3.14159, 8, 2), "    3.14");
    EXPECT_EQ(writeFloat(0.125, 8, 2), "    0.13");
    EXPECT_EQ(writeFloat(2.675, 8, 2), "    2.68");
    EXPECT_EQ(writeFloat(-2.5, 4, 0), "  -3");
    EXPECT_EQ(writeFloat(99.996, 8, 2), "  100.00");
    EXPECT_EQ(writeFloat(-0.001, 8, 2), "    0.00");
    EXPECT_EQ(writeFloat(0.0, 5, 3), "0.000");
    EXPECT_EQ(writeFloat(1e20, 25, 2), " 100000000000000000000.00");
    EXPECT_EQ(writeFloat(1234.5, 10, 0), "      1235");
    EXPECT_EQ(writeFloat(0.1, 24, 20), "  0.10000000000000000000");
}

TEST(WritingNumbers, FloatsTooWideForTheFieldFail)
{
    const double big = 1e10, wide = 123456.789;
    // More integer digits than the field: exponent notation with 8 significant digits.
    EXPECT_EQ(tooLongMessage(ftFloat, 8, &big), "Field too long :13 (must be between 1 and 8).");
    EXPECT_EQ(tooLongMessage(ftFloat, 8, &wide), "Field too long :9 (must be between 1 and 8).");
}

TEST(WritingNumbers, FloatsReadBackAcrossMagnitudes)
{
    for (double value : {0.0, 1.5, -7.25, 123456.78, -0.01, 98765.4321, 1e-5, 3.0e7}) {
        const std::string text = writeFloat(value, 16, 4);
        EXPECT_NEAR(readAs<double>(ftFloat, text), value, 0.00005) << text;
    }
}

TEST(WritingOtherTypes, StoresDatesLogicalsAndBlanks)
{
    EXPECT_EQ(writeAs(ftDate, 8, 0, &March5th2026), "20260305");
    const int32_t first = 1, noDate = 0;
    EXPECT_EQ(writeAs(ftDate, 8, 0, &first), "00010101");
    EXPECT_EQ(writeAs(ftDate, 8, 0, &noDate), "        ");
    const int16_t yes = 1, no = 0, other = 2;
    EXPECT_EQ(writeAs(ftBoolean, 1, 0, &yes), "T");
    EXPECT_EQ(writeAs(ftBoolean, 1, 0, &no), "F");
    EXPECT_EQ(writeAs(ftBoolean, 1, 0, &other), "F");
    EXPECT_EQ(writeAs(ftMemo, 10, 0, &yes), std::string(10, ' '));
}

} // namespace
