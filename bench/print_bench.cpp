// The whole run on a large generated four-tool print and on the real files:
// throughput, the share of time spent deciding lifts and rewrites, peak
// memory and bytes per stored vertex.
#include "bench_support.hpp"

#include <cstdio>
#include <filesystem>

using namespace vorlane::bench;

namespace {

struct Input {
    std::string name;
    std::string path;
};
std::vector<Input> inputs;

void wholeRun(benchmark::State& state, const std::string& path)
{
    const std::string output = scratchFile("print-out.gcode");
    LoopFigures figures;
    for (auto _ : state) figures = processFile(path, output);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fileSize(path)));
    state.counters["rewrite_share"] = figures.rewriteSeconds / figures.seconds;
    state.counters["lifts"] = static_cast<double>(figures.lifts);
}

} // namespace

int main(int argc, char** argv)
{
    const std::string big = corpusFile("print-4tool-100mb.gcode", sizedCorpus({}, 100));
    inputs.push_back({"generated_4tool_100mb", big});
    std::error_code absent;
    for (const auto& entry : std::filesystem::directory_iterator(VORLANE_REAL_GCODE, absent))
        if (entry.path().filename().string().find("4tool") != std::string::npos)
            inputs.push_back({entry.path().stem().string(), entry.path().string()});
    for (const Input& input : inputs)
        benchmark::RegisterBenchmark(input.name.c_str(), wholeRun, input.path)
            ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(input.path == big ? 2 : 10);
    runBenchmarks(argc, argv);

    LoopFigures figures;
    const std::uint64_t peak = peakMemoryOf([&] { figures = processFile(big, scratchFile("print-out.gcode")); });
    const LoopFigures counted = processFile(big, scratchFile("print-out.gcode"));
    std::printf("%s: %.1f MiB, %llu stored vertices, peak memory %.1f MiB, %.1f bytes per stored vertex\n",
                big.c_str(), static_cast<double>(fileSize(big)) / (1 << 20),
                static_cast<unsigned long long>(counted.storedVertices), static_cast<double>(peak) / (1 << 20),
                static_cast<double>(peak) / static_cast<double>(counted.storedVertices));
}
