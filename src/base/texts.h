// The texts the command-line tools print for a person, in both languages. Each tool keeps one
// table of them, a header of Text constants; the Russian is the source, exactly as the tool has
// always printed it, the English its translation. A program chooses the language once, at start,
// before its threads (setTextLanguage(commandLineLanguage(localeVariables()))), and every text
// it prints from then on is in it. Placeholders %1 to %9 stand for what is filled in, so that
// each language may put them where its own word order wants them.
#pragma once

#include "base/language.h"

#include <initializer_list>
#include <string>
#include <string_view>

namespace kelvane {

struct Text
{
    std::string_view russian;
    std::string_view english;

    constexpr std::string_view in(Language language) const
    {
        return language == Language::English ? english : russian;
    }
};

// Russian until a program says otherwise.
void setTextLanguage(Language language);
Language textLanguage();

// `pattern` with %1 ... %9 replaced by `arguments`, in one pass: what an argument holds is never
// replaced again. A placeholder without its argument stays as it is.
std::string fillText(std::string_view pattern, std::initializer_list<std::string_view> arguments);

// `text` in the language set, filled in.
std::string localText(const Text &text, std::initializer_list<std::string_view> arguments = {});

} // namespace kelvane
