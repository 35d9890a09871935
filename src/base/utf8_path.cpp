#include "base/utf8_path.h"

namespace kelvane {

// char8_t text is UTF-8 on every system, whatever the narrow code page.
std::filesystem::path utf8Path(std::string_view name)
{
    return std::filesystem::path(
        std::u8string(reinterpret_cast<const char8_t *>(name.data()), name.size()));
}

std::string pathUtf8(const std::filesystem::path &path)
{
    const std::u8string text = path.u8string();
    return std::string(reinterpret_cast<const char *>(text.data()), text.size());
}

} // namespace kelvane
