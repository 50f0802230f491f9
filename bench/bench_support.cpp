// Benchmark support: corpus files, copies and loop runs.
#include "bench_support.hpp"

#include "gcode/recognizers.hpp"
#include "pass/line_loop.hpp"
#include "run/files.hpp"
#include "testing/plain_walk.hpp"
#include "watch/watchers.hpp"

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vorlane::bench {

std::string scratchFile(const std::string& name)
{
    std::filesystem::create_directories(VORLANE_BENCH_DATA);
    return std::string(VORLANE_BENCH_DATA) + "/" + name;
}

std::string corpusFile(const std::string& name, const CorpusOptions& options)
{
    const std::string path = scratchFile(name);
    if (std::filesystem::exists(path)) return path;
    const std::string partial = path + ".partial";
    std::FILE* file = std::fopen(partial.c_str(), "wb");
    if (!file) throw std::runtime_error("cannot create " + partial);
    test::generateCorpus(options, [&](std::string_view bytes) {
        if (std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size())
            throw std::runtime_error("cannot write " + partial);
    });
    if (std::fclose(file) != 0) throw std::runtime_error("cannot write " + partial);
    std::filesystem::rename(partial, path);
    return path;
}

CorpusOptions sizedCorpus(CorpusOptions options, double megabytes)
{
    options.layers = test::layersForSize(options, static_cast<std::uint64_t>(megabytes * 1024 * 1024));
    return options;
}

std::uint64_t fileSize(const std::string& name) { return std::filesystem::file_size(name); }

void plainChunkedCopy(const std::string& from, const std::string& to)
{
    const int in = open(from.c_str(), O_RDONLY);
    const int out = open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char> chunk(std::size_t{1} << 20);
    for (ssize_t got; (got = read(in, chunk.data(), chunk.size())) > 0;)
        if (write(out, chunk.data(), static_cast<std::size_t>(got)) != got) throw std::runtime_error("write failed");
    close(in);
    close(out);
}

namespace {

// The output as a run writes it, into a private file beside `to`; it is not
// synced or kept (its destructor removes it): the figures are the pass's.
struct Output {
    OutputFile file;
    OutBuffer buffer;
    explicit Output(const std::string& to)
    {
        if (createProcessingFile(file, systemPlatform(), to, {}))
            throw std::runtime_error("cannot create beside " + to);
        buffer.text.reserve(buffer.drainAt + (std::size_t{64} << 10));
        buffer.drain = drainToFile;
        buffer.destination = &file;
    }
};

void openForBench(InputFile& in, const std::string& from)
{
    bool busy = false;
    if (openInput(in, systemPlatform(), from, busy) || busy) throw std::runtime_error("cannot open " + from);
}

} // namespace

void lineCopy(const std::string& from, const std::string& to)
{
    InputFile in;
    openForBench(in, from);
    Output out(to);
    std::string_view line;
    while (nextLine(in, line))
        writeLine(out.buffer, line);
    drainOut(out.buffer);
}

LoopFigures processFile(const std::string& from, const std::string& to, bool rewrites, bool report)
{
    const auto started = std::chrono::steady_clock::now();
    InputFile in;
    openForBench(in, from);
    Output out(to);
    Console console{std::fopen("/dev/null", "w"), std::fopen("/dev/null", "w"), std::fopen("/dev/null", "r")};
    LoopFigures figures;
    {
        LineLoop loop{out.buffer, console};
        loop.settings.noLift = loop.settings.noInterfaceBoost = loop.settings.noInfillBoost = !rewrites;
        RunWatchers watchers;
        listen(loop, watchers, false, report);
        std::string_view line;
        while (nextLine(in, line))
            processLine(loop, line);
        tellHeldDraws(loop);
        drainOut(out.buffer);
        if (report) {
            // Written beside the output, as a run writes it.
            std::FILE* html = std::fopen((to + ".html").c_str(), "wb");
            if (!html) throw std::runtime_error("cannot write " + to + ".html");
            for (const std::string_view piece : reportPage(watchers.report, {})) {
                std::fwrite(piece.data(), 1, piece.size(), html);
                figures.reportBytes += piece.size();
            }
            std::fclose(html);
        }
        figures.lifts = static_cast<std::uint64_t>(loop.results.liftedTravels);
        figures.storedVertices = storedVertexCount(loop.layers);
        figures.storedLayers = storedLayerCount(loop.layers);
    }
    std::fclose(console.out);
    std::fclose(console.err);
    std::fclose(console.in);
    figures.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return figures;
}

LoopFigures processFileTimingRewrites(const std::string& from, const std::string& to)
{
    LoopFigures figures = processFile(from, to);
    figures.rewriteSeconds = figures.seconds - processFile(from, to, false).seconds;
    return figures;
}

namespace {

// The crossings of the travel with the segments of one collection in the
// lift's window, found through the index or walking, and the time it took.
template <bool walking>
std::uint64_t crossingsAlong(const LayerCollection& layers, const TravelMove& travel, float liftHeight_MM,
                             SearchScratch& scratch, double& seconds)
{
    const auto started = std::chrono::steady_clock::now();
    const auto tooLow = [&](float z) { return !(travel.currentZ - z < liftHeight_MM); };
    const auto tooHigh = [](float) { return false; };
    SlotFilter otherTools;
    otherTools.tools &= static_cast<std::uint16_t>(~(1u << travel.currentTool));
    std::uint64_t crossings = 0;
    const auto visit = [&](const LayerEntry&, int, Vec2 prev, Vec2 vertex) {
        float lambda, dotProduct;
        if (crossesAt(travel.origin, travel.terminus, prev, vertex, travel.direction, lambda, dotProduct)) ++crossings;
    };
    if constexpr (walking)
        reference::walkEverySegment(layers, tooLow, tooHigh, otherTools, visit);
    else
        forEachSegmentInWindow(layers, searchQueryOf(travel.origin, travel.terminus), tooLow, tooHigh, otherTools,
                               scratch, visit);
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return crossings;
}

} // namespace

SearchFigures compareSearches(const std::string& from)
{
    InputFile in;
    openForBench(in, from);
    Output out(scratchFile("print-searches.gcode"));
    Console console{std::fopen("/dev/null", "w"), std::fopen("/dev/null", "w"), std::fopen("/dev/null", "r")};
    SearchFigures figures;
    {
        LineLoop loop{out.buffer, console};
        SearchScratch scratch;
        std::string_view line;
        while (nextLine(in, line)) {
            processLine(loop, line);
            const PrintState& s = loop.state;
            if (s.chapter != Chapter::Printing || !matches(pattern_G1, line) || s.move.pathType != PathType::XYMove ||
                s.currentTool < 0 || s.currentTool >= TOOL_SLOTS)
                continue;
            const Vec2 origin = moveOrigin(s.moves, s.move), terminus{s.moves.currentX, s.moves.currentY};
            const TravelMove travel{origin,           terminus,      normalized(terminus - origin),
                                    s.moves.currentZ, s.currentTool, s.moves.currentZ};
            ++figures.travels;
            for (const LayerCollection* layers : {&loop.layers.layerPerims, &loop.layers.layerSolids}) {
                const std::uint64_t indexed = crossingsAlong<false>(*layers, travel, loop.settings.liftHeight_MM,
                                                                    scratch, figures.indexedSeconds);
                if (indexed !=
                    crossingsAlong<true>(*layers, travel, loop.settings.liftHeight_MM, scratch, figures.walkedSeconds))
                    throw std::runtime_error("the index and the plain walk found different crossings in " + from);
                figures.crossings += indexed;
            }
        }
    }
    std::fclose(console.out);
    std::fclose(console.err);
    std::fclose(console.in);
    return figures;
}

std::uint64_t peakMemoryOf(const std::function<void()>& work)
{
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        work();
        _exit(0);
    }
    int status = 0;
    struct rusage usage {};
    wait4(child, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) throw std::runtime_error("measured run failed");
    return static_cast<std::uint64_t>(usage.ru_maxrss) * 1024;
}

namespace {

// Prints as the console reporter does and keeps each run's time.
struct KeepingReporter : benchmark::ConsoleReporter {
    std::map<std::string, double> secondsPerIteration;
    std::map<std::string, double> cpuSecondsPerIteration;
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration) {
                secondsPerIteration[run.benchmark_name()] =
                    run.real_accumulated_time / static_cast<double>(run.iterations);
                cpuSecondsPerIteration[run.benchmark_name()] =
                    run.cpu_accumulated_time / static_cast<double>(run.iterations);
            }
    }
};

} // namespace

std::map<std::string, double> runBenchmarks(int argc, char** argv, std::map<std::string, double>* cpuSeconds)
{
    benchmark::Initialize(&argc, argv);
    KeepingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    if (cpuSeconds) *cpuSeconds = reporter.cpuSecondsPerIteration;
    return reporter.secondsPerIteration;
}

} // namespace vorlane::bench
