// The command tables of the window tests on Windows, where Debian's python dBase modules do not
// run: a dBase III writer and reader of the tests' own, no bigger than three text fields need, so
// that what the program stores is still written and read by another implementation than its
// own engine.
#include "support/gui/command_table.h"

#include <QString>
#include <array>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace kelvane {

namespace {

struct Field
{
    const char *name;
    uint8_t length;
};
constexpr std::array<Field, 3> Fields = {{{"NAME", 40}, {"COMAND", 40}, {"UROVEN", 5}}};
constexpr uint16_t HeaderSize = 32 + 32 * Fields.size() + 1;
constexpr uint16_t RecordSize = 1 + 40 + 40 + 5;

// CP866 as far as the tests' texts go: ASCII and the Russian alphabet.
std::string toCp866(const std::string &utf8)
{
    std::string bytes;
    for (const QChar c : QString::fromStdString(utf8)) {
        const char16_t u = c.unicode();
        if (u < 0x80)
            bytes += static_cast<char>(u);
        else if (u >= 0x0410 && u <= 0x043F)
            bytes += static_cast<char>(0x80 + (u - 0x0410));
        else if (u >= 0x0440 && u <= 0x044F)
            bytes += static_cast<char>(0xE0 + (u - 0x0440));
        else if (u == 0x0401 || u == 0x0451)
            bytes += static_cast<char>(u == 0x0401 ? 0xF0 : 0xF1);
        else
            throw std::invalid_argument("no CP866 for a character of " + utf8);
    }
    return bytes;
}

std::string fromCp866(std::string_view bytes)
{
    QString text;
    for (const char b : bytes) {
        const auto c = static_cast<unsigned char>(b);
        if (c < 0x80)
            text += QChar(c);
        else if (c <= 0xAF)
            text += QChar(0x0410 + (c - 0x80));
        else if (c >= 0xE0 && c <= 0xEF)
            text += QChar(0x0440 + (c - 0xE0));
        else if (c == 0xF0 || c == 0xF1)
            text += QChar(c == 0xF0 ? 0x0401 : 0x0451);
        else
            text += QChar(0xFFFD);
    }
    return text.toStdString();
}

void put(std::string &out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

uint32_t get(const std::string &in, size_t at, int bytes)
{
    uint32_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value |= static_cast<uint32_t>(static_cast<unsigned char>(in.at(at + i))) << (8 * i);
    return value;
}

std::string rightTrimmed(std::string text)
{
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

} // namespace

void writeCommandTable(const std::string &path, const std::vector<CommandRow> &rows)
{
    std::string file;
    file += '\x03'; // dBase III, no memo
    file += "\x7E\x0C\x08"; // last changed 2026-12-08
    put(file, static_cast<uint32_t>(rows.size()), 4);
    put(file, HeaderSize, 2);
    put(file, RecordSize, 2);
    file.append(17, '\0');
    file += '\x65'; // the language driver of CP866
    file.append(2, '\0');
    for (const Field &field : Fields) {
        std::string name = field.name;
        name.resize(11, '\0');
        file += name + 'C';
        file.append(4, '\0');
        file += static_cast<char>(field.length);
        file.append(15, '\0');
    }
    file += '\x0D';
    for (const CommandRow &row : rows) {
        file += row.deleted ? '*' : ' ';
        const std::array<const std::string *, 3> values = {&row.name, &row.command, &row.level};
        for (size_t i = 0; i < Fields.size(); ++i) {
            std::string value = toCp866(*values[i]);
            value.resize(Fields[i].length, ' ');
            file += value;
        }
    }
    file += '\x1A';
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!(out << file))
        throw std::runtime_error("cannot write " + path);
}

std::vector<CommandRow> readCommandTable(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    const std::string file {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (file.size() < 32)
        throw std::runtime_error("no table in " + path);
    const uint32_t count = get(file, 4, 4);
    const uint32_t header = get(file, 8, 2);
    const uint32_t size = get(file, 10, 2);
    // Where each of the three fields is in a record, from the field descriptors.
    std::array<std::pair<size_t, size_t>, 3> places {};
    size_t offset = 1;
    for (size_t at = 32; at + 32 <= header && file.at(at) != '\x0D'; at += 32) {
        const std::string name = file.substr(at, 11).c_str();
        const size_t length = static_cast<unsigned char>(file.at(at + 16));
        for (size_t i = 0; i < Fields.size(); ++i)
            if (name == Fields[i].name)
                places[i] = {offset, length};
        offset += length;
    }
    std::vector<CommandRow> rows;
    for (uint32_t i = 0; i < count; ++i) {
        const std::string record = file.substr(header + i * size, size);
        const auto value = [&](size_t field) {
            return rightTrimmed(
                fromCp866(record.substr(places[field].first, places[field].second)));
        };
        rows.push_back({value(0), value(1), value(2), record.at(0) == '*'});
    }
    return rows;
}

} // namespace kelvane
