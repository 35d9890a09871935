#include "base/language.h"

#include <cstdlib>

namespace kelvane {

namespace {

std::string variable(const char *name)
{
    const char *value = std::getenv(name);
    return value ? value : "";
}

// "C", "POSIX" and the C locale with a code set, "C.UTF-8": the program's own language. Nothing
// set is the C locale too.
bool isCLocale(std::string_view name)
{
    return name.empty() || name == "C" || name == "POSIX" || name.starts_with("C.");
}

// A locale's or a language's name, "ru_RU.UTF-8@euro", "ru-RU" or "ru", stands for its language,
// the letters before the first '_', '-', '.' or '@'.
Language languageOfName(std::string_view name)
{
    if (isCLocale(name))
        return Language::Russian;
    const std::string_view language = name.substr(0, name.find_first_of("_-.@"));
    const bool russian = language.size() == 2 && (language[0] == 'r' || language[0] == 'R')
        && (language[1] == 'u' || language[1] == 'U');
    return russian ? Language::Russian : Language::English;
}

} // namespace

LocaleVariables localeVariables()
{
    LocaleVariables variables
        = {variable("LANGUAGE"), variable("LC_ALL"), variable("LC_MESSAGES"), variable("LANG")};
    if (variables.language.empty() && variables.all.empty() && variables.messages.empty()
        && variables.lang.empty())
        variables.lang = systemLanguage();
    return variables;
}

Language commandLineLanguage(const LocaleVariables &variables)
{
    std::string_view locale = variables.all;
    if (locale.empty())
        locale = variables.messages;
    if (locale.empty())
        locale = variables.lang;
    // Under the C locale LANGUAGE is not looked at: what a program prints there must not depend
    // on it.
    if (isCLocale(locale))
        return Language::Russian;
    std::string_view list = variables.language;
    while (!list.empty()) {
        const size_t colon = list.find(':');
        const std::string_view entry = list.substr(0, colon);
        if (!entry.empty())
            return languageOfName(entry);
        list = colon == list.npos ? std::string_view() : list.substr(colon + 1);
    }
    return languageOfName(locale);
}

Language windowLanguage(std::string_view localeName, const std::vector<std::string> &uiLanguages,
    std::optional<Language> setting, std::optional<Language> option)
{
    if (option)
        return *option;
    if (setting)
        return *setting;
    if (isCLocale(localeName) || uiLanguages.empty())
        return Language::Russian;
    return languageOfName(uiLanguages.front());
}

std::optional<Language> languageFromCode(std::string_view code)
{
    if (code == "ru")
        return Language::Russian;
    if (code == "en")
        return Language::English;
    return std::nullopt;
}

} // namespace kelvane
