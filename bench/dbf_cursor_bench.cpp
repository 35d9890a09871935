// Scans the 200 000-record table (C 20, C 40, N 10, D 8, L 1) from the first record to the last
// through the table cursor, reading every field as text, next to the same scan through the file
// layer (one positioned read per record, every field converted to its value type), so the cost
// of the dataset shows in one run:
//
//   build/bench/kelvane_bench_dbf_cursor
//
// The table is the one of dbf_bench_table.h, which kelvane_bench_dbf scans too.
#include "bench/dbf_bench_table.h"
#include "cursor/table_cursor.h"

#include <string>
#include <vector>

using namespace kelvane;

namespace {

void scanThroughCursor(benchmark::State &state)
{
    const std::string path = BenchTable::tablePath();
    int64_t scanned = 0;
    size_t textBytes = 0;
    for (auto _ : state) {
        TDbf dbf;
        dbf.SetFileName(path);
        dbf.SetReadOnly(true);
        dbf.Open();
        std::vector<TField *> fields;
        for (int i = 0; i < dbf.FieldCount(); ++i)
            fields.push_back(&dbf.Fields(i));
        for (dbf.First(); !dbf.Eof(); dbf.Next()) {
            for (TField *field : fields)
                textBytes += field->AsString().size();
            ++scanned;
        }
        dbf.Close();
    }
    benchmark::DoNotOptimize(textBytes);
    state.SetItemsProcessed(scanned);
    state.counters["records"] = static_cast<double>(scanned) / state.iterations();
}

} // namespace

BENCHMARK(BenchTable::scanEveryField)->Name("ScanThroughFileLayer")->Unit(benchmark::kMillisecond);
BENCHMARK(scanThroughCursor)->Unit(benchmark::kMillisecond);
