// Scans the 200 000-record table through the file layer.
//
//   build/bench/kelvane_bench_dbf
#include "bench/dbf_bench_table.h"

using namespace kelvane;

BENCHMARK(BenchTable::scanEveryField)->Unit(benchmark::kMillisecond);
