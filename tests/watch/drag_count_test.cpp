// What travels drag across: the count of their crossings with other tools'
// fresh paths, as read and as written, held to the output checker's own
// count on every real and two-colour file, and the rule that left each
// crossing travel, as the debug console says it.
#include "support.hpp"
#include "testing/counted_run.hpp"
#include "testing/output_checker.hpp"
#include "testing/two_colour.hpp"

#include "gcode/refusal.hpp"
#include "watch/drag_count.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

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
        {"travel_moves_extruder", {}, "line 13: 1 other-colour crossings left: the travel moves the extruder"},
        {"worked_example", {"--no-lift"}, "line 17: 1 other-colour crossings left: --no-lift"},
        {"travel_length_threshold",
         {"--lift-min-travel=2"},
         "line 14: 1 other-colour crossings left: not longer than --lift-min-travel"},
        {"loop_paths_only", {}, "line 14: 1 other-colour crossings left: no obstacle of a collected kind"},
        {"own_past_deadline",
         {},
         "line 28: 1 other-colour crossings left: the own-colour wipe runs past the point where the nozzle must be up"},
        {"band_without_gap", {}, "line 20: 3 other-colour crossings left: the band runs to the travel's end"},
        {"band_then_gap", {}, "line 22: 2 other-colour crossings before the rise"},
        {"drool_allowance_near_height",
         {},
         "line 14: 1 other-colour crossings left: every crossing lies within the drool allowance of the layers below"},
    };
    for (const auto& row : rows) {
        const std::string gcode = readFile(liftFixtures + row.fixture + ".gcode");
        RunResult run;
        std::vector<std::string> options = fixtureOptions(gcode);
        options.insert(options.end(), row.options.begin(), row.options.end());
        const std::string output = processWithExecutable(gcode, &run, options);
        EXPECT_NE(run.out.find(row.line + "\n"), std::string::npos) << row.fixture << ": " << run.out;
        EXPECT_EQ(output, processWithExecutable(gcode, nullptr, options))
            << "the console's lines change nothing in the output";
    }
    RunResult lifted;
    processWithExecutable(readFile(liftFixtures + "worked_example.gcode"), &lifted);
    EXPECT_EQ(lifted.out.find("crossings"), std::string::npos) << "a lifted travel that drags nowhere says nothing";
}

// The tally of a run in memory.
DragTally dragsOf(std::string_view gcode) { return countedRunOf(gcode).drags; }

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
    for (const std::string& file : moreSlicerFiles())
        expectSameAsTheChecker(file, readFile(file));
}

// The lines drawn, by height, tool, kind and place, and what a travel of
// tool 0 from (0, 0) to (10, 0) crosses of them, from the row's travel height
// to its end height (the same when none is given), along its arc's steps
// when it has them.
struct CountRow {
    const char* rule;
    float z;
    int tool;
    std::vector<Vec2> path;  // drawn as lines, one after another
    std::uint64_t outer = 0; // bit i: line i is an outer perimeter's
    float travelZ = 5;
    Crossings expected;
    float travelEndZ = NaN;
    std::vector<Vec2> arcSteps = {};
    DrawType kind = DrawType::UnclassifiedPath;
};

// A move told to the count as the pass tells it.
void tell(DragCount& count, const MoveTold& move)
{
    const Watcher watcher = dragCountWatcher(count);
    watcher.hear(watcher.context, 1, Told{&move});
}

void drawLine(DragCount& count, float z, int tool, DrawType kind, Vec2 from, Vec2 to)
{
    MoveTold draw;
    draw.draws = true;
    draw.from = from;
    draw.to = to;
    draw.fromZ = draw.toZ = z;
    draw.tool = tool;
    draw.kind = kind;
    tell(count, draw);
}

TEST(Drags, ATravelCrossesOtherToolsLinesAtTheNozzlesHeight)
{
    const std::vector<Vec2> across{{5, -1}, {5, 1}};
    std::vector<Vec2> zigzag; // 40 lines, more than a chunk of them
    for (int i = 0; i <= 40; ++i)
        zigzag.push_back({0.1f + 0.2f * static_cast<float>(i), i % 2 == 0 ? -1.0f : 1.0f});
    const float far = 3e20f; // far up, heights a float apart share a band or neighbour: the heights decide
    const std::vector<CountRow> rows{
        {"a line across at the same height", 5, 1, across, 0, 5, {1, 0}},
        {"the travel's own tool's lines are not dragged across", 5, 0, across, 0, 5, {0, 0}},
        {"just within the reach below", 4.981f, 1, across, 0, 5, {1, 0}},
        {"just within the reach above", 5.019f, 1, across, 0, 5, {1, 0}},
        {"beyond the reach below: not touched", 4.975f, 1, across, 0, 5, {0, 0}},
        {"beyond the reach above: not touched", 5.025f, 1, across, 0, 5, {0, 0}},
        {"a line ending on the travel touches it, not crosses", 5, 1, {{5, -1}, {5, 0}}, 0, 5, {0, 0}},
        {"a path longer than a chunk crosses at every line", 5, 1, zigzag, 0, 5, {40, 0}},
        {"a line with no number for a coordinate crosses nothing", 5, 1, {{NaN, -1}, {5, 1}}, 0, 5, {0, 0}},
        {"the outer flag goes with its own line, not the path",
         5,
         1,
         {{2, -1}, {2, 1}, {4, -1}, {6, 1}},
         0b101,
         5,
         {3, 2}},
        {"far up, at the same height", far, 1, across, 0, far, {1, 0}},
        {"far up, a float apart", far, 1, across, 0, std::nextafter(far, FLOAT_MAX), {0, 0}},
        {"descending 0.5 mm as it goes: a path is crossed early high above, late at its height",
         5,
         1,
         {{1, -1}, {1, 1}, {9.8f, 1}, {9.8f, -1}},
         0,
         5.5f,
         {1, 0},
         5},
        {"rising as it goes: a path is crossed early at its height, late high above",
         5,
         1,
         {{0.2f, -1}, {0.2f, 1}, {9, 1}, {9, -1}},
         0,
         5,
         {1, 0},
         5.5f},
        {"a helix rises evenly over its steps: at the second's start it stands at its mid height",
         5.25f,
         1,
         {{0.2f, -2}, {0.2f, 2}, {5.1f, 6}, {5.1f, 4}},
         0,
         5,
         {1, 0},
         5.5f,
         {{5, 5}, {10, 0}}},
        {"a purge tower's paths are crossed without harm: not counted",
         5,
         1,
         across,
         0,
         5,
         {0, 0},
         NaN,
         {},
         DrawType::PrimePillar},
    };
    // Each row with the draws told one by one, and told together.
    for (const bool together : {false, true})
        for (const CountRow& row : rows) {
            DragCount count;
            std::vector<DrawTold> draws;
            for (std::size_t i = 1; i < row.path.size(); ++i) {
                const DrawType kind = (row.outer >> (i - 1) & 1u) != 0 ? DrawType::Perimeter : row.kind;
                if (together)
                    draws.push_back({row.path[i - 1], row.path[i], row.z, row.tool, kind, 0});
                else
                    drawLine(count, row.z, row.tool, kind, row.path[i - 1], row.path[i]);
            }
            // Lines of another tool in the layer between keep paths apart.
            draws.push_back({{20, 20}, {21, 21}, row.z, 2, DrawType::UnclassifiedPath, 0});
            const Watcher watcher = dragCountWatcher(count);
            watcher.hear(watcher.context, 1, Told{DrawsTold{draws}});
            MoveTold travel;
            travel.from = {0, 0};
            travel.to = row.arcSteps.empty() ? Vec2{10, 0} : row.arcSteps.back();
            travel.fromZ = row.travelZ;
            travel.toZ = std::isnan(row.travelEndZ) ? row.travelZ : row.travelEndZ;
            travel.arcSteps = row.arcSteps;
            tell(count, travel);
            const Crossings found = count.tally.before.crossings;
            EXPECT_EQ(found.all, row.expected.all) << row.rule << (together ? ", told together" : "");
            EXPECT_EQ(found.overOuterPerimeters, row.expected.overOuterPerimeters)
                << row.rule << (together ? ", told together" : "");
        }
}

} // namespace
} // namespace vorlane::test
