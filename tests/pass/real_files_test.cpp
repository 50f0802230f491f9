// Every real Kisslicer file through the whole program, relative and absolute
// extrusion alike: every input line reaches the output in order unless a
// comment announced its replacement. The absolute twins of the relative
// files push the same filament, line for line, with every rewrite in place.
#include "support.hpp"
#include "testing/absolute_twin.hpp"
#include "testing/output_checker.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

namespace vorlane::test {
namespace {

std::vector<std::string_view> splitLines(std::string_view text)
{
    std::vector<std::string_view> result;
    for (std::size_t begin = 0; begin < text.size();) {
        std::size_t end = text.find('\n', begin);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(begin, end - begin);
        if (!line.empty() && line.back() == '\r' && end < text.size()) line.remove_suffix(1);
        result.push_back(line);
        begin = end + 1;
    }
    return result;
}

bool startsWithAny(std::string_view line, std::initializer_list<std::string_view> prefixes)
{
    for (const std::string_view p : prefixes)
        if (line.starts_with(p)) return true;
    return false;
}

// Empty when the output is the input with only announced changes: generated
// moves of a lifted travel stand right before "; original line:" and the
// travel; a draw rewrite runs from its header comment to the next copied line;
// fan restores and the bed line are recognised by their comments.
std::string checkAnnouncedChanges(std::string_view input, std::string_view output)
{
    const auto in = splitLines(input);
    const auto out = splitLines(output);
    std::size_t next = 0;
    bool inRewrite = false;
    int pendingMoves = 0;
    for (std::size_t o = 0; o < out.size(); ++o) {
        const std::string_view line = out[o];
        const std::string_view expected = next < in.size() ? in[next] : std::string_view("<end of input>");
        const std::size_t announce = line.find("original line:");
        if (announce != std::string_view::npos && line.starts_with(";")) {
            if (line.substr(announce + 14) != expected)
                return "line " + std::to_string(o + 1) + " announces a replacement of another line than " +
                       std::string(expected);
            ++next;
            pendingMoves = 0;
            continue;
        }
        if (line == expected) {
            if (pendingMoves > 0) return "generated moves before line " + std::to_string(o + 1) + " replace nothing";
            inRewrite = false;
            ++next;
            continue;
        }
        if (line.ends_with(" ; restore the fan in case tool change messed it up") && line.starts_with("M106 P"))
            continue;
        if (line.ends_with(" ; we use higher of the two materials' bed temps")) {
            ++next;
            continue;
        }
        if (startsWithAny(line, {"; Interface Crosses Main: ", "; TopInfill Crosses StackedInfilln: "})) {
            inRewrite = true;
            continue;
        }
        if (inRewrite && (line.empty() || startsWithAny(line, {"G1 X", "G1 F", "; found ", "; finish off - "})))
            continue;
        if (!inRewrite && line.starts_with("G1 ")) {
            ++pendingMoves;
            continue;
        }
        return "output line " + std::to_string(o + 1) + " '" + std::string(line.substr(0, 80)) +
               "' is neither the next input line '" + std::string(expected.substr(0, 80)) + "' nor announced";
    }
    if (next != in.size()) return "input lines from " + std::to_string(next + 1) + " on are missing";
    return {};
}

std::size_t count(std::string_view text, std::string_view what)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string_view::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

TEST(RealFiles, ProcessedWithOnlyAnnouncedChanges)
{
    const auto files = realGcodeFiles();
    if (files.empty()) GTEST_SKIP() << "the real Kisslicer files are not beside the project";
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        const std::string original = readFile(file);
        TempDir dir;
        const std::string input = dir.file("part.gcode");
        writeFile(input, original);
        const RunResult run = runVorlane({"--debug", input});
        {
            // Every setting given at its default changes no byte.
            const std::string plain = readOutput(input + "d");
            ASSERT_EQ(
                runVorlane({"--debug", "--fan-restore=tool", "--lift-height=0.5", "--lift-min-travel=0",
                            "--lift-feed=450", "--path-width=0.35", "--nozzle-tip=0.7", "--interface-depth=0.8",
                            "--interface-depth-same=0.25", "--infill-boost=1.25", "--infill-full-speed=10000", input})
                    .status,
                0);
            const auto withoutTimes = [](const std::string& text) { return text.substr(0, text.rfind("; Lua")); };
            EXPECT_TRUE(withoutTimes(readOutput(input + "d")) == withoutTimes(plain))
                << "the defaults given explicitly give the same bytes";
        }
        EXPECT_EQ(readFile(input), original) << "the input is never changed in debug mode";
        ASSERT_EQ(run.status, 0) << run.err;
        std::string output = readOutput(input + "d");
        ASSERT_TRUE(output.starts_with("; Vorlane v0024\n"));
        output.erase(0, output.find('\n') + 1);
        output.erase(output.rfind("; Vorlane summary: "));
        EXPECT_EQ(checkAnnouncedChanges(original, output), "");
        RecordProperty(std::filesystem::path(file).stem().string() + "_lifts",
                       static_cast<int>(count(output, "\n; original line:G1")));
    }
}

// The summary's counts are the rewrites the output holds, and its print time
// the estimate of the output less the input's, each found by the checker.
TEST(RealFiles, SummaryCountsWhatTheOutputHolds)
{
    const auto files = realGcodeFiles();
    if (files.empty()) GTEST_SKIP() << "the real Kisslicer files are not beside the project";
    for (const std::string& file : files) {
        const std::string original = readFile(file);
        SCOPED_TRACE(file);
        RunResult run;
        const std::string output = processWithExecutable(original, &run);
        const auto lines = static_cast<long long>(splitLines(original).size());
        EXPECT_EQ(run.summary, summaryLineFor(original, output, lines));
        RecordProperty(std::filesystem::path(file).stem().string() + "_summary", run.summary);
    }
}

TEST(RealFiles, FourToolFilesGetTheirRewrites)
{
    const auto files = realGcodeFiles();
    if (files.empty()) GTEST_SKIP() << "the real Kisslicer files are not beside the project";
    for (const std::string& file : files) {
        if (file.find("4tool") == std::string::npos) continue;
        SCOPED_TRACE(file);
        const std::string output = processWithExecutable(readFile(file));
        EXPECT_GT(count(output, "; TopInfill Crosses StackedInfilln: "), 100u) << "sparse infill over stacked infill";
        EXPECT_GT(count(output, " ; restore the fan in case tool change messed it up\n"), 0u);
        // These files already hop 0.5 mm over every long travel, so only the
        // few travels made at layer height are lifted.
        EXPECT_EQ(count(output, "\n; original line:G1 X"), count(output, "; TopInfill Crosses StackedInfilln: ") -
                                                               count(output, "; boosted TopInfill") +
                                                               count(output, " F450\nG1 F"))
            << "every announced replacement is a split sparse-infill line or a lifted travel";
    }
}

// The summary comment of a processed body: what was rewritten, counted.
std::string_view summaryOf(std::string_view output) { return output.substr(output.rfind("; Vorlane summary: ")); }

// Each draw and move pushes what its relative original pushes: equal, or one
// step of a float apart where the twin's decimal positions round otherwise.
void expectSameFilament(const std::vector<float>& twin, const std::vector<float>& original)
{
    ASSERT_EQ(twin.size(), original.size()) << "the same move lines carry E";
    std::size_t rounded = 0;
    for (std::size_t i = 0; i < twin.size(); ++i) {
        if (twin[i] == original[i]) continue;
        ++rounded;
        ASSERT_TRUE(std::nextafter(original[i], twin[i]) == twin[i])
            << "move " << i << " pushes " << twin[i] << " in the twin, " << original[i] << " in the original";
    }
    EXPECT_LT(rounded, twin.size() / 100 + 10) << "only a handful round differently";
}

TEST(RealFiles, AbsoluteTwinsPushTheSameFilamentWithEveryRewriteInPlace)
{
    std::vector<std::string> files{std::string(VORLANE_EXAMPLES) + "/two_colour_cube.gcode"};
    for (const std::string& file : realGcodeFiles())
        if (file.find("4tool") != std::string::npos || file.find("2matl") != std::string::npos) files.push_back(file);
    for (const std::string& file : files) {
        const std::string original = readFile(file);
        const std::string output = processWithExecutable(original);
        for (const TwinForm form : {TwinForm{true, false}, TwinForm{false, true}}) {
            SCOPED_TRACE(file + (form.m82 ? ", M83 made M82" : ", no M83, G92 E0 at every layer"));
            const std::string twin = absoluteTwin(original, form);
            const std::string twinOutput = processWithExecutable(twin);
            EXPECT_EQ(summaryOf(twinOutput), summaryOf(output)) << "the same rewrites";
            expectSameFilament(filamentPerMove(twinOutput), filamentPerMove(output));
            const std::vector<std::string> problems = checkOutput(twin, twinOutput, OutputForm::Body);
            EXPECT_TRUE(problems.empty()) << joined(problems);
        }
    }
}

} // namespace
} // namespace vorlane::test
