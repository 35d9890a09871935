#include "framework/cp1251_text.h"

#include "base/code_page.h"

#include <array>

namespace kelvane {

QChar cp1251Char(unsigned char byte)
{
    return QChar(CodePage::ansiToUnicode(byte));
}

QString fromCp1251(std::string_view bytes)
{
    QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    QChar *out = text.data();
    for (char c : bytes)
        *out++ = cp1251Char(static_cast<unsigned char>(c));
    return text;
}

std::string toCp1251(const QString &text)
{
    std::string bytes;
    bytes.reserve(static_cast<size_t>(text.size()));
    for (QChar c : text)
        bytes.push_back(static_cast<char>(CodePage::unicodeToAnsi(c.unicode())));
    return bytes;
}

bool fitsCp1251(const QString &text)
{
    for (QChar c : text)
        if (CodePage::unicodeToAnsi(c.unicode()) == CodePage::Replacement && c != QLatin1Char('?'))
            return false;
    return true;
}

const unsigned char *cp1251LowerCase()
{
    static const std::array<unsigned char, 256> lowerCase = [] {
        std::array<unsigned char, 256> table {};
        for (int byte = 0; byte < 256; ++byte) {
            const QChar lower = cp1251Char(static_cast<unsigned char>(byte)).toLower();
            const unsigned char back = CodePage::unicodeToAnsi(lower.unicode());
            table[static_cast<size_t>(byte)]
                = back == CodePage::Replacement ? static_cast<unsigned char>(byte) : back;
        }
        return table;
    }();
    return lowerCase.data();
}

} // namespace kelvane
