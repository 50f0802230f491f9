// The whole run on generated four-tool prints and on the real files:
// throughput next to a plain chunked copy of the same file, the share of time
// spent deciding lifts and rewrites, the searches along every travel through
// the index and walking every layer and segment, and per shape of print
// (rising layers, a spiral, objects one after another, heights falling) the
// growth of the time over two doublings and the peak memory per stored
// vertex. Files named on the command line (made with gen_corpus, say) get
// the same figures.
#include "bench_support.hpp"

#include <cstdio>
#include <filesystem>
#include <map>
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

void wholeRun(benchmark::State& state, const std::string& path)
{
    const std::string output = scratchFile("print-out.gcode");
    LoopFigures figures;
    for (auto _ : state)
        figures = processFile(path, output);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fileSize(path)));
    state.counters["rewrite_share"] = 1 - processFile(path, output, false).seconds / figures.seconds;
    state.counters["lifts"] = static_cast<double>(figures.lifts);
}

// A whole run, drawing the report page as --report does or not.
void reportedRun(benchmark::State& state, const std::string& path, bool report)
{
    const std::string output = scratchFile("print-out.gcode");
    LoopFigures figures;
    for (auto _ : state)
        figures = processFile(path, output, true, report);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fileSize(path)));
    state.counters["page_MiB"] = static_cast<double>(figures.reportBytes) / (1 << 20);
}

CorpusOptions withLayers(int layers)
{
    CorpusOptions options;
    options.layers = layers;
    return options;
}

// A shape of print, at three sizes, each twice the one before.
struct Shape {
    std::string name;
    std::string unit; // what doubles
    int sizes[3];
    CorpusOptions (*options)(int size);
};

// A new height at every draw, rising or falling.
CorpusOptions spiralOf(int layers, bool descending)
{
    CorpusOptions options = withLayers(layers);
    options.spiral = true;
    options.descending = descending;
    return options;
}

const Shape SHAPES[] = {
    {"layers", "layers", {250, 500, 1000}, [](int layers) { return withLayers(layers); }},
    {"spiral", "layers", {200, 400, 800}, [](int layers) { return spiralOf(layers, false); }},
    {"objects",
     "objects",
     {16, 32, 64},
     [](int objects) {
         CorpusOptions options = withLayers(300);
         options.objectSize_MM = 10;
         options.objects = objects;
         return options;
     }},
    {"descending", "layers", {50, 100, 200}, [](int layers) { return spiralOf(layers, true); }},
};

std::string shapeFile(const Shape& shape, int size)
{
    return corpusFile("print-" + shape.name + "-" + std::to_string(size) + ".gcode", shape.options(size));
}

std::string shapeRunName(const Shape& shape, int size)
{
    return "shape/" + shape.name + "/" + std::to_string(size) + "_" + shape.unit;
}

struct MemoryFigures {
    std::uint64_t peak = 0;
    LoopFigures loop;
};

// Peak memory of a whole run in a child process, and what it stored.
MemoryFigures memoryOf(const std::string& path)
{
    MemoryFigures figures;
    figures.peak = peakMemoryOf([&] { processFile(path, scratchFile("print-out.gcode")); });
    figures.loop = processFile(path, scratchFile("print-out.gcode"));
    return figures;
}

// How much faster the index finds the crossings of every travel than the
// plain walk, and what the run spends on lift decisions and rewrites.
void compareSearchesOf(const std::string& path)
{
    // A first run brings the file into the page cache, so both timed runs
    // read it alike.
    processFile(path, scratchFile("print-out.gcode"));
    const LoopFigures run = processFileTimingRewrites(path, scratchFile("print-out.gcode"));
    const SearchFigures searches = compareSearches(path);
    std::printf("\n%s: %.1f MiB, %llu stored vertices, whole run %.3f s, lift decisions and rewrites %.3f s (%.1f %%), "
                "%llu lifted travels\n",
                path.c_str(), static_cast<double>(fileSize(path)) / (1 << 20),
                static_cast<unsigned long long>(run.storedVertices), run.seconds, run.rewriteSeconds,
                100.0 * run.rewriteSeconds / run.seconds, static_cast<unsigned long long>(run.lifts));
    std::printf("crossings along %llu travels (other tools' perimeters and solids in the lift's window, %llu found): "
                "%.3f s through the index, %.3f s walking every layer and segment: %.1f times faster\n",
                static_cast<unsigned long long>(searches.travels), static_cast<unsigned long long>(searches.crossings),
                searches.indexedSeconds, searches.walkedSeconds, searches.walkedSeconds / searches.indexedSeconds);
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

    // Memory first, while this process is still small: each measured run is a
    // child of it and starts with its pages. The empty file gives the
    // program's fixed buffers, which every run has whatever it stores.
    const std::string empty = scratchFile("print-empty.gcode");
    std::fclose(std::fopen(empty.c_str(), "wb"));
    const std::uint64_t fixedPeak = memoryOf(empty).peak;
    std::vector<MemoryFigures> shapeMemory;
    for (const Shape& shape : SHAPES)
        shapeMemory.push_back(memoryOf(shapeFile(shape, shape.sizes[2])));

    benchmark::RegisterBenchmark("copy/1000_layers", copyRun, big)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->MinTime(1);
    for (const Shape& shape : SHAPES)
        for (const int size : shape.sizes)
            benchmark::RegisterBenchmark(shapeRunName(shape, size).c_str(), wholeRun, shapeFile(shape, size))
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime()
                ->MinTime(0.5);
    for (const bool report : {false, true})
        benchmark::RegisterBenchmark(report ? "report/with" : "report/without", reportedRun, big, report)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->MinTime(3);
    std::error_code absent;
    for (const auto& entry : std::filesystem::directory_iterator(VORLANE_REAL_GCODE, absent)) {
        if (entry.path().filename().string().find("4tool") == std::string::npos) continue;
        const std::string name = entry.path().stem().string();
        benchmark::RegisterBenchmark(("real/" + name).c_str(), wholeRun, entry.path().string())
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Iterations(10);
    }
    std::map<std::string, double> cpuSeconds;
    const std::map<std::string, double> seconds = runBenchmarks(argc, argv, &cpuSeconds);
    // Names as registered; the library adds what it ran them with.
    const auto timeIn = [](const std::map<std::string, double>& times, const std::string& name) {
        for (const auto& [run, s] : times)
            if (run == name || run.starts_with(name + "/")) return s;
        return 0.0;
    };
    const auto time = [&](const std::string& name) { return timeIn(seconds, name); };

    const double copy = time("copy/1000_layers");
    const double indexed = time(shapeRunName(SHAPES[0], layers));
    std::printf("\n%s: %.1f MiB, %d layers, 4 tools\n", big.c_str(), static_cast<double>(fileSize(big)) / (1 << 20),
                layers);
    if (indexed > 0 && copy > 0) std::printf("whole run: %.3f of the plain copy's throughput\n", copy / indexed);

    // Per shape: growth over two doublings, and memory beyond the fixed
    // buffers against 16 bytes a stored vertex and 64 a stored layer.
    std::printf("\nfixed buffers (peak on an empty file): %.1f MiB\n", static_cast<double>(fixedPeak) / (1 << 20));
    std::printf("%-11s %24s %17s %11s %17s %11s %8s %9s %9s %8s %7s\n", "shape", "sizes", "real ms", "growth", "cpu ms",
                "growth", "MiB", "vertices", "layers", "B/vertex", "budget");
    for (std::size_t k = 0; k < std::size(SHAPES); ++k) {
        const Shape& shape = SHAPES[k];
        double real[3], cpu[3];
        for (int i = 0; i < 3; ++i) {
            real[i] = timeIn(seconds, shapeRunName(shape, shape.sizes[i]));
            cpu[i] = timeIn(cpuSeconds, shapeRunName(shape, shape.sizes[i]));
        }
        const auto times = [](const double* t) {
            char text[64];
            std::snprintf(text, sizeof text, "%.0f/%.0f/%.0f", t[0] * 1e3, t[1] * 1e3, t[2] * 1e3);
            return std::string(text);
        };
        const auto growth = [](const double* t) {
            char text[32];
            std::snprintf(text, sizeof text, "%.2f %.2f", t[0] > 0 ? t[1] / t[0] : 0.0, t[1] > 0 ? t[2] / t[1] : 0.0);
            return std::string(text);
        };
        const MemoryFigures& memory = shapeMemory[k];
        const double net = static_cast<double>(memory.peak) - static_cast<double>(fixedPeak);
        const double vertices = static_cast<double>(memory.loop.storedVertices);
        const double storedLayers = static_cast<double>(memory.loop.storedLayers);
        char sizes[64];
        std::snprintf(sizes, sizeof sizes, "%d/%d/%d %s", shape.sizes[0], shape.sizes[1], shape.sizes[2],
                      shape.unit.c_str());
        std::printf("%-11s %24s %17s %11s %17s %11s %8.1f %9.0f %9.0f %8.1f %7.2f\n", shape.name.c_str(), sizes,
                    times(real).c_str(), growth(real).c_str(), times(cpu).c_str(), growth(cpu).c_str(), net / (1 << 20),
                    vertices, storedLayers, vertices > 0 ? net / vertices : 0.0,
                    net / (16 * vertices + 64 * storedLayers));
    }
    std::printf("(growth: time of each size over the one before; B/vertex and budget: peak memory beyond the fixed "
                "buffers on the largest size, per stored vertex and as a share of 16 bytes a vertex plus 64 a "
                "layer)\n\n");

    // What --report adds to a whole run: the crossings counted for it, and
    // the page drawn and written.
    const double with = time("report/with"), without = time("report/without");
    if (with > 0 && without > 0)
        std::printf("with --report: %.0f ms against %.0f ms, %+.1f %%\n", with * 1e3, without * 1e3,
                    100 * (with / without - 1));
    compareSearchesOf(big);
    for (const std::string& path : givenFiles)
        compareSearchesOf(path);
}
