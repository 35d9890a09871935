// Which language the tools and the windows speak, and how their texts are filled in.
#include "base/language.h"
#include "base/texts.h"

#include <gtest/gtest.h>

using namespace kelvane;

namespace {

constexpr Language Ru = Language::Russian;
constexpr Language En = Language::English;

TEST(LanguageTest, TheToolsGoByTheLocaleVariablesAsGettextDoes)
{
    struct Case
    {
        LocaleVariables variables; // LANGUAGE, LC_ALL, LC_MESSAGES, LANG
        Language expected;
    };
    const std::vector<Case> cases = {
        {{}, Ru}, // nothing set: the C locale
        {{"", "", "", "C"}, Ru}, {{"", "", "", "POSIX"}, Ru}, {{"", "", "", "C.UTF-8"}, Ru},
        {{"", "", "", "ru_RU.UTF-8"}, Ru}, {{"", "", "", "ru_UA.KOI8-U@x"}, Ru},
        {{"", "", "", "en_US.UTF-8"}, En}, {{"", "", "", "de_DE.UTF-8"}, En},
        {{"", "", "", "rus"}, En}, // not the code "ru"
        // LC_ALL over LC_MESSAGES over LANG.
        {{"", "", "ru_RU.UTF-8", "en_US.UTF-8"}, Ru},
        {{"", "en_GB.UTF-8", "ru_RU.UTF-8", "ru_RU.UTF-8"}, En}, {{"", "C", "", "en_US.UTF-8"}, Ru},
        // LANGUAGE's first entry goes first, but not under the C locale.
        {{"ru:en", "", "", "de_DE.UTF-8"}, Ru}, {{"en_US:ru", "", "", "ru_RU.UTF-8"}, En},
        {{":ru_RU", "", "", "en_US.UTF-8"}, Ru}, // an empty entry is skipped
        {{"en", "", "", "C.UTF-8"}, Ru}, {{"en", "", "", ""}, Ru},
        {{"C", "", "", "en_US.UTF-8"}, Ru}, // the untranslated texts: the program's own
    };
    for (const Case &c : cases)
        EXPECT_EQ(commandLineLanguage(c.variables), c.expected)
            << "LANGUAGE=" << c.variables.language << " LC_ALL=" << c.variables.all
            << " LC_MESSAGES=" << c.variables.messages << " LANG=" << c.variables.lang;

    // The window program: --lang over the setting over the system's locale and UI languages.
    const std::vector<std::string> english = {"en-US", "ru-RU"};
    const std::vector<std::string> russian = {"ru-RU", "en-US"};
    EXPECT_EQ(windowLanguage("ru_RU", russian, std::nullopt, std::nullopt), Ru);
    EXPECT_EQ(windowLanguage("en_US", english, std::nullopt, std::nullopt), En);
    EXPECT_EQ(windowLanguage("de_DE", {"de-DE"}, std::nullopt, std::nullopt), En);
    EXPECT_EQ(windowLanguage("C", english, std::nullopt, std::nullopt), Ru) << "LANG=C LANGUAGE=en";
    EXPECT_EQ(windowLanguage("en_US", {}, std::nullopt, std::nullopt), Ru);
    EXPECT_EQ(windowLanguage("ru_RU", russian, En, std::nullopt), En);
    EXPECT_EQ(windowLanguage("C", english, En, std::nullopt), En);
    EXPECT_EQ(windowLanguage("en_US", english, Ru, std::nullopt), Ru);
    EXPECT_EQ(windowLanguage("en_US", english, En, Ru), Ru);
    EXPECT_EQ(windowLanguage("ru_RU", russian, Ru, En), En);

    EXPECT_EQ(languageFromCode("ru"), Ru);
    EXPECT_EQ(languageFromCode("en"), En);
    for (const char *wrong : {"", "RU", "ru_RU", "de", "english"})
        EXPECT_EQ(languageFromCode(wrong), std::nullopt) << wrong;
}

TEST(LanguageTest, TextsAreFilledInOnePassInTheLanguageSet)
{
    constexpr Text Taken = {"порт %1 занят (%2)", "port %1 is taken (%2)"};
    EXPECT_EQ(localText(Taken, {"/dev/ttyUSB0", "x"}), "порт /dev/ttyUSB0 занят (x)");
    setTextLanguage(En);
    EXPECT_EQ(localText(Taken, {"a", "b"}), "port a is taken (b)");
    setTextLanguage(Ru);
    // An argument's own placeholders stay; one without its argument too; so does a lone '%'.
    EXPECT_EQ(fillText("%2 %1 %3 100% %", {"%2", "b"}), "b %2 %3 100% %");
    EXPECT_EQ(fillText("%1%1", {"ab"}), "abab");
}

} // namespace
