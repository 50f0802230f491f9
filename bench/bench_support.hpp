// What the benchmarks share: generated input files, the baseline copy, runs
// of the line loop over a file with its figures, and reporting.
#pragma once

#include "testing/corpus.hpp"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace vorlane::bench {

// The generated prints are the tests' as well.
using test::CorpusOptions;

// A generated print, written once into the build folder and reused.
std::string corpusFile(const std::string& name, const CorpusOptions& options);
// Layers for about `megabytes` MiB with these options.
CorpusOptions sizedCorpus(CorpusOptions options, double megabytes);

std::uint64_t fileSize(const std::string& name);

// The baseline: the file copied in 1 MiB chunks with read and write.
void plainChunkedCopy(const std::string& from, const std::string& to);

// The file through Vorlane's reader and output buffer, every line copied as
// it is (the copy machinery alone, no line table).
void lineCopy(const std::string& from, const std::string& to);

struct LoopFigures {
    double seconds = 0;
    // What lift decisions and draw rewrites add: the run less the same run
    // with them switched off (no travel lifted, no draw boosted).
    double rewriteSeconds = 0;
    std::uint64_t storedVertices = 0;
    std::uint64_t storedLayers = 0; // layer entries of all collections
    std::uint64_t lifts = 0;
    std::uint64_t reportBytes = 0;
};
// The whole line loop over the file, output to `to`, the lift decisions and
// rewrites on or off.
// With `report`, the report page is drawn as --report draws it (and the
// travels' crossings counted for it) and written to `to`.html, its bytes in
// reportBytes.
LoopFigures processFile(const std::string& from, const std::string& to, bool rewrites = true, bool report = false);
// The same, with rewriteSeconds found by a second run with them off.
LoopFigures processFileTimingRewrites(const std::string& from, const std::string& to);

// The searches along every travel of a run, through the index and walking
// every layer and segment: at each travel of the printing chapter, every
// segment of another tool's perimeters and solids in the lift's window (less
// than the lift height below the nozzle) is tested for a crossing, as the
// lift decision tests them.
struct SearchFigures {
    double indexedSeconds = 0;
    double walkedSeconds = 0;
    std::uint64_t travels = 0;
    std::uint64_t crossings = 0;
};
SearchFigures compareSearches(const std::string& from);

// Runs `work` in a child process; returns its peak resident memory in bytes.
std::uint64_t peakMemoryOf(const std::function<void()>& work);

// Runs the registered benchmarks, printing them as usual, and returns each
// run's real time per iteration in seconds by benchmark name; `cpuSeconds`
// gets the process's CPU time per iteration, which other work on a shared
// machine disturbs less.
std::map<std::string, double> runBenchmarks(int argc, char** argv, std::map<std::string, double>* cpuSeconds = nullptr);

// A scratch output file in the build folder.
std::string scratchFile(const std::string& name);

} // namespace vorlane::bench
