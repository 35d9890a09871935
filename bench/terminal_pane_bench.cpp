// Cost of one received chunk in the terminal pane, appended and painted, by how much the pane
// already holds: it must not grow with the content, with or without line feeds.
//
//   build/bench/kelvane_bench_terminal_pane
#include "framework/terminal_pane.h"

#include <QApplication>
#include <QImage>
#include <benchmark/benchmark.h>

using namespace kelvane;

namespace {

constexpr size_t Chunk = 100;

std::string sample(size_t size, bool lineFeeds)
{
    std::string text;
    text.reserve(size);
    const std::string line = "F3 T>Track 12345 Head 0 Zone 3 LBA 0x00ABCDEF ok";
    while (text.size() < size) {
        text += line;
        text += lineFeeds ? "\r\n" : " ";
    }
    text.resize(size);
    return text;
}

void appendChunk(benchmark::State &state)
{
    const size_t content = static_cast<size_t>(state.range(0)) * 1024 * 1024;
    const bool lineFeeds = state.range(1) != 0;
    TerminalPane pane;
    pane.resize(383, 360);
    pane.show();
    const std::string filler = sample(8 * 1024 * 1024, lineFeeds);
    for (size_t filled = 0; filled < content; filled += filler.size())
        pane.Append(std::string_view(filler).substr(0, std::min(filler.size(), content - filled)));
    const std::string chunk = sample(Chunk, lineFeeds);
    QImage screen(pane.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        pane.Append(chunk);
        pane.render(&screen); // what the user sees after each chunk
    }
    state.counters["content_MB"] = static_cast<double>(pane.bytes().size()) / (1024 * 1024);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Chunk));
}

BENCHMARK(appendChunk)
    ->ArgsProduct({{0, 1, 10, 50}, {1, 0}})
    ->ArgNames({"MB", "lf"})
    ->Iterations(2000) // 200 kB more: the content stays at its size
    ->Repetitions(3)
    ->ReportAggregatesOnly()
    ->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
