// Lifted travels end to end: every fixture under data/lift goes through the
// real executable and must come out exactly as its .expected file says, and an
// output checker holds on every result: each input line is copied in order or
// its replacement announced, and each lifted travel comes back down to the
// travel's Z and restores its feed rate.
#include "support.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
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

// printf's %g of the float widened to double: the text the writers must produce.
std::string g(float value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
    return text;
}

// The checker's own reading of a G1 line: a letter and a signed number, before
// any comment. Independent of the program's word scanner on purpose.
bool wordOf(std::string_view line, char letter, float& value)
{
    line = line.substr(0, line.find(';'));
    for (std::size_t i = 2; i < line.size(); ++i) {
        if (line[i] != letter) continue;
        const std::string rest(line.substr(i + 1));
        char* end = nullptr;
        const float v = std::strtof(rest.c_str(), &end);
        if (end == rest.c_str()) continue;
        value = v;
        return true;
    }
    return false;
}

bool isMoveLine(std::string_view line)
{
    return line.size() > 2 && line.starts_with("G1") && !std::isdigit(static_cast<unsigned char>(line[2]));
}

// Lines the program may add between copied ones: its own moves, fan restores,
// comments, and the empty line after a comment that announces a piece of a
// rewritten draw.
bool isInsertable(std::string_view line)
{
    return line.empty() || line.starts_with("G1 ") || line.starts_with("M106 P") || line.starts_with(";");
}

struct Position {
    float x = 0, y = 0, z = 0, f = 0;
};

// Checks one processed file against its input. Returns what is wrong, empty
// when all holds; counts the lifted travels it checked.
std::vector<std::string> checkOutput(std::string_view inputText, std::string_view outputText,
                                     int* liftedTravels = nullptr)
{
    const std::vector<std::string> in = splitLines(inputText);
    const std::vector<std::string> out = splitLines(outputText);
    std::vector<std::string> problems;
    Position at;
    std::size_t next = 0; // first output line not yet accounted for
    for (std::size_t i = 0; i < in.size(); ++i) {
        const std::string& line = in[i];
        const Position before = at;
        float e = 0;
        bool hasE = false;
        if (isMoveLine(line)) {
            wordOf(line, 'X', at.x);
            wordOf(line, 'Y', at.y);
            wordOf(line, 'Z', at.z);
            wordOf(line, 'F', at.f);
            hasE = wordOf(line, 'E', e);
        }
        const bool isTravel = isMoveLine(line) && (at.x != before.x || at.y != before.y) && !(hasE && e > 0);
        const std::string announcement = "original line:" + line;
        std::size_t k = next;
        const auto announces = [&](std::size_t j) {
            return j < out.size() && out[j].starts_with(";") && out[j].ends_with(announcement);
        };
        for (; k < out.size(); ++k) {
            if (announces(k)) break;
            // A lifted travel's own move to its end point may read like the travel.
            if (out[k] == line && !announces(k + 3)) break;
        }
        if (k == out.size()) {
            problems.push_back("input line " + std::to_string(i + 1) +
                               " is neither copied in order nor announced: " + line);
            return problems;
        }
        const bool announced = out[k] != line;
        for (std::size_t j = next; j < k; ++j) {
            float z = 0;
            if (!isInsertable(out[j]))
                problems.push_back("output line " + std::to_string(j + 1) +
                                   " is no line the program writes: " + out[j]);
            else if (out[j].starts_with("G1 ") && wordOf(out[j], 'Z', z) && !announced)
                problems.push_back("output line " + std::to_string(j + 1) +
                                   " moves Z outside an announced replacement: " + out[j]);
        }
        if (announced && isTravel) {
            if (liftedTravels) ++*liftedTravels;
            // A lifted travel: [XY move to the rise,] rise with Z, travel to the
            // end, down to the travel's Z, restore F, announcement.
            const std::string where = "lifted travel of input line " + std::to_string(i + 1) + " (" + line + "): ";
            const std::size_t blockSize = k - next;
            const auto lineBefore = [&](std::size_t back) { return k >= back ? out[k - back] : std::string(); };
            if (lineBefore(1) != "G1 F" + g(at.f))
                problems.push_back(where + "does not end by restoring the feed rate G1 F" + g(at.f));
            if (lineBefore(2) != "G1 Z" + g(at.z) + " F450")
                problems.push_back(where + "does not come back down to the travel's Z with G1 Z" + g(at.z) + " F450");
            if (lineBefore(3) != "G1 X" + g(at.x) + " Y" + g(at.y) + " F" + g(at.f))
                problems.push_back(where + "does not travel to the travel's end at its feed rate");
            float riseZ = 0;
            if (!lineBefore(4).starts_with("G1 X") || !wordOf(lineBefore(4), 'Z', riseZ) || !(riseZ > at.z))
                problems.push_back(where + "has no rising line above the travel's Z before the travel");
            if (blockSize < 4 || blockSize > 6)
                problems.push_back(where + "has " + std::to_string(blockSize) +
                                   " lines, not 4 or 5 (and a fan restore)");
        }
        next = k + 1;
    }
    for (std::size_t j = next; j < out.size(); ++j)
        if (!isInsertable(out[j]))
            problems.push_back("output line " + std::to_string(j + 1) + " follows the last input line: " + out[j]);
    return problems;
}

std::string joined(const std::vector<std::string>& problems)
{
    std::string text;
    for (const std::string& p : problems)
        text += p + "\n";
    return text;
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

TEST_P(LiftFixture, ComesOutExactlyAsExpected)
{
    const std::string name = GetParam();
    const std::string gcode = readFile(fixtureFolder + "/" + name + ".gcode");
    const std::string expected = readFile(fixtureFolder + "/" + name + ".expected");
    ASSERT_TRUE(gcode.starts_with("; ")) << "a fixture begins with a comment line saying what it exercises";
    ASSERT_FALSE(expected.empty()) << "every fixture has its expected output beside it";
    const std::string output = processWithExecutable(gcode);
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
    processWithExecutable(gcode, &run);
    const std::string message =
        "line:" + lineNo + " min > max!! min - skipping!0.45 mx 0.400625 furthest lambda 0.5 move len 20\n";
    EXPECT_NE(run.out.find(message), std::string::npos)
        << "with --debug the skip names the line, min and max lambda, the furthest crossing and the move length:\n"
        << run.out;
    EXPECT_EQ(run.out.find("min > max!!"), run.out.rfind("min > max!!")) << "only that one travel is skipped so";
}

TEST(LiftFixtures, NoSkipMessageWithoutDebug)
{
    TempDir dir;
    const std::string input = dir.file("part.gcode");
    writeFile(input, readFile(fixtureFolder + "/own_past_deadline.gcode"));
    const RunResult run = runVorlane({input});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.find("min > max"), std::string::npos) << "the skip message is a debug message only";
}

// ---------------------------------------------------------------------------
// The checker itself must catch what it is there for.

TEST(LiftChecker, CatchesBrokenOutputs)
{
    const std::string input = lines({"; *** Main G-code", "T1", "G1 Z1 F1000", "G1 X20 Y0 F9000", "M107"});
    const std::string good =
        lines({"; *** Main G-code", "T1", "M106 P1 S0 ; restore", "G1 Z1 F1000", "G1 X8.0125 Y0 Z1.5 F9000",
               "G1 X20 Y0 F9000", "G1 Z1 F450", "G1 F9000", "; original line:G1 X20 Y0 F9000", "M107"});
    EXPECT_TRUE(checkOutput(input, good).empty()) << joined(checkOutput(input, good));
    EXPECT_TRUE(checkOutput(input, input).empty()) << "an output that copies every line passes";

    struct Row {
        const char* broken;
        std::string output;
    };
    const Row rows[] = {
        {"no descent", lines({"; *** Main G-code", "T1", "G1 Z1 F1000", "G1 X8.0125 Y0 Z1.5 F9000", "G1 X20 Y0 F9000",
                              "G1 F9000", "; original line:G1 X20 Y0 F9000", "M107"})},
        {"descent to the wrong Z",
         lines({"; *** Main G-code", "T1", "G1 Z1 F1000", "G1 X8.0125 Y0 Z1.5 F9000", "G1 X20 Y0 F9000", "G1 Z1.5 F450",
                "G1 F9000", "; original line:G1 X20 Y0 F9000", "M107"})},
        {"no feed-rate restore", lines({"; *** Main G-code", "T1", "G1 Z1 F1000", "G1 X8.0125 Y0 Z1.5 F9000",
                                        "G1 X20 Y0 F9000", "G1 Z1 F450", "; original line:G1 X20 Y0 F9000", "M107"})},
        {"restore of the vertical feed rate",
         lines({"; *** Main G-code", "T1", "G1 Z1 F1000", "G1 X8.0125 Y0 Z1.5 F9000", "G1 X20 Y0 F9000", "G1 Z1 F450",
                "G1 F450", "; original line:G1 X20 Y0 F9000", "M107"})},
        {"no rise", lines({"; *** Main G-code", "T1", "G1 Z1 F1000", "G1 X8.0125 Y0 F9000", "G1 X20 Y0 F9000",
                           "G1 Z1 F450", "G1 F9000", "; original line:G1 X20 Y0 F9000", "M107"})},
        {"a dropped line", lines({"; *** Main G-code", "G1 Z1 F1000", "G1 X20 Y0 F9000", "M107"})},
        {"lines out of order", lines({"; *** Main G-code", "G1 Z1 F1000", "T1", "G1 X20 Y0 F9000", "M107"})},
        {"an unannounced replacement", lines({"; *** Main G-code", "T1", "G1 Z1 F1000", "G1 X8.0125 Y0 Z1.5 F9000",
                                              "G1 X20 Y0 F9000", "G1 Z1 F450", "G1 F9000", "M107"})},
        {"a stray line", lines({"; *** Main G-code", "T1", "G1 Z1 F1000", "G1 X20 Y0 F9000", "M107", "M84"})},
    };
    for (const Row& row : rows)
        EXPECT_FALSE(checkOutput(input, row.output).empty()) << "the checker misses " << row.broken;
}

TEST(LiftChecker, HoldsOnRealFiles)
{
    const std::vector<std::string> files = realGcodeFiles();
    if (files.empty()) GTEST_SKIP() << "the real Kisslicer files are not here";
    int lifted = 0;
    for (const std::string& file : files) {
        TempDir dir;
        const std::string input = dir.file("real.gcode");
        const std::string text = readFile(file);
        writeFile(input, text);
        const RunResult run = runVorlane({"--debug", input});
        // Files the program refuses (absolute extrusion) are another test's business.
        if (run.status != 0) continue;
        std::string output = readFile(input + "d");
        // Less the header line and the two timing lines.
        output.erase(0, output.find('\n') + 1);
        for (int timing = 0; timing < 2; ++timing)
            output.erase(output.rfind('\n', output.size() - 2) + 1);
        const std::vector<std::string> problems = checkOutput(text, output, &lifted);
        EXPECT_TRUE(problems.empty()) << file << ":\n" << joined(problems);
    }
    EXPECT_GT(lifted, 0) << "the multi-tool files hold lifted travels to check (the slicer hops most travels itself)";
}

} // namespace
} // namespace vorlane::test
