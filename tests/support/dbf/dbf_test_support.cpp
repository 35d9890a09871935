#include "dbf_test_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace DbfTest {

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "kelvane-dbf-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary folder");
    m_path = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::string ReadFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string &path, const std::string &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

namespace {

bool IsVersion5(uint8_t version)
{
    return version == 0x05;
}

void PutLe(std::string &bytes, size_t at, uint32_t value, int width)
{
    for (int i = 0; i < width; ++i)
        bytes[at + static_cast<size_t>(i)] = static_cast<char>(value >> (8 * i));
}

std::string Descriptor(uint8_t version, const FieldSpec &field)
{
    const bool v5 = IsVersion5(version);
    std::string bytes(v5 ? 48 : 32, '\0');
    const size_t nameBytes = std::min<size_t>(field.Name.size(), v5 ? 32 : 11);
    std::copy_n(field.Name.begin(), nameBytes, bytes.begin());
    bytes[v5 ? 32 : 11] = field.Type;
    bytes[v5 ? 33 : 16] = static_cast<char>(field.Length);
    bytes[v5 ? 34 : 17] = static_cast<char>(field.Decimals);
    return bytes;
}

} // namespace

int TableImage::ComputedHeaderSize() const
{
    const int n = static_cast<int>(Fields.size());
    return (IsVersion5(Version) ? 68 + 48 * n : 32 + 32 * n) + (Terminator ? 1 : 0);
}

int TableImage::ComputedRecordSize() const
{
    int size = 1;
    for (const FieldSpec &field : Fields)
        size += field.Length;
    return size;
}

std::string TableImage::Bytes() const
{
    std::string bytes(IsVersion5(Version) ? 68 : 32, '\0');
    bytes[0] = static_cast<char>(Version);
    bytes[1] = 99; // 1999-01-01: any date the engine must replace
    bytes[2] = 1;
    bytes[3] = 1;
    PutLe(bytes, 4, HeaderCount.value_or(static_cast<uint32_t>(Records.size())), 4);
    PutLe(bytes, 8, static_cast<uint32_t>(HeaderSize.value_or(ComputedHeaderSize())), 2);
    PutLe(bytes, 10, static_cast<uint32_t>(RecordSize.value_or(ComputedRecordSize())), 2);
    for (const FieldSpec &field : Fields)
        bytes += Descriptor(Version, field);
    if (Terminator)
        bytes += '\r';
    for (const std::string &record : Records)
        bytes += record;
    if (EndMarker)
        bytes += '\x1A';
    return bytes;
}

std::string Record(
    const std::vector<FieldSpec> &fields, const std::vector<std::string> &values, char flag)
{
    std::string record(1, flag);
    for (size_t i = 0; i < fields.size(); ++i) {
        std::string value = i < values.size() ? values[i] : std::string();
        value.resize(static_cast<size_t>(fields[i].Length), ' ');
        record += value;
    }
    return record;
}

TDbfHooks RecordingHooks::Hooks()
{
    TDbfHooks hooks;
    hooks.ShowMessage = [this](const std::string &message) { Messages.push_back(message); };
    hooks.Today = [] { return TCalendarDate {2026, 3, 5}; };
    return hooks;
}

std::string RunPython(const std::string &script)
{
    TempDir dir;
    const std::string path = dir.Path("script.py");
    WriteFile(path, script);
    FILE *pipe = popen(("/usr/bin/python3 " + path + " 2>&1").c_str(), "r");
    if (!pipe) {
        ADD_FAILURE() << "cannot start /usr/bin/python3";
        return {};
    }
    std::string output;
    char chunk[4096];
    for (size_t n; (n = fread(chunk, 1, sizeof chunk, pipe)) > 0;)
        output.append(chunk, n);
    const int status = pclose(pipe);
    EXPECT_EQ(status, 0) << "python script failed:\n" << output;
    return output;
}

int RunCommand(const std::string &commandLine)
{
    return std::system(commandLine.c_str());
}

namespace {

// Reads one character of ASCII, Cyrillic or No.; returns its code point.
char32_t NextCharacter(const std::string &utf8, size_t &i)
{
    const auto c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
        ++i;
        return c;
    }
    if (utf8.compare(i, 3, "\xE2\x84\x96") == 0) {
        i += 3;
        return 0x2116;
    }
    if ((c & 0xE0) != 0xC0 || i + 1 >= utf8.size())
        throw std::invalid_argument("unsupported character");
    const char32_t code = (c & 0x1Fu) << 6 | (static_cast<unsigned char>(utf8[i + 1]) & 0x3Fu);
    i += 2;
    if ((code >= 0x410 && code <= 0x44F) || code == 0x401 || code == 0x451)
        return code;
    throw std::invalid_argument("unsupported character");
}

} // namespace

std::string Cp1251(const std::string &utf8)
{
    std::string out;
    for (size_t i = 0; i < utf8.size();) {
        const char32_t code = NextCharacter(utf8, i);
        if (code < 0x80)
            out += static_cast<char>(code);
        else if (code >= 0x410 && code <= 0x44F)
            out += static_cast<char>(0xC0 + (code - 0x410));
        else
            out += code == 0x401 ? '\xA8' : code == 0x451 ? '\xB8' : '\xB9';
    }
    return out;
}

std::string Cp866(const std::string &utf8)
{
    std::string out;
    for (size_t i = 0; i < utf8.size();) {
        const char32_t code = NextCharacter(utf8, i);
        if (code < 0x80)
            out += static_cast<char>(code);
        else if (code >= 0x410 && code < 0x440) // A to p
            out += static_cast<char>(0x80 + (code - 0x410));
        else if (code >= 0x440 && code <= 0x44F) // r to ya
            out += static_cast<char>(0xE0 + (code - 0x440));
        else
            out += code == 0x401 ? '\xF0' : code == 0x451 ? '\xF1' : '\xFC';
    }
    return out;
}

} // namespace DbfTest
