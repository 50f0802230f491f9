// How fast Vorlane passes a large file through, next to a plain chunked copy
// of the same file: the reader and output buffer alone, and the whole run.
#include "bench_support.hpp"

#include <cstdio>

using namespace vorlane::bench;

namespace {

std::string input;

void copyBenchmark(benchmark::State& state, void (*copy)(const std::string&, const std::string&))
{
    const std::string output = scratchFile("copy-out.gcode");
    for (auto _ : state)
        copy(input, output);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fileSize(input)));
}

void wholeRun(const std::string& from, const std::string& to) { processFile(from, to); }

} // namespace

int main(int argc, char** argv)
{
    // A 200 MiB four-tool print.
    input = corpusFile("copy-200mb.gcode", sizedCorpus({}, 200));
    std::printf("input: %s, %.1f MiB\n", input.c_str(), static_cast<double>(fileSize(input)) / (1 << 20));
    benchmark::RegisterBenchmark("plain_chunked_copy", copyBenchmark, plainChunkedCopy)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->MinTime(2);
    benchmark::RegisterBenchmark("vorlane_line_copy", copyBenchmark, lineCopy)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->MinTime(2);
    benchmark::RegisterBenchmark("vorlane_whole_run", copyBenchmark, wholeRun)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(3);
    const auto seconds = runBenchmarks(argc, argv);
    const double plain = seconds.at("plain_chunked_copy/min_time:2.000/real_time");
    for (const char* name : {"vorlane_line_copy/min_time:2.000/real_time", "vorlane_whole_run/iterations:3/real_time"})
        std::printf("%-45s %.3f of the plain copy's throughput\n", name, plain / seconds.at(name));
}
