// The 200 000-record table of the dBase benchmarks (C 20, C 40, N 10, D 8, L 1), built once and
// kept at the path shown as the label, so other tools can scan the same file (e.g.
// `time dbfdump -r <path> > /dev/null`); and its scan through the file layer: one positioned read
// per record and every field converted to its value type.
#pragma once

#include "base/day_number.h"
#include "dbf/table_file.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace kelvane {

namespace BenchTable {

constexpr int Records = 200000;
constexpr int RecordSize = 1 + 20 + 40 + 10 + 8 + 1;

inline std::string Header()
{
    const struct
    {
        const char *name;
        char type;
        int length;
    } fields[] = {
        {"NAME", 'C', 20}, {"DESCR", 'C', 40}, {"QTY", 'N', 10}, {"BORN", 'D', 8}, {"OK", 'L', 1}};
    const int headerSize = 32 + 32 * 5 + 1;
    std::string bytes(32, '\0');
    bytes[0] = 0x03;
    bytes[1] = 126;
    bytes[2] = 3;
    bytes[3] = 5;
    for (int i = 0; i < 4; ++i)
        bytes[4 + i] = static_cast<char>(Records >> (8 * i));
    bytes[8] = static_cast<char>(headerSize & 0xFF);
    bytes[9] = static_cast<char>(headerSize >> 8);
    bytes[10] = static_cast<char>(RecordSize);
    for (const auto &field : fields) {
        std::string descriptor(32, '\0');
        descriptor.replace(0, std::string(field.name).size(), field.name);
        descriptor[11] = field.type;
        descriptor[16] = static_cast<char>(field.length);
        bytes += descriptor;
    }
    return bytes + '\r';
}

inline std::string recordBytes(int i)
{
    char record[RecordSize + 16]; // room for what the compiler cannot rule out
    const CalendarDate date = DayNumber::toDate(DayNumber::Jan1st1900 + i % 40000);
    std::snprintf(record, sizeof record, " %-20s%-40s%10d%04d%02d%02d%c",
        ("\x8A\xAE\xAC\xA0\xAD\xA4\xA0 " + std::to_string(i)).c_str(), // CP866
        ("description of record number " + std::to_string(i)).c_str(), i * 7 - 500000, date.year,
        date.month, date.day, i % 3 ? 'T' : 'F');
    return std::string(record, RecordSize);
}

inline std::string tablePath()
{
    const std::filesystem::path path
        = std::filesystem::temp_directory_path() / "kelvane-dbf-bench-200k.dbf";
    const auto expectedSize = static_cast<std::uintmax_t>(32 + 32 * 5 + 1)
        + static_cast<std::uintmax_t>(Records) * RecordSize + 1;
    std::error_code error;
    if (std::filesystem::file_size(path, error) != expectedSize) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << Header();
        for (int i = 0; i < Records; ++i)
            out << recordBytes(i);
        out << '\x1A';
    }
    return path.string();
}

inline void scanEveryField(benchmark::State &state)
{
    const std::string path = tablePath();
    int64_t scanned = 0;
    for (auto _ : state) {
        TDbfFile table(DbfOpenReadOnly, path);
        TFieldDefs defs;
        table.ReadFieldDefs(defs);
        char record[RecordSize];
        char text[41];
        int64_t quantity = 0;
        int32_t day = 0;
        int16_t ok = 0;
        const int32_t count = table.RecordCount();
        for (int32_t n = 0; n < count; ++n) {
            table.ReadRecord(n, record);
            table.GetFieldValue(0, defs[0].DataType, text, record);
            benchmark::DoNotOptimize(text);
            table.GetFieldValue(1, defs[1].DataType, text, record);
            benchmark::DoNotOptimize(text);
            table.GetFieldValue(2, defs[2].DataType, &quantity, record);
            table.GetFieldValue(3, defs[3].DataType, &day, record);
            table.GetFieldValue(4, defs[4].DataType, &ok, record);
            benchmark::DoNotOptimize(quantity + day + ok);
        }
        scanned += count;
    }
    state.SetItemsProcessed(scanned);
    state.SetLabel(path);
}

} // namespace BenchTable

} // namespace kelvane
