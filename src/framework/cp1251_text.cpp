#include "framework/cp1251_text.h"

#include "base/code_page.h"

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

} // namespace kelvane
