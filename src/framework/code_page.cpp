#include "code_page.h"

#include "base/code_page.h"

#include <unordered_map>

namespace {

const std::unordered_map<char16_t, char> &reverseTable()
{
    static const std::unordered_map<char16_t, char> table = [] {
        std::unordered_map<char16_t, char> t;
        for (int byte = 0x80; byte < 0x100; ++byte) {
            const char16_t unicode = CodePage::AnsiToUnicode(static_cast<unsigned char>(byte));
            if (unicode != u'\uFFFD')
                t.emplace(unicode, static_cast<char>(byte));
        }
        return t;
    }();
    return table;
}

} // namespace

QChar Cp1251Char(unsigned char byte)
{
    return QChar(CodePage::AnsiToUnicode(byte));
}

QString FromCp1251(std::string_view bytes)
{
    QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    QChar *out = text.data();
    for (char c : bytes)
        *out++ = Cp1251Char(static_cast<unsigned char>(c));
    return text;
}

std::string ToCp1251(const QString &text)
{
    std::string bytes;
    bytes.reserve(static_cast<size_t>(text.size()));
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x80) {
            bytes.push_back(static_cast<char>(u));
            continue;
        }
        const auto &table = reverseTable();
        const auto found = table.find(u);
        bytes.push_back(found != table.end() ? found->second : '?');
    }
    return bytes;
}
