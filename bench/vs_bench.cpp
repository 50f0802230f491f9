// The whole program against an older build of it, each run as a child
// process on a fresh copy of the same print: the user CPU time of a plain run
// of each, and of the current program with --report, in pairs whose order
// alternates, so that a machine growing busier or quieter weighs on both
// alike. Before timing, both programs' results are compared byte for byte.
// User CPU time is what other work on a shared machine disturbs least.
#include "bench_support.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <string>
#include <string_view>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace vorlane::bench {
namespace {

// The last two lines of every result say how long the run took; they are
// the only bytes two programs doing the same work may differ in.
constexpr std::string_view TIMING_LINES[] = {"; Lua Postproc took", "; D   Postproc took"};

// A run of `program` (with `option`, if any) on a fresh copy of `input` at
// `scratch`; the child's user CPU time in seconds. Vorlane replaces the file
// it is given, so every run needs its own copy. Exits if the run fails.
double runOn(const std::string& program, const char* option, const std::string& input, const std::string& scratch)
{
    std::filesystem::copy_file(input, scratch, std::filesystem::copy_options::overwrite_existing);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (const int fd : {0, 1, 2})
        posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    if (option) argv.push_back(const_cast<char*>(option));
    argv.push_back(const_cast<char*>(scratch.c_str()));
    argv.push_back(nullptr);
    pid_t child = 0;
    const int error = posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    struct rusage usage {};
    if (error != 0 || wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "bench_vs: %s%s%s on a copy of the print: %s\n", program.c_str(), option ? " " : "",
                     option ? option : "", error != 0 ? "could not be started" : "exit status not 0");
        std::exit(1);
    }
    return static_cast<double>(usage.ru_utime.tv_sec) + static_cast<double>(usage.ru_utime.tv_usec) / 1e6;
}

std::string contentOf(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The result less its closing timing lines; empty if they are not there.
std::string_view withoutTimingLines(std::string_view text)
{
    std::size_t end = text.size();
    for (auto name = std::rbegin(TIMING_LINES); name != std::rend(TIMING_LINES); ++name) {
        if (end < 2) return {};
        const std::size_t start = text.rfind('\n', end - 2);
        const std::size_t lineStart = start == std::string_view::npos ? 0 : start + 1;
        if (!text.substr(lineStart, end - lineStart).starts_with(*name)) return {};
        end = lineStart;
    }
    return text.substr(0, end);
}

// Whether the two results are the same apart from their timing lines; says
// where they first differ if they are not.
bool sameResults(const std::string& baselineResult, const std::string& currentResult)
{
    const std::string baselineText = contentOf(baselineResult), currentText = contentOf(currentResult);
    const std::string_view baseline = withoutTimingLines(baselineText), current = withoutTimingLines(currentText);
    if (baseline.empty() || current.empty()) {
        std::printf("results: a result does not end with the two timing lines\n");
        return false;
    }
    const auto [at, _] = std::mismatch(baseline.begin(), baseline.end(), current.begin(), current.end());
    if (at == baseline.end() && baseline.size() == current.size()) {
        std::printf("results: byte for byte the same apart from the timing lines (%zu bytes)\n", baseline.size());
        return true;
    }
    const auto offset = static_cast<std::size_t>(at - baseline.begin());
    std::printf("results: DIFFERENT, first at line %zu (byte %zu; %zu against %zu bytes)\n",
                static_cast<std::size_t>(std::count(baseline.begin(), at, '\n')) + 1, offset, baseline.size(),
                current.size());
    return false;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

int usage()
{
    std::fputs("usage: bench_vs --baseline PATH [--program PATH] [--pairs N] [FILE.gcode]\n"
               "  --baseline PATH  the older vorlane program to compare with\n"
               "  --program PATH   the current one (default: the vorlane of this build)\n"
               "  --pairs N        pairs of timed runs (default 9)\n"
               "  FILE.gcode       the print to run them on (default: the generated four-tool\n"
               "                   print of 1,000 layers that bench_print uses)\n",
               stderr);
    return 2;
}

int run(int argc, char** argv)
{
    std::string baseline, program = VORLANE_PROGRAM, input;
    int pairs = 9;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool valued = arg == "--baseline" || arg == "--program" || arg == "--pairs";
        if (valued && i + 1 == argc) return usage();
        if (arg == "--baseline")
            baseline = argv[++i];
        else if (arg == "--program")
            program = argv[++i];
        else if (arg == "--pairs")
            pairs = std::atoi(argv[++i]);
        else if (!arg.starts_with("--") && input.empty())
            input = argv[i];
        else
            return usage();
    }
    if (baseline.empty() || pairs < 1) return usage();
    for (const std::string& path : {baseline, program})
        if (access(path.c_str(), X_OK) != 0) {
            std::fprintf(stderr, "bench_vs: '%s' is not a program that can be run\n", path.c_str());
            return 1;
        }
    if (input.empty()) {
        CorpusOptions options;
        options.layers = 1000;
        input = corpusFile("print-4tool-1000.gcode", options);
    } else if (std::error_code error; !std::filesystem::is_regular_file(input, error)) {
        std::fprintf(stderr, "bench_vs: '%s' is not a regular file\n", input.c_str());
        return 1;
    }
    const std::string scratch = scratchFile("vs-run.gcode"), kept = scratchFile("vs-baseline-result.gcode");
    std::printf("print: %s, %.1f MiB\nbaseline: %s\ncurrent:  %s\n", input.c_str(),
                static_cast<double>(fileSize(input)) / (1 << 20), baseline.c_str(), program.c_str());

    // One untimed run of each, which also brings the programs and the print
    // into memory, gives the results to compare.
    runOn(baseline, nullptr, input, scratch);
    std::filesystem::rename(scratch, kept);
    runOn(program, nullptr, input, scratch);
    const bool same = sameResults(kept, scratch);
    std::filesystem::remove(kept);

    std::vector<double> baselineTimes, currentTimes, reportTimes, currentRatios, reportRatios;
    std::printf("\n%4s %10s %10s %10s %9s %9s\n", "pair", "baseline", "current", "--report", "cur/base", "rep/cur");
    for (int pair = 1; pair <= pairs; ++pair) {
        // Odd pairs run the baseline first, even pairs the current program.
        double base = 0, current = 0;
        if (pair % 2) {
            base = runOn(baseline, nullptr, input, scratch);
            current = runOn(program, nullptr, input, scratch);
        } else {
            current = runOn(program, nullptr, input, scratch);
            base = runOn(baseline, nullptr, input, scratch);
        }
        const double report = runOn(program, "--report", input, scratch);
        std::filesystem::remove(scratch + ".html");
        baselineTimes.push_back(base);
        currentTimes.push_back(current);
        reportTimes.push_back(report);
        currentRatios.push_back(current / base);
        reportRatios.push_back(report / current);
        std::printf("%4d %9.3fs %9.3fs %9.3fs %9.3f %9.3f\n", pair, base, current, report, current / base,
                    report / current);
    }
    std::filesystem::remove(scratch);

    const double base = median(baselineTimes), current = median(currentTimes), report = median(reportTimes);
    std::printf("\nuser CPU time, median of %d runs each\n", pairs);
    std::printf("  baseline, plain        %8.3f s\n", base);
    std::printf("  current, plain         %8.3f s   %.3f of the baseline\n", current, current / base);
    std::printf("  current, --report      %8.3f s   %.3f of its plain run\n", report, report / current);
    // A pair's runs follow each other closely, so the pairs' own ratios
    // vary less than the medians when the machine's load changes.
    std::printf("median of the pairs' ratios: current/baseline %.3f, --report/current %.3f\n", median(currentRatios),
                median(reportRatios));
    std::printf("plain run within 1.03 of the baseline: %s; --report within 1.25 of the plain run: %s\n",
                current <= 1.03 * base ? "yes" : "NO", report <= 1.25 * current ? "yes" : "NO");
    return same ? 0 : 1;
}

} // namespace
} // namespace vorlane::bench

int main(int argc, char** argv) { return vorlane::bench::run(argc, argv); }
