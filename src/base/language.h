// Which language the program speaks to a person in: Russian, its own, or English for everybody
// else. The command-line tools go by the locale variables; the window program by what Qt says of
// the system, the setting and --lang. Both rules are pure functions of plain values here, so that
// they are the same on every platform and the callers only feed them.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvane {

enum class Language { Russian, English };

// The locale variables as the environment holds them; an empty one counts as unset.
struct LocaleVariables
{
    std::string language; // LANGUAGE: languages in order of preference, colon-separated
    std::string all; // LC_ALL
    std::string messages; // LC_MESSAGES
    std::string lang; // LANG
};

// Read with std::getenv. Where the system keeps the user's language apart from them and none of
// them is set (Windows, where they normally are not), LANG is that language (systemLanguage()).
LocaleVariables localeVariables();

// The language of the system's interface chosen by the user, as a locale name ("ru-RU"), where
// the system keeps one apart from the locale variables (Windows); empty elsewhere.
std::string systemLanguage();

// As GNU gettext chooses: the locale of messages is the first of LC_ALL, LC_MESSAGES and LANG
// that is set; LANGUAGE's first entry goes before it unless that locale is C or POSIX. Russian
// when the language so found is Russian, and under the C or POSIX locale (also when nothing is
// set); English for every other language.
Language commandLineLanguage(const LocaleVariables &variables);

// The window program's language: `option` (--lang) first, then `setting` (empty: as the system),
// then the system's: Russian when `localeName` (QLocale::system().name()) is the C locale or the
// first of `uiLanguages` (QLocale::system().uiLanguages()) is Russian, English otherwise.
Language windowLanguage(std::string_view localeName, const std::vector<std::string> &uiLanguages,
    std::optional<Language> setting, std::optional<Language> option);

// "ru" or "en", as --lang and the setting spell the language; nothing for any other text.
std::optional<Language> languageFromCode(std::string_view code);

} // namespace kelvane
