#include "support/dbf/dbf_test_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <random>
#include <sstream>
#include <stdexcept>

namespace kelvane {

namespace DbfTest {

TempDir::TempDir()
{
    // A fresh name each try, as mkdtemp would make, on every system.
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path folder
            = std::filesystem::temp_directory_path() / ("kelvane-dbf-" + std::to_string(random()));
        std::error_code error;
        if (std::filesystem::create_directory(folder, error)) {
            m_path = folder.string();
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
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

bool isVersion5(uint8_t version)
{
    return version == 0x05;
}

void putLe(std::string &bytes, size_t at, uint32_t value, int width)
{
    for (int i = 0; i < width; ++i)
        bytes[at + static_cast<size_t>(i)] = static_cast<char>(value >> (8 * i));
}

std::string descriptor(uint8_t version, const FieldLayout &field, uint32_t storedOffset)
{
    const bool v5 = isVersion5(version);
    std::string bytes(v5 ? 48 : 32, '\0');
    const size_t nameBytes = std::min<size_t>(field.Name.size(), v5 ? 32 : 11);
    std::copy_n(field.Name.begin(), nameBytes, bytes.begin());
    bytes[v5 ? 32 : 11] = field.type;
    bytes[v5 ? 33 : 16] = static_cast<char>(field.Length);
    bytes[v5 ? 34 : 17] = static_cast<char>(field.Decimals);
    if (!v5)
        putLe(bytes, 12, storedOffset, 4);
    return bytes;
}

} // namespace

std::string TableImage::bytes() const
{
    const int n = static_cast<int>(Fields.size());
    const int headerSize = (isVersion5(version) ? 68 + 48 * n : 32 + 32 * n) + (terminator ? 1 : 0);
    int recordSize = 1;
    for (const FieldLayout &field : Fields)
        recordSize += field.Length;
    std::string bytes(isVersion5(version) ? 68 : 32, '\0');
    bytes[0] = static_cast<char>(version);
    bytes[1] = 99; // 1999-01-01: any date the engine must replace
    bytes[2] = 1;
    bytes[3] = 1;
    putLe(bytes, 4, headerCount.value_or(static_cast<uint32_t>(records.size())), 4);
    putLe(bytes, 8, static_cast<uint32_t>(HeaderSize.value_or(headerSize)), 2);
    putLe(bytes, 10, static_cast<uint32_t>(RecordSize.value_or(recordSize)), 2);
    uint32_t offset = 1;
    for (const FieldLayout &field : Fields) {
        bytes += descriptor(version, field, storedOffsets ? offset : 0);
        offset += static_cast<uint32_t>(field.Length);
    }
    if (terminator)
        bytes += '\r';
    for (const std::string &record : records)
        bytes += record;
    if (endMarker)
        bytes += '\x1A';
    return bytes;
}

std::string recordBytes(
    const std::vector<FieldLayout> &fields, const std::vector<std::string> &values, char flag)
{
    std::string record(1, flag);
    for (size_t i = 0; i < fields.size(); ++i) {
        std::string value = i < values.size() ? values[i] : std::string();
        value.resize(static_cast<size_t>(fields[i].Length), ' ');
        record += value;
    }
    return record;
}

std::string runPython(const std::string &script)
{
    TempDir dir;
    const std::string path = dir.path("script.py");
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

std::string cp1251(const std::string &utf8)
{
    std::string out;
    for (size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (utf8.compare(i, 3, "\xE2\x84\x96") == 0) {
            out += '\xB9'; // No.
            i += 2;
        } else {
            const unsigned code
                = (c & 0x1Fu) << 6 | (static_cast<unsigned char>(utf8[++i]) & 0x3Fu);
            if (code == 0x401 || code == 0x451)
                out += code == 0x401 ? '\xA8' : '\xB8';
            else if (code >= 0x410 && code <= 0x44F)
                out += static_cast<char>(0xC0 + (code - 0x410));
            else
                throw std::invalid_argument("Cp1251: unsupported character");
        }
    }
    return out;
}

OpenTable::OpenTable(const std::string &path, uint16_t mode, DbfHooks hooks,
    const std::string &memoPath, FileSystem &files)
    : table(std::make_unique<TDbfFile>(mode, path, std::move(hooks), files))
{
    table->ReadFieldDefs(defs);
    if (!memoPath.empty())
        memo = std::make_unique<TDbtFile>(
            table->LayoutFamily() != LayoutDbase3, mode, memoPath, files);
    record.assign(static_cast<size_t>(table->RecordSize()), '\0');
}

std::string OpenTable::text(int field)
{
    char value[256];
    table->GetFieldValue(field, ftString, value, record.data());
    return value;
}

void OpenTable::setText(int field, const std::string &text)
{
    table->SetFieldValue(field, ftString, text.c_str(), record.data());
}

std::string OpenTable::memoText(int field)
{
    TMyBlobFile stream(bmRead, field + 1, *this);
    return std::string(stream.Memory(), static_cast<size_t>(stream.Size()));
}

void OpenTable::storeMemo(int field, const std::string &text)
{
    TMyBlobFile stream(bmWrite, field + 1, *this);
    stream.Write(text.data(), static_cast<int64_t>(text.size()));
    stream.release();
}

} // namespace DbfTest

} // namespace kelvane
