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
    // LANGUAGE, LC_ALL, LC_MESSAGES, LANG, and the language they give.
    const std::vector<std::pair<LocaleVariables, Language>> cases = {
        {{}, Ru}, // nothing set: the C locale
        {{"", "", "", "POSIX"}, Ru}, {{"", "", "", "C.UTF-8"}, Ru},
        {{"", "", "", "ru_UA.KOI8-U@x"}, Ru}, {{"", "", "", "de_DE.UTF-8"}, En},
        {{"", "", "", "rus"}, En}, // not the code "ru"
        {{"", "", "ru_RU.UTF-8", "en_US.UTF-8"}, Ru}, {{"", "C", "en_US", "en_US.UTF-8"}, Ru},
        // LANGUAGE's first entry goes first, but not under the C locale.
        {{"en_US:ru", "", "", "ru_RU.UTF-8"}, En},
        {{":ru_RU", "", "", "en_US.UTF-8"}, Ru}, // an empty entry is skipped
        {{"en", "", "", "C.UTF-8"}, Ru}, {{"en", "", "", ""}, Ru},
        {{"C", "", "", "en_US.UTF-8"}, Ru}, // the untranslated texts: the program's own
    };
    for (const auto &[variables, language] : cases)
        EXPECT_EQ(commandLineLanguage(variables), language)
            << "LANGUAGE=" << variables.language << " LC_ALL=" << variables.all
            << " LC_MESSAGES=" << variables.messages << " LANG=" << variables.lang;

    // The window program: --lang over the setting over the system's locale and UI languages.
    const std::vector<std::string> english = {"en-US", "ru-RU"};
    EXPECT_EQ(windowLanguage("ru_RU", {"ru-RU", "en-US"}, std::nullopt, std::nullopt), Ru);
    EXPECT_EQ(windowLanguage("en_US", english, std::nullopt, std::nullopt), En);
    EXPECT_EQ(windowLanguage("C", english, std::nullopt, std::nullopt), Ru) << "LANG=C LANGUAGE=en";
    EXPECT_EQ(windowLanguage("en_US", {}, std::nullopt, std::nullopt), Ru);
    EXPECT_EQ(windowLanguage("en_US", english, Ru, std::nullopt), Ru);
    EXPECT_EQ(windowLanguage("C", english, Ru, En), En);
    EXPECT_EQ(languageFromCode("en"), En);
    for (const char *wrong : {"", "RU", "ru_RU", "english"})
        EXPECT_EQ(languageFromCode(wrong), std::nullopt) << wrong;
}

#ifdef _WIN32
// Windows sets none of the locale variables: the tools then speak the user's display language.
// The tests run under Wine in the C locale, which Wine takes for an English Windows.
TEST(LanguageTest, WithoutLocaleVariablesTheToolsSpeakWindowsDisplayLanguage)
{
    for (const char *name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"})
        ASSERT_EQ(_putenv_s(name, ""), 0) << name; // an empty value takes it away
    const LocaleVariables variables = localeVariables();
    EXPECT_EQ(variables.lang.substr(0, 3), "en-");
    EXPECT_EQ(commandLineLanguage(variables), En);
}
#endif

TEST(LanguageTest, TextsAreFilledInOnePassInTheLanguageSet)
{
    constexpr Text Taken = {"порт %1 занят (%2)", "port %1 is taken (%2)"};
    setTextLanguage(En);
    EXPECT_EQ(localText(Taken, {"a", "b"}), "port a is taken (b)");
    setTextLanguage(Ru);
    // An argument's own placeholders stay; one without its argument too; so does a lone '%'.
    EXPECT_EQ(localText(Taken, {"%2", "b"}), "порт %2 занят (b)");
    EXPECT_EQ(fillText("%1%1 %3 100% %", {"ab"}), "abab %3 100% %");
}

} // namespace
