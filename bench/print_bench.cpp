// The whole run on generated four-tool prints and on the real files, with the
// searches through the index and walking every layer and segment: throughput
// next to a plain chunked copy of the same file, the share of time spent
// deciding lifts and rewrites, growth with the number of layers, peak memory
// and bytes per stored vertex. Files named on the command line (made with
// gen_corpus, say) are run both ways too.
#include "bench_support.hpp"

#include <cstdio>
#include <filesystem>
#include <string_view>
#include <vector>

using namespace vorlane::bench;

namespace {

void copyRun(benchmark::State& state, const std::string& path)
{
    const std::string output = scratchFile("print-copy.gcode");
    for (auto _ : state)
        plainChunkedCopy(path, output);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fileSize(path)));
}

void wholeRun(benchmark::State& state, const std::string& path, bool plainWalk)
{
    const std::string output = scratchFile("print-out.gcode");
    LoopFigures figures;
    for (auto _ : state)
        figures = processFile(path, output, plainWalk);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fileSize(path)));
    state.counters["rewrite_share"] = figures.rewriteSeconds / figures.seconds;
    state.counters["lifts"] = static_cast<double>(figures.lifts);
}

CorpusOptions withLayers(int layers)
{
    CorpusOptions options;
    options.layers = layers;
    return options;
}

// The most the index could gain over the plain walk: the walk's run against
// the indexed run with its lift decisions and rewrites taken as free. Reading,
// parsing, collecting and writing the file are left, and no search can make
// them faster.
double mostGainOf(const LoopFigures& indexed, const LoopFigures& walked)
{
    return walked.seconds / (indexed.seconds - indexed.rewriteSeconds);
}

// The run both ways on a file given on the command line: how much faster the
// index is, and the most it could be with searches that cost nothing.
void compareWalks(const std::string& path)
{
    // A first run brings the file into the page cache, so both timed runs
    // read it alike.
    processFile(path, scratchFile("print-out.gcode"));
    const LoopFigures indexed = processFile(path, scratchFile("print-out.gcode"));
    const LoopFigures walked = processFile(path, scratchFile("print-out.gcode"), true);
    std::printf("\n%s: %.1f MiB, %llu stored vertices\n", path.c_str(), static_cast<double>(fileSize(path)) / (1 << 20),
                static_cast<unsigned long long>(indexed.storedVertices));
    std::printf("whole run %.3f s with the index, %.3f s walking: %.1f times faster; lift decisions and rewrites "
                "%.3f s and %.3f s\n",
                indexed.seconds, walked.seconds, walked.seconds / indexed.seconds, indexed.rewriteSeconds,
                walked.rewriteSeconds);
    std::printf("at most %.1f times faster even with searches that cost nothing\n", mostGainOf(indexed, walked));
}

} // namespace

int main(int argc, char** argv)
{
    // Arguments not meant for the benchmark library are files to compare.
    std::vector<std::string> givenFiles;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]).starts_with("--"))
            argv[kept++] = argv[i];
        else
            givenFiles.emplace_back(argv[i]);
    }
    argc = kept;
    for (const std::string& path : givenFiles) {
        std::error_code error;
        if (!std::filesystem::is_regular_file(path, error)) {
            std::fprintf(stderr, "bench_print: '%s' is not a regular file\n", path.c_str());
            return 1;
        }
    }

    const int layers = 1000;
    const std::string big = corpusFile("print-4tool-1000.gcode", withLayers(layers));
    const std::string half = corpusFile("print-4tool-500.gcode", withLayers(layers / 2));
    const std::string quarter = corpusFile("print-4tool-250.gcode", withLayers(layers / 4));

    benchmark::RegisterBenchmark("copy/1000_layers", copyRun, big)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->MinTime(1);
    benchmark::RegisterBenchmark("indexed/250_layers", wholeRun, quarter, false)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(3);
    benchmark::RegisterBenchmark("indexed/500_layers", wholeRun, half, false)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(3);
    benchmark::RegisterBenchmark("indexed/1000_layers", wholeRun, big, false)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(3);
    benchmark::RegisterBenchmark("plain/1000_layers", wholeRun, big, true)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(1);
    std::error_code absent;
    for (const auto& entry : std::filesystem::directory_iterator(VORLANE_REAL_GCODE, absent)) {
        if (entry.path().filename().string().find("4tool") == std::string::npos) continue;
        const std::string name = entry.path().stem().string();
        benchmark::RegisterBenchmark(("indexed/" + name).c_str(), wholeRun, entry.path().string(), false)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Iterations(10);
        benchmark::RegisterBenchmark(("plain/" + name).c_str(), wholeRun, entry.path().string(), true)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Iterations(10);
    }
    auto seconds = runBenchmarks(argc, argv);
    const auto time = [&](const std::string& prefix) {
        for (const auto& [name, s] : seconds)
            if (name.starts_with(prefix + "/")) return s;
        return 0.0;
    };

    const double copy = time("copy/1000_layers"), indexed = time("indexed/1000_layers"),
                 plain = time("plain/1000_layers");
    std::printf("\n%s: %.1f MiB, %d layers, 4 tools\n", big.c_str(), static_cast<double>(fileSize(big)) / (1 << 20),
                layers);
    if (indexed > 0 && copy > 0)
        std::printf("whole run (index):      %.3f of the plain copy's throughput\n", copy / indexed);
    if (indexed > 0 && plain > 0)
        std::printf("whole run (plain walk): %.3f of the plain copy's throughput; the index is %.1f times faster\n",
                    copy / plain, plain / indexed);
    const double t250 = time("indexed/250_layers"), t500 = time("indexed/500_layers");
    if (t250 > 0 && t500 > 0 && indexed > 0)
        std::printf("growth: 500/250 layers %.2f, 1000/500 layers %.2f times the time\n", t500 / t250, indexed / t500);

    const std::uint64_t peak = peakMemoryOf([&] { processFile(big, scratchFile("print-out.gcode")); });
    const LoopFigures figures = processFile(big, scratchFile("print-out.gcode"));
    const LoopFigures walked = processFile(big, scratchFile("print-out.gcode"), true);
    std::printf("lift decisions and rewrites: %.3f s (%.1f %% of the run) with the index, %.3f s (%.1f %%) walking "
                "everything: %.1f times faster; %llu lifted travels\n",
                figures.rewriteSeconds, 100.0 * figures.rewriteSeconds / figures.seconds, walked.rewriteSeconds,
                100.0 * walked.rewriteSeconds / walked.seconds, walked.rewriteSeconds / figures.rewriteSeconds,
                static_cast<unsigned long long>(figures.lifts));
    std::printf("at most %.1f times faster than the plain walk even with searches that cost nothing: the run "
                "without lift decisions and rewrites takes %.3f s\n",
                mostGainOf(figures, walked), figures.seconds - figures.rewriteSeconds);
    std::printf("peak memory %.1f MiB for %llu stored vertices: %.1f bytes per stored vertex\n",
                static_cast<double>(peak) / (1 << 20), static_cast<unsigned long long>(figures.storedVertices),
                static_cast<double>(peak) / static_cast<double>(figures.storedVertices));
    for (const std::string& path : givenFiles)
        compareWalks(path);
}
