// The support-interface and sparse-infill rewrites end to end: small
// Kisslicer-style files under data/extrusion run through the real executable,
// compared byte for byte with the text derived by hand beside each of them.
// With settings on the command line, the same files (and the lift fixtures)
// come out as data/settings says, and the output checker holds.
#include "support.hpp"
#include "testing/output_checker.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>

namespace vorlane::test {
namespace {

struct Fixture {
    const char* name;
    const char* rule; // what the expected text guards
    // Settings given on the command line; their expected text is
    // data/settings/<expected>.expected, and `name` may be a lift fixture's
    // ("lift/NAME").
    std::vector<std::string> options = {};
    const char* expected = nullptr;
};

const Fixture fixtures[] = {
    {"interface_worked_example",
     "interface of another tool at 0.2 mm: boosted x4 at half speed over main support, plain between the "
     "interface crossings, boosted to the end, then the line's feed rate back"},
    {"interface_same_tool_first_layer",
     "the main support's own tool over first-layer main support gets factor 1 and full speed, yet the line is "
     "still rewritten with its comments"},
    {"interface_same_tool_not_first_layer",
     "same tool at 0.2 mm over main support whose layer below is not under 0.4: factor 1.25 at 0.8 of the feed "
     "rate; layers below the window do not count"},
    {"interface_only_main_crossed",
     "a line over main support only becomes exactly four lines: header, comment with the line, the boosted draw "
     "and the feed-rate line"},
    {"interface_other_tool_0_3mm", "another tool at 0.3 mm: factor 0.8/0.3 (2.66667) at 0.75 of the feed rate"},
    {"interface_thickness_1mm",
     "a layer thicker than the ooze-depth goal extrudes less (factor 0.8) and never raises the feed rate"},
    {"interface_last_crossing_main",
     "a first draw of tool 1 two tool-0 layers up is 0.25 thick; plain up to the perimeter, then boosted and "
     "slowed to the end, followed by the feed-rate line"},
    {"interface_split_finish_plain",
     "a split whose finish is plain at the line's own feed rate is not followed by a feed-rate line"},
    {"interface_equal_lambda",
     "crossings at the same point keep the order they were found in: main support first, so the boosted piece "
     "ends there"},
    {"interface_outside_printing",
     "outside the printing chapter the interface rewrite still runs, with the thickness 0 raised to 0.05 mm"},
    {"interface_product_order", "E products are formed left to right, (E x fraction) x factor: 5.48087, not 5.48086"},
    {"crossing_nothing", "draws that cross nothing that counts in the window below are copied unchanged"},
    {"topinfill_over_stacked",
     "sparse infill at 0.25 mm and F3000 over stacked infill only: E x1.25 at F1125, then G1 F3000"},
    {"topinfill_0_5mm_f10000", "at 0.5 mm and F10000 both speed factors are 1: only the extrusion is boosted"},
    {"topinfill_0_1mm_f6000",
     "at 0.1 mm and F6000: plain pieces at 0.24 and boosted ones at 0.12 of the feed rate, then the feed rate back"},
    {"topinfill_only_top",
     "sparse infill that crosses only sparse infill: no pieces, a finish with factor 1 at 0.3 of the feed rate "
     "and the feed rate back"},
    {"topinfill_speed_product_order",
     "the feed-rate factor over stacked infill is formed left to right, (1.25 x squared thickness factor) x feed "
     "factor: F100.801, not F100.8"},
    {"topinfill_absolute_e",
     "in absolute extrusion the rewrite is the relative twin's between M83 and M82, then G92 E1, the line's own E"},
    {"topinfill_zero_thickness",
     "a layer thickness of 0 gives sparse infill an empty window: the line passes through unchanged"},
    {"interface_worked_example",
     "the plain fan restore names no fan: M106 S0",
     {"--fan-restore=plain"},
     "fan_restore_plain"},
    {"interface_worked_example", "no fan restore at all", {"--fan-restore=OFF"}, "fan_restore_off"},
    {"lift/band_then_gap",
     "the travel rises to 0.8 above the crossed paths: Z1.8",
     {"--lift-height=0.8"},
     "lift_height"},
    {"lift/band_then_gap",
     "a travel of exactly the minimum length is not lifted",
     {"--lift-min-travel=20"},
     "lift_min_travel"},
    {"lift/travel_length_threshold",
     "by default a travel of any length is lifted, the one of exactly 2.0 mm too, and the settings line does not "
     "name the default",
     {"--lift-min-travel=0"},
     "lift_min_travel_default"},
    {"lift/band_then_gap", "the nozzle comes back down at F600", {"--lift-feed", "600"}, "lift_feed"},
    {"lift/band_then_gap",
     "paths 0.5 wide: clearance 1.35 and run-in 0.7875 mm, so up by 0.5 - 0.0675 (X8.65), rise from 0.139375 "
     "(X2.7875)",
     {"--path-width=0.5"},
     "path_width"},
    {"lift/band_then_gap",
     "a tip of 0.4: clearance 1.125 and run-in 0.5625 mm, so up by 0.44375 (X8.875), rise from 0.128125 (X2.5625)",
     {"--nozzle-tip=0.4"},
     "nozzle_tip"},
    {"lift/band_then_gap", "no travel is lifted", {"--no-lift"}, "no_lift"},
    {"interface_worked_example",
     "an ooze depth of 0.6 over 0.2 mm: factor 3 at 2/3 of the feed rate (F800)",
     {"--interface-depth=0.6"},
     "interface_depth"},
    {"interface_same_tool_not_first_layer",
     "the same tool's depth of 0.3 over 0.2 mm: factor 1.5 at F800",
     {"--interface-depth-same=0.3"},
     "interface_depth_same"},
    {"interface_worked_example", "support interface is copied", {"--no-interface-boost"}, "no_interface_boost"},
    {"topinfill_over_stacked", "E x1.5 at 1.5 x 0.3 of F3000 (F1350)", {"--infill-boost=1.5"}, "infill_boost"},
    {"topinfill_over_stacked",
     "full speed from F5000: 1.25 x 3000/5000 of F3000 (F2250)",
     {"--infill-full-speed=5000"},
     "infill_full_speed"},
    {"topinfill_over_stacked", "sparse infill is copied", {"--no-infill-boost"}, "no_infill_boost"},
};

std::string dataFile(const std::string& name)
{
    return std::string(VORLANE_TEST_DATA) + (name.starts_with("lift/") ? "/" : "/extrusion/") + name;
}

std::string expectedFile(const Fixture& fixture)
{
    return fixture.expected ? std::string(VORLANE_TEST_DATA) + "/settings/" + fixture.expected + ".expected"
                            : dataFile(std::string(fixture.name) + ".expected");
}

class RewriteFixture : public testing::TestWithParam<Fixture> {};

TEST_P(RewriteFixture, OutputIsTheTextDerivedByHand)
{
    const Fixture& fixture = GetParam();
    const std::string input = readFile(dataFile(std::string(fixture.name) + ".gcode"));
    const std::string expected = readFile(expectedFile(fixture));
    ASSERT_TRUE(input.starts_with("; ")) << fixture.name << ".gcode is missing or does not start with its comment";
    ASSERT_FALSE(expected.empty()) << expectedFile(fixture) << " is missing";
    std::vector<std::string> options = fixtureOptions(input);
    options.insert(options.end(), fixture.options.begin(), fixture.options.end());
    const std::string output = processWithExecutable(input, nullptr, options);
    EXPECT_EQ(output, expected) << fixture.rule;
    EXPECT_EQ(joined(checkOutput(input, output)), "") << "the output checker reads the settings line";
}

INSTANTIATE_TEST_SUITE_P(Extrusion, RewriteFixture, testing::ValuesIn(fixtures),
                         [](const testing::TestParamInfo<Fixture>& info) {
                             return std::string(info.param.expected ? info.param.expected : info.param.name);
                         });

TEST(RewriteFixtures, EveryFileInTheFolderIsRun)
{
    std::set<std::string> listed;
    for (const Fixture& f : fixtures)
        listed.insert(f.expected ? "settings/" + std::string(f.expected) : "extrusion/" + std::string(f.name));
    std::set<std::string> found;
    for (const std::string folder : {"extrusion", "settings"}) {
        for (const auto& entry : std::filesystem::directory_iterator(std::string(VORLANE_TEST_DATA) + "/" + folder)) {
            const std::filesystem::path& p = entry.path();
            if (p.extension() == ".gcode" || p.extension() == ".expected")
                found.insert(folder + "/" + p.stem().string());
        }
    }
    EXPECT_EQ(found, listed) << "each NAME.gcode with its NAME.expected, and each settings/NAME.expected, is listed in "
                                "the fixture table";
}

} // namespace
} // namespace vorlane::test
