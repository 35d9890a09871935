// Field values as text: what views show for each type and which typed texts are accepted.
#include "dataset/database_error.h"
#include "dataset/field_text.h"

#include <gtest/gtest.h>

using namespace kelvane;

using FieldText::format;
using FieldText::parse;
using FieldText::ValueBuffer;

namespace {

std::string roundTrip(TFieldType type, const std::string &text)
{
    return format(type, parse(type, text, "F"));
}

std::string errorOf(TFieldType type, const std::string &text)
{
    try {
        parse(type, text, "QTY");
    } catch (const EDatabaseError &error) {
        return error.what();
    }
    return "accepted";
}

TEST(FieldText, NumbersAreDecimalWithAFullStopAndKeepTheirTypesRange)
{
    EXPECT_EQ(roundTrip(ftSmallint, " +32767 "), "32767");
    EXPECT_EQ(roundTrip(ftSmallint, "-32768"), "-32768");
    EXPECT_EQ(errorOf(ftSmallint, "32768"), "Value 32768 is out of range for field 'QTY'");
    EXPECT_EQ(roundTrip(ftInteger, "-2147483648"), "-2147483648");
    EXPECT_EQ(errorOf(ftInteger, "2147483648"), "Value 2147483648 is out of range for field 'QTY'");
    EXPECT_EQ(roundTrip(ftLargeint, "9223372036854775807"), "9223372036854775807");
    EXPECT_EQ(errorOf(ftLargeint, "99999999999999999999"),
        "Value 99999999999999999999 is out of range for field 'QTY'");
    EXPECT_EQ(errorOf(ftInteger, "12x"), "'12x' is not a valid integer value for field 'QTY'");
    EXPECT_EQ(errorOf(ftInteger, "1.5"), "'1.5' is not a valid integer value for field 'QTY'");
    EXPECT_EQ(errorOf(ftInteger, "-"), "'-' is not a valid integer value for field 'QTY'");
    EXPECT_EQ(roundTrip(ftInteger, "   "), "0") << "empty is 0: there are no empty values";

    EXPECT_EQ(roundTrip(ftFloat, "3,25"), "3.25") << "a typed comma is a decimal point";
    EXPECT_EQ(roundTrip(ftFloat, "-1e3"), "-1000");
    EXPECT_EQ(roundTrip(ftFloat, "0.1"), "0.1") << "no binary noise";
    EXPECT_EQ(roundTrip(ftFloat, "1e20"), "1e+20");
    EXPECT_EQ(
        errorOf(ftFloat, "1.2.3"), "'1.2.3' is not a valid floating point value for field 'QTY'");
}

TEST(FieldText, LogicalsReadTrueOrFalseAndAcceptTheUsualWords)
{
    for (const char *yes : {"T", "true", "Y", "yes", "1"})
        EXPECT_EQ(roundTrip(ftBoolean, yes), "True") << yes;
    for (const char *no : {"", "f", "FALSE", "n", "No", "0"})
        EXPECT_EQ(roundTrip(ftBoolean, no), "False") << no;
    EXPECT_EQ(errorOf(ftBoolean, "maybe"), "'maybe' is not a valid boolean value for field 'QTY'");
    ValueBuffer odd {};
    odd.smallint = 2;
    EXPECT_EQ(format(ftBoolean, odd), "False") << "only 1 is true, as the file stores it";
}

TEST(FieldText, DatesAreDayMonthYearAndNoDateIsEmpty)
{
    EXPECT_EQ(roundTrip(ftDate, "5.3.2026"), "05.03.2026");
    EXPECT_EQ(roundTrip(ftDate, "29.02.2024"), "29.02.2024");
    EXPECT_EQ(roundTrip(ftDate, "01.01.0001"), "01.01.0001");
    EXPECT_EQ(roundTrip(ftDate, ""), "");
    ValueBuffer day {};
    day.integer = 0;
    EXPECT_EQ(format(ftDate, day), "") << "day number 0 is no date";
    for (const char *wrong : {"29.02.2025", "5.3.26", "5/3/2026", "5.3.2026x", "05.3", "0.1.2000",
             "1.1.0", "123.1.2000"})
        EXPECT_EQ(errorOf(ftDate, wrong),
            std::string("'") + wrong + "' is not a valid date value for field 'QTY'");
}

TEST(FieldText, CharacterValuesPassAsTheyAreUpTo255Bytes)
{
    EXPECT_EQ(roundTrip(ftString, "  \xC0\xE1 "), "  \xC0\xE1 ");
    EXPECT_EQ(roundTrip(ftString, std::string(255, 'x')), std::string(255, 'x'));
    EXPECT_EQ(errorOf(ftString, std::string(256, 'x')),
        "Text of 256 characters is too long for field 'QTY'");
}

} // namespace
