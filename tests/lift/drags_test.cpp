// What travels drag across: the count of their crossings with other tools'
// fresh paths, as read and as written, held to the output checker's own
// count on every real and two-colour file, and the rule that left each
// crossing travel, as the debug console says it.
#include "support.hpp"
#include "testing/output_checker.hpp"
#include "testing/two_colour.hpp"

#include "gcode/refusal.hpp"
#include "pass/line_loop.hpp"

#include <gtest/gtest.h>

namespace vorlane::test {
namespace {

const std::string liftFixtures = std::string(VORLANE_TEST_DATA) + "/lift/";

TEST(Drags, EachRuleThatLeavesACrossingTravelIsNamedInDebugMode)
{
    const struct {
        std::string fixture;
        std::vector<std::string> options;
        std::string line;
    } rows[] = {
        {"prusa_wipe_tower_block", {}, "line 18: 1 other-colour crossings left: inside a tool-change block"},
        {"first_move_after_tool_change",
         {},
         "line 14: 1 other-colour crossings left: before the new tool's first move"},
        {"prusa_wipe_tower_block", {}, "line 20: 1 other-colour crossings left: before the new tool's first draw"},
        {"relative_positioning_not_lifted",
         {},
         "line 15: 1 other-colour crossings left: relative positioning (G91) or no feed rate yet"},
        {"travel_with_z_and_e", {}, "line 15: 1 other-colour crossings left: the travel moves the extruder"},
        {"worked_example", {"--no-lift"}, "line 17: 1 other-colour crossings left: --no-lift"},
        {"travel_length_threshold", {}, "line 14: 1 other-colour crossings left: not longer than --lift-min-travel"},
        {"loop_paths_only", {}, "line 14: 1 other-colour crossings left: no obstacle of a collected kind"},
        {"own_past_deadline",
         {},
         "line 28: 1 other-colour crossings left: the own-colour wipe runs past the point where the nozzle must be up"},
        {"band_without_gap", {}, "line 20: 3 other-colour crossings left: the band runs to the travel's end"},
        {"band_then_gap", {}, "line 22: 2 other-colour crossings before the rise"},
    };
    for (const auto& row : rows) {
        const std::string gcode = readFile(liftFixtures + row.fixture + ".gcode");
        RunResult run;
        const std::string output = processWithExecutable(gcode, &run, row.options);
        EXPECT_NE(run.out.find(row.line + "\n"), std::string::npos) << row.fixture << ": " << run.out;
        EXPECT_EQ(output, processWithExecutable(gcode, nullptr, row.options))
            << "the console's lines change nothing in the output";
    }
    RunResult lifted;
    processWithExecutable(readFile(liftFixtures + "worked_example.gcode"), &lifted);
    EXPECT_EQ(lifted.out.find("crossings"), std::string::npos) << "a lifted travel that drags nowhere says nothing";
}

// The tally of a run in memory.
DragTally dragsOf(std::string_view gcode)
{
    std::string output;
    OutBuffer out = outBufferInto(output);
    NullConsole quiet;
    LineLoop loop{out, quiet.console};
    loop.countDrags = true;
    useDialect(loop, dialectOf(slicerNamedIn(gcode.substr(0, std::size_t{1} << 20))));
    loop.settings.fanRestore = loop.dialect->fanRestore;
    for (std::size_t begin = 0; begin < gcode.size();) {
        std::size_t end = gcode.find('\n', begin);
        if (end == std::string_view::npos) end = gcode.size();
        std::string_view line = gcode.substr(begin, end - begin);
        if (line.ends_with('\r')) line.remove_suffix(1);
        processLine(loop, line);
        output.clear();
        begin = end + 1;
    }
    return loop.drags;
}

TEST(Drags, ALiftedTravelNoLongerDrags)
{
    const DragTally tally = dragsOf(readFile(liftFixtures + "worked_example.gcode"));
    EXPECT_EQ(tally.before.crossings.all, 1) << "as read, the travel crosses tool 0's perimeter";
    EXPECT_EQ(tally.before.crossings.overOuterPerimeters, 1);
    EXPECT_EQ(tally.after.crossings.all, 0) << "lifted, it rises straight from its start: nothing left";
    EXPECT_EQ(tally.after.crossingTravels, 0);
}

void expectSameAsTheChecker(const std::string& name, const std::string& input)
{
    SCOPED_TRACE(name);
    const std::string output = processWithExecutable(input);
    CheckCounts counts;
    const std::vector<std::string> problems = checkOutput(input, output, OutputForm::Body, &counts);
    EXPECT_TRUE(problems.empty()) << joined(problems);
    const DragTally tally = dragsOf(input);
    for (const auto& [mine, checked] :
         {std::pair{&tally.before, &counts.dragsBefore}, {&tally.after, &counts.dragsAfter}}) {
        SCOPED_TRACE(mine == &tally.before ? "the travels as read" : "the travels as written");
        EXPECT_EQ(mine->travels, checked->travels);
        EXPECT_EQ(mine->crossingTravels, checked->crossingTravels);
        EXPECT_EQ(mine->crossings.all, checked->crossings);
        EXPECT_EQ(mine->crossings.overOuterPerimeters, checked->overOuterPerimeters);
    }
    long long left = 0;
    for (const long long byRule : tally.leftBy)
        left += byRule;
    EXPECT_EQ(left, tally.after.crossings.all) << "every crossing left is a rule's";
}

TEST(Drags, TheCountIsTheCheckersOnEveryRealAndTwoColourFile)
{
    expectSameAsTheChecker("the bundled example", readFile(std::string(VORLANE_EXAMPLES) + "/two_colour_cube.gcode"));
    for (const std::string& file : realGcodeFiles()) {
        const std::string text = readFile(file);
        expectSameAsTheChecker(file, text);
        if (file.find("sulicat") != std::string::npos)
            expectSameAsTheChecker(file + " in two colours", twoColourPrint(text));
    }
    for (const std::string& file : otherSlicerFiles())
        expectSameAsTheChecker(file, readFile(file));
}

} // namespace
} // namespace vorlane::test
