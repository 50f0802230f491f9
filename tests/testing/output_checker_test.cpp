// The output checker: it must fire on every kind of broken output (a row per
// kind below, each made by breaking one hand-derived fixture output), and it
// must hold on everything the program writes: every fixture, the bundled
// example and the real Kisslicer files, as whole files with their header and
// timing lines.
#include "support.hpp"
#include "testing/output_checker.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vorlane::test {
namespace {

using Lines = std::vector<std::string>;

std::string joinLines(const Lines& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

std::string dataFile(const std::string& name) { return std::string(VORLANE_TEST_DATA) + "/" + name; }

// The index of the n-th line (from 0) equal to `line`; fails the test when
// there is none, so that a row never silently breaks nothing.
std::size_t find(const Lines& lines, std::string_view line, int nth = 0)
{
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i] == line && nth-- == 0) return i;
    ADD_FAILURE() << "no line `" << line << "` to break";
    return lines.size();
}

void replace(Lines& lines, std::string_view line, std::string_view by, int nth = 0)
{
    const std::size_t i = find(lines, line, nth);
    if (i < lines.size()) lines[i] = by;
}

void remove(Lines& lines, std::string_view line, int nth = 0)
{
    const std::size_t i = find(lines, line, nth);
    if (i < lines.size()) lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(i));
}

void insertBefore(Lines& lines, std::string_view anchor, std::string_view line)
{
    const std::size_t i = find(lines, anchor);
    if (i < lines.size()) lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(i), std::string(line));
}

// ---------------------------------------------------------------------------
// The checker fires on broken outputs.

struct Breakage {
    const char* broken;  // what is wrong with the output
    const char* fixture; // under tests/data, without extension: its .gcode and its hand-derived .expected
    std::function<void(Lines& input, Lines& output)> breakIt;
    const char* reported; // a phrase of the problem the checker must report
};

const Breakage breakages[] = {
    // Lines copied in order.
    {"a dropped line", "lift/worked_example", [](Lines&, Lines& out) { remove(out, "M107"); }, "is missing"},
    {"a changed line", "lift/worked_example",
     [](Lines&, Lines& out) { replace(out, "G1 X10 Y5 E0.5", "G1 X10 Y5 E0.6"); }, "neither copied nor announced"},
    {"lines out of order", "lift/worked_example",
     [](Lines&, Lines& out) {
         const std::size_t i = find(out, "G1 Z1 F1000");
         if (i < out.size()) std::swap(out[i], out[i + 1]);
     },
     "neither copied nor announced"},
    {"a stray line at the end", "lift/worked_example", [](Lines&, Lines& out) { out.push_back("M84"); },
     "follows the line that stands for the last input line"},
    {"a stray generated move", "extrusion/crossing_nothing",
     [](Lines&, Lines& out) { insertBefore(out, "G1 X10 Y0 E1 F1200", "G1 X5 Y0 F1200"); },
     "neither copied nor announced"},

    // Lifted travels.
    {"a lifted travel without its descent", "lift/worked_example",
     [](Lines&, Lines& out) { remove(out, "G1 Z1 F450"); }, "has 3 lines before its announcement"},
    {"a descent to another Z", "lift/worked_example",
     [](Lines&, Lines& out) { replace(out, "G1 Z1 F450", "G1 Z1.5 F450"); },
     "does not come back down to the travel's Z"},
    {"a descent at the travel's feed rate", "lift/worked_example",
     [](Lines&, Lines& out) { replace(out, "G1 Z1 F450", "G1 Z1 F9000"); },
     "does not come back down to the travel's Z"},
    {"no feed-rate restore after a lift", "lift/worked_example", [](Lines&, Lines& out) { remove(out, "G1 F9000"); },
     "has 3 lines before its announcement"},
    {"another feed rate restored after a lift", "lift/worked_example",
     [](Lines&, Lines& out) { replace(out, "G1 F9000", "G1 F6000"); }, "does not restore the feed rate"},
    {"the vertical feed rate restored", "lift/worked_example",
     [](Lines&, Lines& out) { replace(out, "G1 F9000", "G1 F450"); }, "does not restore the feed rate"},
    {"no rise", "lift/worked_example",
     [](Lines&, Lines& out) { replace(out, "G1 X8.0125 Y0 Z1.5 F9000", "G1 X8.0125 Y0 F9000"); },
     "has no rise with X, Y and Z"},
    {"a rise below the travel's Z", "lift/worked_example",
     [](Lines&, Lines& out) { replace(out, "G1 X8.0125 Y0 Z1.5 F9000", "G1 X8.0125 Y0 Z0.999 F9000"); },
     "below the travel's Z 1"},
    {"a rise off the travel", "lift/worked_example",
     [](Lines&, Lines& out) { replace(out, "G1 X8.0125 Y0 Z1.5 F9000", "G1 X8.0125 Y0.1 Z1.5 F9000"); },
     "rises off the travel"},
    {"a rise at another feed rate", "lift/worked_example",
     [](Lines&, Lines& out) { replace(out, "G1 X8.0125 Y0 Z1.5 F9000", "G1 X8.0125 Y0 Z1.5 F6000"); },
     "has no rise with X, Y and Z at the travel's feed rate"},
    {"a lifted travel to another end point", "lift/worked_example",
     [](Lines&, Lines& out) { replace(out, "G1 X20 Y0 F9000", "G1 X20 Y0.5 F9000"); },
     "does not travel to the travel's end point"},
    {"a start of the rise behind the travel's start", "lift/band_then_gap",
     [](Lines&, Lines& out) { replace(out, "G1 X2.7125 Y0 F9000", "G1 X-1 Y0 F9000"); },
     "starts its rise off the travel"},
    {"a travel from an unknown position lifted by less than the lift height", "lift/unknown_position",
     [](Lines&, Lines& out) { replace(out, "G1 Z0.7 F450", "G1 Z0.6 F450"); }, "from an unknown position, lifted in place"},
    {"a travel from an unknown position decided as any other", "lift/unknown_position",
     [](Lines&, Lines& out) { remove(out, "G1 Z0.7 F450", 1); }, "from an unknown position, lifted in place"},
    {"a lift without its announcement", "lift/worked_example",
     [](Lines&, Lines& out) { remove(out, "; original line:G1 X20 Y0 F9000"); }, "neither copied nor announced"},
    {"a lift outside the printing chapter", "lift/worked_example",
     [](Lines& in, Lines& out) {
         replace(in, "; *** Main G-code", "; *** G-code Postfix");
         replace(out, "; *** Main G-code", "; *** G-code Postfix");
     },
     "lifted outside the printing chapter"},
    {"a lift of the first move after a tool change where such travels are copied", "lift/worked_example",
     [](Lines& in, Lines& out) {
         remove(in, "G1 X0 Y0 F9000");
         remove(out, "G1 X0 Y0 F9000");
         out.insert(out.begin(), "; Vorlane settings: no-lift-after-tool-change");
     },
     "first move after a tool change"},
    {"a lift of a travel of 2 mm or less", "lift/worked_example",
     [](Lines& in, Lines& out) {
         replace(in, "G1 X0 Y0 F9000", "G1 X18 Y0 F9000");
         replace(out, "G1 X0 Y0 F9000", "G1 X18 Y0 F9000");
         out.insert(out.begin(), "; Vorlane settings: lift-min-travel=2");
     },
     "not longer than 2 mm"},
    {"a draw announced as a lifted travel", "lift/worked_example",
     [](Lines& in, Lines& out) {
         replace(in, "G1 X20 Y0 F9000", "G1 X20 Y0 E0.5 F9000");
         replace(out, "; original line:G1 X20 Y0 F9000", "; original line:G1 X20 Y0 E0.5 F9000");
     },
     "is no travel"},

    // Fan restores.
    {"no fan restore after a tool change", "lift/worked_example",
     [](Lines&, Lines& out) { remove(out, "M106 P1 S0 ; restore the fan in case tool change messed it up"); },
     "must stand first"},
    {"the fan of another tool restored", "lift/worked_example",
     [](Lines&, Lines& out) {
         replace(out, "M106 P1 S0 ; restore the fan in case tool change messed it up",
                 "M106 P0 S0 ; restore the fan in case tool change messed it up");
     },
     "must stand first"},
    {"the fan restored at another speed", "lift/worked_example",
     [](Lines&, Lines& out) {
         replace(out, "M106 P1 S0 ; restore the fan in case tool change messed it up",
                 "M106 P1 S255 ; restore the fan in case tool change messed it up");
     },
     "must stand first"},
    {"a fan restore without a tool change", "lift/worked_example",
     [](Lines&, Lines& out) {
         insertBefore(out, "G1 X10 Y-6 F9000", "M106 P0 S0 ; restore the fan in case tool change messed it up");
     },
     "but no tool change or resume marker came"},

    // A support-interface draw written whole.
    {"a whole interface draw not boosted", "extrusion/interface_only_main_crossed",
     [](Lines&, Lines& out) { replace(out, "G1 X10 Y0 E4 F600", "G1 X10 Y0 E1 F600"); }, "not the line's E times 4"},
    {"a whole interface draw not slowed", "extrusion/interface_only_main_crossed",
     [](Lines&, Lines& out) { replace(out, "G1 X10 Y0 E4 F600", "G1 X10 Y0 E4 F1200"); },
     "not the line's feed rate times 0.5"},
    {"a whole draw short of the line's end", "extrusion/interface_only_main_crossed",
     [](Lines&, Lines& out) { replace(out, "G1 X10 Y0 E4 F600", "G1 X9.9 Y0 E4 F600"); },
     "does not draw to the line's end point"},
    {"no feed-rate restore after a whole draw", "extrusion/interface_only_main_crossed",
     [](Lines&, Lines& out) { remove(out, "G1 F1200", 0); }, "does not restore the line's feed rate"},
    {"a header whose factor disagrees with the draw", "extrusion/interface_only_main_crossed",
     [](Lines&, Lines& out) {
         replace(out,
                 "; Interface Crosses Main: sameToolAsMainSupport: false mainIsFirstLayer: true canBoostVolume: true "
                 "boostedFactor: 4 prevLayerHeight for Main: 0",
                 "; Interface Crosses Main: sameToolAsMainSupport: false mainIsFirstLayer: true canBoostVolume: true "
                 "boostedFactor: 3 prevLayerHeight for Main: 0");
     },
     "not the line's E times 3"},
    {"a header that boosts one tool's first-layer interface", "extrusion/interface_same_tool_first_layer",
     [](Lines&, Lines& out) {
         const auto header = std::find_if(out.begin(), out.end(), [](const std::string& line) {
             return line.starts_with("; Interface Crosses Main: ");
         });
         ASSERT_NE(header, out.end());
         const std::size_t at = header->find("canBoostVolume: false");
         ASSERT_NE(at, std::string::npos);
         header->replace(at, 21, "canBoostVolume: true");
     },
     "can boost only unless"},
    {"a header whose first-layer verdict disagrees with the layer below", "extrusion/interface_only_main_crossed",
     [](Lines&, Lines& out) {
         replace(out,
                 "; Interface Crosses Main: sameToolAsMainSupport: false mainIsFirstLayer: true canBoostVolume: true "
                 "boostedFactor: 4 prevLayerHeight for Main: 0",
                 "; Interface Crosses Main: sameToolAsMainSupport: false mainIsFirstLayer: true canBoostVolume: true "
                 "boostedFactor: 4 prevLayerHeight for Main: 0.5");
     },
     "main support is on a first layer exactly when"},
    {"a boost factor beyond what a 0.05 mm layer gives", "extrusion/interface_only_main_crossed",
     [](Lines&, Lines& out) {
         replace(out,
                 "; Interface Crosses Main: sameToolAsMainSupport: false mainIsFirstLayer: true canBoostVolume: true "
                 "boostedFactor: 4 prevLayerHeight for Main: 0",
                 "; Interface Crosses Main: sameToolAsMainSupport: false mainIsFirstLayer: true canBoostVolume: true "
                 "boostedFactor: 20 prevLayerHeight for Main: 0");
         replace(out, "G1 X10 Y0 E4 F600", "G1 X10 Y0 E20 F120");
     },
     "names a boost factor beyond 0 to 16"},
    {"a malformed header", "extrusion/interface_only_main_crossed",
     [](Lines&, Lines& out) {
         replace(out,
                 "; Interface Crosses Main: sameToolAsMainSupport: false mainIsFirstLayer: true canBoostVolume: true "
                 "boostedFactor: 4 prevLayerHeight for Main: 0",
                 "; Interface Crosses Main: sameToolAsMainSupport: no");
     },
     "has a malformed header"},
    {"a rewrite in another path kind", "extrusion/interface_only_main_crossed",
     [](Lines& in, Lines& out) {
         const std::string comment = "; 'Support Interface Path', 1.0 [feed mm/s], 40.0 [head mm/s]";
         replace(in, comment, "; 'Solid Path', 1.0 [feed mm/s], 40.0 [head mm/s]");
         replace(out, comment, "; 'Solid Path', 1.0 [feed mm/s], 40.0 [head mm/s]");
     },
     "the path kind in force is another"},

    // A support-interface draw split at its crossings.
    {"split pieces whose E does not add up", "extrusion/interface_worked_example",
     [](Lines&, Lines& out) { replace(out, "G1 X5 Y0 E2 F600", "G1 X5 Y0 E2.5 F600"); }, "add up to"},
    {"a plain piece boosted", "extrusion/interface_worked_example",
     [](Lines&, Lines& out) { replace(out, "G1 X6 Y0 E0.1 F1200", "G1 X6 Y0 E0.4 F1200"); },
     "times the piece's share of its length"},
    {"boosted E moved from one piece to another", "extrusion/interface_worked_example",
     [](Lines&, Lines& out) {
         replace(out, "G1 X5 Y0 E2 F600", "G1 X5 Y0 E1.6 F600");
         replace(out, "G1 X10 Y0 E1.6 F600", "G1 X10 Y0 E2 F600");
     },
     "times the piece's share of its length"},
    {"a plain interface piece slowed", "extrusion/interface_worked_example",
     [](Lines&, Lines& out) { replace(out, "G1 X6 Y0 E0.1 F1200", "G1 X6 Y0 E0.1 F600"); },
     "keeps the line's feed rate"},
    {"a boosted interface piece at another speed", "extrusion/interface_worked_example",
     [](Lines&, Lines& out) {
         replace(out, "G1 X5 Y0 E2 F600", "G1 X5 Y0 E2 F700");
         replace(out, "G1 X10 Y0 E1.6 F600", "G1 X10 Y0 E1.6 F700");
     },
     "is not the line's feed rate times 0.5"},
    {"a finish with the plain factor after a plain piece", "extrusion/interface_worked_example",
     [](Lines&, Lines& out) {
         replace(out, "; finish off - emitting with factor of 4", "; finish off - emitting with factor of 1");
     },
     "finishes with factor 1, not 4"},
    {"a finish short of the line's end", "extrusion/interface_worked_example",
     [](Lines&, Lines& out) { replace(out, "G1 X10 Y0 E1.6 F600", "G1 X9.5 Y0 E1.6 F600"); },
     "does not finish at the line's end point"},
    {"a split without its finish", "extrusion/interface_worked_example",
     [](Lines&, Lines& out) {
         remove(out, "; finish off - emitting with factor of 4");
         remove(out, "G1 X10 Y0 E1.6 F600");
     },
     "has neither a piece nor its finish"},
    {"an interface split with nothing but its finish", "extrusion/interface_worked_example",
     [](Lines&, Lines& out) {
         for (const char* line : {"; found other so emitting boosted Interface:", "", "G1 X5 Y0 E2 F600",
                                  "; found Main so emitting vanilla:", "", "G1 X6 Y0 E0.1 F1200"})
             remove(out, line);
     },
     "writes a piece before its finish"},
    {"no empty line after a piece's comment", "extrusion/interface_worked_example",
     [](Lines&, Lines& out) { remove(out, ""); }, "is not followed by an empty line"},
    {"pieces going back along the line", "extrusion/interface_worked_example",
     [](Lines&, Lines& out) { replace(out, "G1 X5 Y0 E2 F600", "G1 X6.5 Y0 E2.6 F600"); }, "do not follow the line"},
    {"two boosted pieces in a row", "extrusion/interface_worked_example",
     [](Lines&, Lines& out) {
         replace(out, "; found Main so emitting vanilla:", "; found other so emitting boosted Interface:");
     },
     "alternate"},
    {"no feed-rate restore after a boosted finish", "extrusion/interface_worked_example",
     [](Lines&, Lines& out) { out.erase(out.end() - 2); }, "does not restore the line's `G1 F1200`"},
    {"a split without its announcement", "extrusion/interface_worked_example",
     [](Lines&, Lines& out) { remove(out, "; original line:G1 X10 Y0 E1 F1200"); },
     "is not announced after its header"},

    // Sparse infill split at its crossings.
    {"boosted sparse infill at a feed rate the plain pieces' does not give", "extrusion/topinfill_0_1mm_f6000",
     [](Lines&, Lines& out) { replace(out, "G1 X7 Y0 E0.625 F720", "G1 X7 Y0 E0.625 F1000"); }, "do not fit"},
    {"sparse infill drawn faster than the line", "extrusion/topinfill_0_1mm_f6000",
     [](Lines&, Lines& out) {
         replace(out, "G1 X2 Y0 E0.2 F1440", "G1 X2 Y0 E0.2 F7000");
         replace(out, "G1 X10 Y0 E0.3 F1440", "G1 X10 Y0 E0.3 F7000");
     },
     "never drawn faster than the line"},
    {"sparse infill boosted by another factor", "extrusion/topinfill_0_1mm_f6000",
     [](Lines&, Lines& out) { replace(out, "G1 X7 Y0 E0.625 F720", "G1 X7 Y0 E0.75 F720"); },
     "times the piece's share of its length (0.5) times 1.25"},

    // Numbers every printer reads.
    {"a number that is not finite", "extrusion/interface_only_main_crossed",
     [](Lines&, Lines& out) { replace(out, "G1 X10 Y0 E4 F600", "G1 X10 Y0 E4 Finf"); }, "not finite"},

    // Absolute extrusion: the extruder stands where the input left it.
    {"a rewritten draw under absolute extrusion whose position is not set back", "extrusion/topinfill_absolute_e",
     [](Lines&, Lines& out) { remove(out, "G92 E1"); }, "is not followed by `M82` and `G92 E1`"},
    {"a draw rewritten between M83 and M82 under relative extrusion", "extrusion/topinfill_absolute_e",
     [](Lines& in, Lines& out) {
         remove(in, "; firmware_type = 2");
         remove(out, "; firmware_type = 2");
     },
     "between M83 and M82 under relative extrusion"},
    {"a travel that moves the extruder lifted", "lift/band_then_gap",
     [](Lines& in, Lines& out) {
         replace(in, "G1 X20 Y0 F9000", "G1 X20 Y0 E-0.5 F9000");
         replace(out, "; original line:G1 X20 Y0 F9000", "; original line:G1 X20 Y0 E-0.5 F9000");
     },
     "moves the extruder"},

    // The other slicers, read by their own rows.
    {"a travel lifted within a tool-change block", "lift/prusa_wipe_tower_block",
     [](Lines& in, Lines& out) {
         remove(in, "; CP TOOLCHANGE END");
         insertBefore(in, ";TYPE:Custom", "; CP TOOLCHANGE END");
         remove(out, "; CP TOOLCHANGE END");
         insertBefore(out, ";TYPE:Custom", "; CP TOOLCHANGE END");
     },
     "is lifted within a tool-change block"},
    {"a travel lifted over another colour's inner wall", "lift/bambu_arcs_and_material_change",
     [](Lines& in, Lines& out) {
         replace(in, "; FEATURE: Outer wall", "; FEATURE: Inner wall");
         replace(out, "; FEATURE: Outer wall", "; FEATURE: Inner wall");
     },
     "crosses no other tool's path it may lift over"},
    {"a fan restored where the slicer sets the fan itself", "lift/bambu_arcs_and_material_change",
     [](Lines&, Lines& out) {
         insertBefore(out, "G1 Z0.2 F600", "M106 P0 S0 ; restore the fan in case tool change messed it up");
     },
     "restores the fan before"},

    // Lines the program refuses are never passed through.
    {"a draw of a tool outside 0 to 15 passed through", "extrusion/crossing_nothing",
     [](Lines& in, Lines& out) {
         insertBefore(in, "; 'Support (may Stack) Path', 1.0 [feed mm/s], 40.0 [head mm/s]", "T17");
         insertBefore(out, "; 'Support (may Stack) Path', 1.0 [feed mm/s], 40.0 [head mm/s]", "T17");
         insertBefore(out, "G1 X2 Y-2 Z0.2 F6000", "M106 P17 S0 ; restore the fan in case tool change messed it up");
     },
     "draws with tool 17, outside 0 to 15"},
    {"a malformed number passed through", "extrusion/crossing_nothing",
     [](Lines& in, Lines& out) {
         in.push_back("G1 X1.2.3 Y4");
         out.push_back("G1 X1.2.3 Y4");
     },
     "cannot read"},

    // The settings the output's settings line names.
    {"a lift coming down at the default feed rate under lift-feed=600", "lift/band_then_gap",
     [](Lines&, Lines& out) { out.front() = "; Vorlane settings: lift-feed=600 classic-lift"; },
     "does not come back down to the travel's Z (`G1 Z1 F600`)"},
    {"a fan restore naming the tool's fan under fan-restore=plain", "extrusion/interface_worked_example",
     [](Lines&, Lines& out) { out.insert(out.begin(), "; Vorlane settings: fan-restore=plain"); },
     "so `M106 S0 ; restore the fan in case tool change messed it up` must stand first"},
    {"a lifted travel under no-lift", "lift/band_then_gap",
     [](Lines&, Lines& out) { out.front() = "; Vorlane settings: no-lift classic-lift"; }, "is lifted under no-lift"},
    {"boosted sparse infill under no-infill-boost", "extrusion/topinfill_over_stacked",
     [](Lines&, Lines& out) { out.insert(out.begin(), "; Vorlane settings: no-infill-boost"); },
     "rewritten as sparse infill under no-infill-boost"},
    {"a settings line naming no setting", "lift/band_then_gap",
     [](Lines&, Lines& out) { out.insert(out.begin(), "; Vorlane settings: lift-speed=3"); },
     "names `lift-speed=3`, which is no setting"},
    {"a relative travel lifted", "lift/band_then_gap",
     [](Lines& in, Lines& out) {
         insertBefore(in, "G1 X20 Y0 F9000", "G91");
         insertBefore(out, "G1 X2.7125 Y0 F9000", "G91");
     },
     "under relative positioning (G91), which is always copied"},
};

TEST(OutputChecker, CatchesBrokenOutputs)
{
    for (const Breakage& row : breakages) {
        SCOPED_TRACE(row.broken);
        Lines input = splitAtLineFeeds(readFile(dataFile(std::string(row.fixture) + ".gcode")));
        Lines output = splitAtLineFeeds(readFile(dataFile(std::string(row.fixture) + ".expected")));
        ASSERT_FALSE(input.empty() || output.empty()) << row.fixture;
        const std::vector<std::string> unbroken = checkOutput(joinLines(input), joinLines(output));
        ASSERT_TRUE(unbroken.empty()) << "the fixture's own output passes:\n" << joined(unbroken);
        row.breakIt(input, output);
        const std::vector<std::string> problems = checkOutput(joinLines(input), joinLines(output));
        EXPECT_NE(joined(problems).find(row.reported), std::string::npos)
            << "the checker misses " << row.broken << "; it reports:\n"
            << joined(problems);
    }
}

// The bed temperature rule and the frame of a whole file, on the bundled example.
TEST(OutputChecker, CatchesBrokenBedLinesAndFrames)
{
    const std::string input = readFile(std::string(VORLANE_EXAMPLES) + "/two_colour_cube.gcode");
    TempDir dir;
    writeFile(dir.file("cube.gcode"), input);
    const RunResult run = runVorlane({"--debug", dir.file("cube.gcode")});
    ASSERT_EQ(run.status, 0) << run.err;
    const Lines good = splitAtLineFeeds(readOutput(dir.file("cube.gcoded")));
    ASSERT_TRUE(checkOutput(input, joinLines(good), OutputForm::WholeFile).empty());

    struct Row {
        const char* broken;
        std::function<void(Lines&)> breakIt;
        const char* reported;
    };
    const Row rows[] = {
        {"a bed temperature left below the hottest material's",
         [](Lines& out) {
             replace(out, "M140 S70 ; we use higher of the two materials' bed temps", "M140 S60 ; set bed temp");
         },
         "is a bed temperature below the hottest material's (70)"},
        {"a bed temperature raised to another value",
         [](Lines& out) {
             replace(out, "M190 S70 ; we use higher of the two materials' bed temps",
                     "M190 S65 ; we use higher of the two materials' bed temps");
         },
         "is a bed temperature below the hottest material's (70)"},
        {"a bed temperature raised in the printing chapter",
         [](Lines& out) {
             replace(out, "M140 S0 ; bed off", "M140 S70 ; we use higher of the two materials' bed temps");
         },
         "neither copied nor announced"},
        {"no header line", [](Lines& out) { out.erase(out.begin()); }, "does not begin with the header line"},
        {"the header line of another version", [](Lines& out) { out.front() = "; Vorlane v0023"; },
         "does not begin with the header line"},
        {"no timing lines", [](Lines& out) { out.resize(out.size() - 2); }, "does not end with"},
        {"the timing lines swapped", [](Lines& out) { std::swap(out[out.size() - 1], out[out.size() - 2]); },
         "does not end with"},
        {"a timing line without its seconds", [](Lines& out) { out.back() = "; D   Postproc took "; },
         "does not end with"},
        {"a line after the timing lines", [](Lines& out) { out.push_back("M84"); }, "does not end with"},
        {"no summary comment", [](Lines& out) { out.erase(out.end() - 3); }, "has no summary comment"},
        {"a summary that miscounts the lifted travels",
         [](Lines& out) { out[out.size() - 3].replace(out[out.size() - 3].find("lifted=6"), 8, "lifted=7"); },
         "does not count what the output holds"},
        {"a summary that names another bed temperature",
         [](Lines& out) { out[out.size() - 3].replace(out[out.size() - 3].find("60->70"), 6, "60->65"); },
         "does not count what the output holds"},
    };
    for (const Row& row : rows) {
        Lines broken = good;
        row.breakIt(broken);
        const std::vector<std::string> problems = checkOutput(input, joinLines(broken), OutputForm::WholeFile);
        EXPECT_NE(joined(problems).find(row.reported), std::string::npos)
            << "the checker misses " << row.broken << "; it reports:\n"
            << joined(problems);
    }
    std::string noLineEnd = joinLines(good);
    noLineEnd.pop_back();
    EXPECT_NE(joined(checkOutput(input, noLineEnd, OutputForm::WholeFile)).find("has no line end"), std::string::npos)
        << "every line the program writes ends with LF";
}

TEST(OutputChecker, ReadsTheInputAsTheProgramDoes)
{
    // CR before LF is no part of a line; a last line without LF is a line, its
    // CR included; a lone CR inside a line stays.
    const std::string input = "; *** Main G-code\r\nG1 X1 Y2\rZ F600\r\nM107\r";
    EXPECT_TRUE(checkOutput(input, "; *** Main G-code\nG1 X1 Y2\rZ F600\nM107\r\n").empty());
    EXPECT_FALSE(checkOutput(input, "; *** Main G-code\nG1 X1 Y2\rZ F600\nM107\n").empty())
        << "the last line keeps its CR";
    EXPECT_FALSE(checkOutput(input, "; *** Main G-code\r\nG1 X1 Y2\rZ F600\nM107\r\n").empty())
        << "the CR before an LF is dropped";
    EXPECT_TRUE(checkOutput("", "").empty()) << "nothing in, nothing out";
    // Found by the fuzzer: the line pass copies lines that look like the
    // program's own settings line and summary comment.
    const std::string lookalikes = lines({"; Vorlane settings: ;", "G28", "; Vorlane summary: lifted=9"});
    EXPECT_TRUE(checkOutput(lookalikes, lookalikes, OutputForm::Lines).empty())
        << joined(checkOutput(lookalikes, lookalikes, OutputForm::Lines));
}

TEST(OutputChecker, TakesACopiedTravelForACopyWhateverFollowsIt)
{
    // Found by the fuzzer: after a travel the program may lift but does not
    // (nothing lies in its way), the input itself holds lines that look like a
    // lift of that travel and its announcement. The program copies them all,
    // and so must the checker read them.
    const std::string forged[] = {"G1 X8 Y0 Z1.5 F9000", "G1 X20 Y0 F9000", "G1 Z1 F450", "G1 F9000",
                                  "; original line:G1 X20 Y0 F9000"};
    const std::string input = lines({"; *** Main G-code", "T0", "G1 Z1 F1000", "G1 X0 Y0 F9000", "G1 X20 Y0 F9000",
                                     forged[0], forged[1], forged[2], forged[3], forged[4]});
    const std::string output = lines(
        {"; *** Main G-code", "T0", "M106 P0 S0 ; restore the fan in case tool change messed it up", "G1 Z1 F1000",
         "G1 X0 Y0 F9000", "G1 X20 Y0 F9000", forged[0], forged[1], forged[2], forged[3], forged[4]});
    EXPECT_EQ(processWithExecutable(input), output + nothingRewritten(1))
        << "a travel over nothing is copied, and so is what follows";
    const std::vector<std::string> problems = checkOutput(input, output);
    EXPECT_TRUE(problems.empty()) << joined(problems);
}

TEST(OutputChecker, TakesFeedRatesMinusZeroAndZeroForOne)
{
    // The program restores a split draw's feed rate when the finish's differs
    // as a float; F-0 scaled by a factor is written F0, which is no change.
    const std::string input = lines({"; *** Main G-code", "; 'Sparse Infill Path', 3.2 [feed mm/s], 55.2 [head mm/s]",
                                     "G1 X3 Y-2 Z0.25 F6000", "G1 X3 Y-1 E0.05 F-0", "G1 X3 Y1 E0.1",
                                     "G1 X0 Y0 Z0.5 F6000", "G1 X10 Y0 E1 F-0"});
    const std::string output =
        lines({"; *** Main G-code", "; 'Sparse Infill Path', 3.2 [feed mm/s], 55.2 [head mm/s]",
               "G1 X3 Y-2 Z0.25 F6000", "G1 X3 Y-1 E0.05 F-0", "G1 X3 Y1 E0.1", "G1 X0 Y0 Z0.5 F6000",
               "; TopInfill Crosses StackedInfilln:  canBoostVolume: true boostedFactor: 1.25 "
               "prevLayerHeight for Infill: 0.25",
               "; original line:G1 X10 Y0 E1 F-0", "; finish off - emitting with factor of 1", "G1 X10 Y0 E1 F0"});
    EXPECT_TRUE(checkOutput(input, output).empty()) << joined(checkOutput(input, output));
    EXPECT_EQ(processWithExecutable(input),
              output + "; Vorlane summary: lifted=0 interface=0 interface_split=0 infill=1 infill_split=0 "
                       "fan_restores=0 bed=unchanged\n")
        << "no feed-rate line follows a finish at F0 for F-0";
    // Found by the fuzzer: the input's own feed-rate lines after such a draw
    // are copies, however many there are.
    const std::string twice = lines({"G1 F-0", "G1 F-0"});
    EXPECT_TRUE(checkOutput(input + twice, output + twice).empty())
        << joined(checkOutput(input + twice, output + twice));
    EXPECT_FALSE(checkOutput(input + twice, output + lines({"G1 F-0"})).empty()) << "one of them is missing";
}

// ---------------------------------------------------------------------------
// The checker holds on what the program writes.

// The whole .gcoded file of a debug run.
std::string processWhole(const std::string& gcode, int* status = nullptr, std::vector<std::string> options = {})
{
    TempDir dir;
    writeFile(dir.file("part.gcode"), gcode);
    options.insert(options.begin(), "--debug");
    options.push_back(dir.file("part.gcode"));
    const RunResult run = runVorlane(options);
    if (status) *status = run.status;
    EXPECT_TRUE(run.status == 0 || status) << run.err;
    return readOutput(dir.file("part.gcoded"));
}

std::vector<std::string> fixtures()
{
    std::vector<std::string> names;
    for (const char* folder : {"lift", "extrusion"}) {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(dataFile(folder), error))
            if (entry.path().extension() == ".gcode")
                names.push_back(std::string(folder) + "/" + entry.path().stem().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Found by the fuzzer: the first header that names a slicer decides (a
// carriage return before a comment is blank); a settings section runs to the
// next of its headers, whatever other "; *** " lines come between; a travel
// that ends on another tool's draw meets it, to the program's rounding;
// another slicer's T002 changes to tool 2; a travel from an unknown
// position is copied under G91; a travel may rise past any height; and a
// kind's draws are kept as the line through their end points, so a wall
// drawn right after another kind's draw joins the wall before it, and the
// classic lift lifts a travel across that line (the lift of every kind reads
// the lines as drawn, and leaves it flat).
TEST(OutputChecker, ReadsSlicerSettingsAndWallsAsTheProgramDoes)
{
    const std::string kisslicerFirst =
        lines({"; KISSlicer - PRO", "; generated by PrusaSlicer 2.9.0", "; *** Main G-code ***", "T1", "G1 Z0.2 F600"});
    const std::string firmwareAfterAnOddLine =
        lines({"; KISSlicer - PRO", "; *** Printer Settings ***", "; *** odd ***", "; firmware_type = 2",
               "; *** Main G-code ***", "; 'Stacked Sparse Infill Path', 3.2 [feed mm/s], 55.2 [head mm/s]",
               "G1 X5 Y-2 Z0.25 F6000", "G1 X5 Y-1 E0.05 F3000", "G1 X5 Y1 E0.1", "G1 X0 Y0 Z0.5 F6000",
               "; 'Sparse Infill Path', 3.2 [feed mm/s], 55.2 [head mm/s]", "G1 X10 Y0 E0.3 F3000"});
    const std::string wallJoinedAcrossAnotherKind =
        lines({"; KISSlicer - PRO", "; *** Main G-code ***", "T1", "; 'Perimeter Path', 1.0 [feed mm/s]",
               "G1 X200 Y0 F1000", "G1 X108 Y108 E0.3", "; 'Loop Path', 1.0 [feed mm/s]", "G1 X1 Y108 E0.1",
               "; 'Perimeter Path', 1.0 [feed mm/s]", "G1 X6 Y-1 E0.1", "T0", "G1 X6 Y50 F1000", "G1 X104 Y50 F1000"});
    const std::string classic = processWhole(wallJoinedAcrossAnotherKind, nullptr, {"--classic-lift"});
    ASSERT_NE(classic.find("; original line:G1 X104 Y50"), std::string::npos);
    EXPECT_TRUE(checkOutput(wallJoinedAcrossAnotherKind, classic, OutputForm::WholeFile).empty())
        << joined(checkOutput(wallJoinedAcrossAnotherKind, classic, OutputForm::WholeFile));
    EXPECT_EQ(processWhole(wallJoinedAcrossAnotherKind).find("; original line:"), std::string::npos);
    const std::string bambuAfterACarriageReturn =
        lines({"\r; a comment", "; BambuStudio 01.07", "T1", "G1 X1 Y1 F600"});
    // A travel ending on the line of another tool's draw, which the
    // program's 32-bit test finds crossed a hair before its end.
    const std::string travelEndingOnADraw =
        lines({"; KISSlicer - FREE", "; *** Main G-code", "T0", "G1 X6.57 Y-8.69 Z0.5 F9000",
               "G1 X-8.69 Y6.57 E0.5 F1800", "T1", "G1 X0.1 Y-2.73 Z0.25 F9000", "G1 X0.55 Y-2.67 F9000"});
    ASSERT_NE(processWhole(travelEndingOnADraw).find("; original line:G1 X0.55 Y-2.67"), std::string::npos);
    // Another slicer's tool number with leading zeros is the tool's.
    const std::string toolWithLeadingZeros =
        lines({"; generated by PrusaSlicer 2.9.0", ";LAYER_CHANGE", "G1 X0 Y0 F600", "T002", "G1 X1 Y1 F600"});
    // Under G91 a travel from an unknown position is copied, as any travel.
    const std::string unknownPositionUnderG91 =
        lines({"; generated by PrusaSlicer 2.9.0", "G91", ";LAYER_CHANGE", "G1 X1 Y1 E1 F600", "T1",
               "G1 X20 Y0 F9000 ; move to print after unknown position"});
    // A travel that rises far beyond any height a print reaches (its bands
    // of the nozzle's reach past a 64-bit number).
    const std::string travelFarUp =
        lines({"; KISSlicer - FREE", "; *** Main G-code", "T0", "G1 X0 Y0 Z0.2 F9000", "G1 X10 Y0 E0.5 F1800", "T1",
               "G1 X5 Y-5 F9000", "G1 X5 Y5 Z500300020300930300 F9000"});
    for (const std::string& input :
         {kisslicerFirst, firmwareAfterAnOddLine, wallJoinedAcrossAnotherKind, bambuAfterACarriageReturn,
          travelEndingOnADraw, toolWithLeadingZeros, unknownPositionUnderG91, travelFarUp})
        EXPECT_TRUE(checkOutput(input, processWhole(input), OutputForm::WholeFile).empty())
            << joined(checkOutput(input, processWhole(input), OutputForm::WholeFile));
}

TEST(OutputChecker, HoldsOnEveryFixture)
{
    const std::vector<std::string> names = fixtures();
    ASSERT_GE(names.size(), 38u) << "the lift and extrusion fixtures are found under " << VORLANE_TEST_DATA;
    CheckCounts counts;
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const std::string input = readFile(dataFile(name + ".gcode"));
        const std::vector<std::string> expected =
            checkOutput(input, readFile(dataFile(name + ".expected")), OutputForm::Body);
        EXPECT_TRUE(expected.empty()) << "the hand-derived output:\n" << joined(expected);
        const std::vector<std::string> problems =
            checkOutput(input, processWhole(input), OutputForm::WholeFile, &counts);
        EXPECT_TRUE(problems.empty()) << "the program's output:\n" << joined(problems);
    }
    // The fixtures exercise every rewrite the checker looks into.
    EXPECT_GE(counts.liftedTravels, 15);
    EXPECT_GE(counts.wholeDraws, 5);
    EXPECT_GE(counts.splitDraws, 8);
    EXPECT_GE(counts.fanRestores, 10);
}

TEST(OutputChecker, HoldsOnTheBundledExample)
{
    const std::string input = readFile(std::string(VORLANE_EXAMPLES) + "/two_colour_cube.gcode");
    ASSERT_FALSE(input.empty());
    CheckCounts counts;
    const std::vector<std::string> problems = checkOutput(input, processWhole(input), OutputForm::WholeFile, &counts);
    EXPECT_TRUE(problems.empty()) << joined(problems);
    // What the example is built to show: 6 lifted travels, 7 support-interface
    // and 3 sparse-infill draws written whole, 2 interface draws split, 2 bed
    // lines, a restore per tool change and resume marker.
    EXPECT_EQ(counts.liftedTravels, 6);
    EXPECT_EQ(counts.wholeDraws, 10);
    EXPECT_EQ(counts.splitDraws, 2);
    EXPECT_EQ(counts.pieces, 4) << "each split draw: one piece and its finish";
    EXPECT_EQ(counts.bedLines, 2);
    EXPECT_EQ(counts.fanRestores, 9);
}

TEST(OutputChecker, HoldsOnRealFiles)
{
    const std::vector<std::string> files = realGcodeFiles();
    if (files.empty()) GTEST_SKIP() << "the real Kisslicer files are not beside the project";
    CheckCounts counts;
    int processed = 0;
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        const std::string input = readFile(file);
        int status = 0;
        const std::string output = processWhole(input, &status);
        // Absolute-extrusion files are refused; the real-files test holds that.
        if (status != 0) continue;
        ++processed;
        const std::vector<std::string> problems = checkOutput(input, output, OutputForm::WholeFile, &counts);
        EXPECT_TRUE(problems.empty()) << joined(problems);
    }
    EXPECT_GE(processed, 10);
    EXPECT_GT(counts.liftedTravels, 0) << "the multi-tool files hold lifted travels";
    EXPECT_GT(counts.splitDraws, 100) << "the four-tool files split sparse infill over stacked infill";
    EXPECT_GT(counts.fanRestores, 0);
}

} // namespace
} // namespace vorlane::test
