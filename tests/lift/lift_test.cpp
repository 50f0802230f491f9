// Lifted travels end to end: every fixture under data/lift goes through the
// real executable and must come out exactly as its .expected file says, and
// the output checker holds on every result: each input line is copied in order
// or its replacement announced, and each lifted travel comes back down to the
// travel's Z and restores its feed rate.
#include "support.hpp"
#include "testing/output_checker.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace vorlane::test {
namespace {

std::vector<std::string> splitLines(std::string_view text)
{
    std::vector<std::string> result;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        result.emplace_back(line);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    return result;
}

// ---------------------------------------------------------------------------
// The fixtures.

const std::string fixtureFolder = std::string(VORLANE_TEST_DATA) + "/lift";

std::vector<std::string> fixtureNames()
{
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(fixtureFolder, error))
        if (entry.path().extension() == ".gcode") names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

class LiftFixture : public testing::TestWithParam<std::string> {};

// Fixtures whose rule holds under a setting given here rather than in their
// first comment, so that their input stays what the former program read:
// the shortest travel the lift took before.
std::vector<std::string> optionsOf(const std::string& name, const std::string& gcode)
{
    std::vector<std::string> options = fixtureOptions(gcode);
    if (name == "travel_length_threshold") options.emplace_back("--lift-min-travel=2");
    return options;
}

TEST_P(LiftFixture, ComesOutExactlyAsExpected)
{
    const std::string name = GetParam();
    const std::string gcode = readFile(fixtureFolder + "/" + name + ".gcode");
    const std::string expected = readFile(fixtureFolder + "/" + name + ".expected");
    ASSERT_TRUE(gcode.starts_with("; ")) << "a fixture begins with a comment line saying what it exercises";
    ASSERT_FALSE(expected.empty()) << "every fixture has its expected output beside it";
    const std::string output = processWithExecutable(gcode, nullptr, optionsOf(name, gcode));
    EXPECT_EQ(output, expected) << name << ": the output differs from the hand-derived expected text";
    const std::vector<std::string> problems = checkOutput(gcode, output);
    EXPECT_TRUE(problems.empty()) << name << ":\n" << joined(problems);
}

INSTANTIATE_TEST_SUITE_P(Lift, LiftFixture, testing::ValuesIn(fixtureNames()),
                         [](const testing::TestParamInfo<std::string>& info) { return info.param; });

TEST(LiftFixtures, AreAllThere)
{
    // An empty or missing folder would make the fixture tests vanish silently.
    const std::vector<std::string> names = fixtureNames();
    EXPECT_GE(names.size(), 20u) << "the lift fixtures are found under " << fixtureFolder;
    for (const char* name : {"worked_example", "band_then_gap", "own_past_deadline", "prime_pillar_wipable"})
        EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << name;
}

TEST(LiftFixtures, DebugConsoleReportsTheSkipOfOwnColourPastTheDeadline)
{
    const std::string gcode = readFile(fixtureFolder + "/own_past_deadline.gcode");
    const std::vector<std::string> in = splitLines(gcode);
    const auto travel = std::find(in.begin(), in.end(), "G1 X20 Y0 F9000");
    ASSERT_NE(travel, in.end());
    const std::string lineNo = std::to_string(travel - in.begin() + 1);
    RunResult run;
    processWithExecutable(gcode, &run, {"--classic-lift"});
    const std::string message =
        "line:" + lineNo + " min > max!! min - skipping!0.45 mx 0.400625 furthest lambda 0.5 move len 20\n";
    EXPECT_NE(run.out.find(message), std::string::npos)
        << "with --debug the skip names the line, min and max lambda, the furthest crossing and the move length:\n"
        << run.out;
    EXPECT_EQ(run.out.find("min > max!!"), run.out.rfind("min > max!!")) << "only that one travel is skipped so";
    processWithExecutable(gcode, &run);
    EXPECT_EQ(run.out.find("min > max"), std::string::npos) << "the steep rise skips nothing: the message is classic";
}

TEST(LiftFixtures, NoSkipMessageWithoutDebug)
{
    TempDir dir;
    const std::string input = dir.file("part.gcode");
    writeFile(input, readFile(fixtureFolder + "/own_past_deadline.gcode"));
    const RunResult run = runVorlane({"--classic-lift", input});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.find("min > max"), std::string::npos) << "the skip message is a debug message only";
}

} // namespace
} // namespace vorlane::test
