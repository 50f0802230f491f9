// Benchmark support: corpus files, copies and loop runs.
#include "bench_support.hpp"

#include "run/files.hpp"
#include "state/line_loop.hpp"
#include "testing/plain_walk.hpp"

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

LoopFigures processFile(const std::string& from, const std::string& to, bool plainWalk, bool rewrites)
{
    const auto started = std::chrono::steady_clock::now();
    InputFile in;
    openForBench(in, from);
    Output out(to);
    Console console{std::fopen("/dev/null", "w"), std::fopen("/dev/null", "w"), std::fopen("/dev/null", "r")};
    LoopFigures figures;
    {
        LineLoop loop{{}, out.buffer, console, false, {}, {}, {}};
        reference::useWalk(loop.state.layers, plainWalk ? &reference::plainWalk : nullptr);
        loop.state.run.noLift = loop.state.run.noInterfaceBoost = loop.state.run.noInfillBoost = !rewrites;
        std::string_view line;
        while (nextLine(in, line)) {
            processLine(loop, line);
            if (!loop.state.writeTheLine && loop.state.move.pathType == PathType::XYMove) ++figures.lifts;
        }
        drainOut(out.buffer);
        figures.storedVertices = storedVertexCount(loop.state.layers);
        figures.storedLayers = storedLayerCount(loop.state.layers);
    }
    std::fclose(console.out);
    std::fclose(console.err);
    std::fclose(console.in);
    figures.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return figures;
}

LoopFigures processFileTimingRewrites(const std::string& from, const std::string& to, bool plainWalk)
{
    LoopFigures figures = processFile(from, to, plainWalk);
    figures.rewriteSeconds = figures.seconds - processFile(from, to, plainWalk, false).seconds;
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
