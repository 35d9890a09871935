// Windows-1251 both ways.
#include "framework/cp1251_text.h"

#include <gtest/gtest.h>

using namespace kelvane;

namespace {

TEST(CodePage, EveryDefinedByteSurvivesTheRoundTrip)
{
    for (int b = 0; b < 256; ++b) {
        if (b == 0x98)
            continue; // the one byte the code page leaves undefined
        const std::string byte(1, static_cast<char>(b));
        EXPECT_EQ(toCp1251(fromCp1251(byte)), byte) << b;
    }
}

TEST(CodePage, KnownLettersAndTheUnrepresentable)
{
    EXPECT_EQ(fromCp1251("\xC0\xFF\xA8\xB8\xB9"), QStringLiteral("АяЁё№"));
    EXPECT_EQ(toCp1251(QStringLiteral("Тест T")), "\xD2\xE5\xF1\xF2 T");
    EXPECT_EQ(toCp1251(QStringLiteral("日本 ✓")), "?? ?");
    EXPECT_EQ(fromCp1251("\x98"), QString(QChar(0xFFFD)));
    // Neither the replacement character nor the table's own mark for the undefined byte is 0x98.
    EXPECT_EQ(toCp1251(QString(QChar(0xFFFD)) + QChar(0xFFFF)), "??");
}

} // namespace
