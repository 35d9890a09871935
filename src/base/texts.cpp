#include "base/texts.h"

#include <atomic>

namespace kelvane {

namespace {

std::atomic<Language> chosenLanguage {Language::Russian};

} // namespace

void setTextLanguage(Language language)
{
    chosenLanguage.store(language, std::memory_order_relaxed);
}

Language textLanguage()
{
    return chosenLanguage.load(std::memory_order_relaxed);
}

std::string fillText(std::string_view pattern, std::initializer_list<std::string_view> arguments)
{
    std::string text;
    text.reserve(pattern.size());
    for (size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c == '%' && i + 1 < pattern.size() && pattern[i + 1] >= '1' && pattern[i + 1] <= '9') {
            const auto index = static_cast<size_t>(pattern[i + 1] - '1');
            if (index < arguments.size()) {
                text += arguments.begin()[index];
                ++i;
                continue;
            }
        }
        text += c;
    }
    return text;
}

std::string localText(const Text &text, std::initializer_list<std::string_view> arguments)
{
    return fillText(text.in(textLanguage()), arguments);
}

} // namespace kelvane
