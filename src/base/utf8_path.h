// File names in the program are UTF-8 text. std::filesystem::path made from a plain std::string
// takes it in the system's narrow code page, which on Windows is not UTF-8 (a folder named "Тест"
// comes out garbled), so every path is made and read back through these two. Thread-safe.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kelvane {

std::filesystem::path utf8Path(std::string_view name);
std::string pathUtf8(const std::filesystem::path &path);

} // namespace kelvane
