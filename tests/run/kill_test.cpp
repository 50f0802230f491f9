// Killed at any moment, the program leaves the slicer's file as it was or the
// complete result in its place: it writes the result into a private file
// beside the input and, only once the result is whole on the disk, renames it
// over the input in one step. No other state may be seen.
#include "support.hpp"

#include "testing/corpus.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

namespace vorlane::test {
namespace {

using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

constexpr std::uint64_t MiB = std::uint64_t{1} << 20;

std::string generatePrint(CorpusOptions options, std::uint64_t bytes)
{
    options.layers = layersForSize(options, bytes);
    std::string text;
    text.reserve(bytes + bytes / 8);
    generateCorpus(options, [&](std::string_view piece) { text.append(piece); });
    return text;
}

// Takes `prefix`, then one or more digits and a line end, from the front of `text`.
bool takeTimingLine(std::string_view& text, std::string_view prefix)
{
    if (!text.starts_with(prefix)) return false;
    text.remove_prefix(prefix.size());
    const std::size_t digits = std::min(text.find_first_not_of("0123456789"), text.size());
    if (digits == 0 || digits == text.size() || text[digits] != '\n') return false;
    text.remove_prefix(digits + 1);
    return true;
}

// The whole result: the reference's lines, then the two timing lines, whose
// seconds may differ from run to run.
bool isCompleteResult(std::string_view text, std::string_view referenceBody)
{
    if (!text.starts_with(referenceBody)) return false;
    text.remove_prefix(referenceBody.size());
    return takeTimingLine(text, "; Lua Postproc took ") && takeTimingLine(text, "; D   Postproc took ") && text.empty();
}

TEST(Kill, KilledAnywhereTheInputIsIntactOrTheWholeResultStands)
{
    TempDir dir;
    const std::string input = dir.file("print.gcode");
    // What a killed run leaves beside the input: at most its private file.
    const auto privateFiles = [&] {
        int count = 0;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path))
            if (entry.path().filename().string().starts_with(".vorlane-")) ++count;
        return count;
    };
    CorpusOptions options;
    options.seed = 20240611;

    // How fast this build is: a sanitizer build is several times slower, so
    // the print is sized for a run of about a second in this build, at most
    // 56 MiB.
    constexpr double targetRunSeconds = 1.0;
    const std::string probe = generatePrint(options, 4 * MiB);
    writeFile(input, probe);
    const auto probeStart = Clock::now();
    const RunResult probeRun = runVorlane({input});
    const double probeSeconds = Seconds(Clock::now() - probeStart).count();
    ASSERT_EQ(probeRun.status, 0) << probeRun.err;
    const double wantedBytes = static_cast<double>(probe.size()) * targetRunSeconds / std::max(probeSeconds, 1e-3);
    const auto bytes = static_cast<std::uint64_t>(std::clamp(wantedBytes, 4.0 * MiB, 56.0 * MiB));

    // One uninterrupted run gives the duration and the reference result.
    const std::string original = generatePrint(options, bytes);
    writeFile(input, original);
    const auto runStart = Clock::now();
    const RunResult normal = runVorlane({input});
    const Seconds duration = Clock::now() - runStart;
    ASSERT_EQ(normal.status, 0) << normal.err;
    ASSERT_EQ(privateFiles(), 0);
    const std::string reference = readOutput(input);
    const std::size_t timingLines = reference.rfind("; Lua Postproc took ");
    ASSERT_NE(timingLines, std::string::npos);
    const std::string_view referenceBody = std::string_view(reference).substr(0, timingLines);
    ASSERT_TRUE(referenceBody.starts_with("; Vorlane v0024\n"));
    ASSERT_TRUE(isCompleteResult(reference, referenceBody));
    ASSERT_NE(reference, original);

    // Right after the start, a few milliseconds in, and at fractions of the
    // measured run, the last ones around its end, where the input is
    // replaced.
    std::vector<Seconds> killDelays = {Seconds(0), Seconds(0.002)};
    for (const double fraction : {0.1, 0.5, 0.9, 0.97, 1.0, 1.03, 1.1})
        killDelays.push_back(duration * fraction);

    int killedMidRun = 0;
    std::string trace = "print of " + std::to_string(original.size()) + " bytes, uninterrupted run " +
                        std::to_string(duration.count()) + " s";
    for (const Seconds delay : killDelays) {
        writeFile(input, original);
        for (const auto& entry : std::filesystem::directory_iterator(dir.path))
            if (entry.path().filename().string().starts_with(".vorlane-")) std::filesystem::remove(entry.path());
        Background run = startVorlane({input});
        std::this_thread::sleep_for(delay);
        const Ended ended = killAndWait(run);
        const bool killed = ended.killed;
        if (!killed) {
            EXPECT_EQ(ended.status, 0) << "a run that was not killed succeeds";
        }

        const std::string at = "kill after " + std::to_string(delay.count() * 1000) + " ms";
        trace += "\n  " + at + (killed ? ": killed, " : ": had finished, ");
        ASSERT_TRUE(exists(input)) << at << ": the input's name is never empty";
        const std::string now = readFile(input);
        if (now == original) {
            trace += "input intact";
            if (killed) ++killedMidRun;
        } else {
            trace += "result in place";
            EXPECT_TRUE(isCompleteResult(fromPlatformText(now), referenceBody))
                << at << ": the input's name holds neither the input nor the complete result (" << now.size()
                << " bytes)";
            EXPECT_EQ(privateFiles(), 0) << at << ": the result was moved, not copied, into place";
        }
    }
    EXPECT_GT(killedMidRun, 0) << "no kill landed while the program ran, so nothing was tested";
    RecordProperty("kills", trace);
    if (HasFailure()) ADD_FAILURE() << trace;
}

} // namespace
} // namespace vorlane::test
