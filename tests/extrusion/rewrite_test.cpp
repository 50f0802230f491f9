// The support-interface and sparse-infill rewrites end to end: small
// Kisslicer-style files under data/extrusion run through the real executable,
// compared byte for byte with the text derived by hand beside each of them.
#include "support.hpp"

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
    {"topinfill_zero_thickness",
     "a layer thickness of 0 gives sparse infill an empty window: the line passes through unchanged"},
};

std::string dataFile(const std::string& name) { return std::string(VORLANE_TEST_DATA) + "/extrusion/" + name; }

class RewriteFixture : public testing::TestWithParam<Fixture> {};

TEST_P(RewriteFixture, OutputIsTheTextDerivedByHand)
{
    const Fixture& fixture = GetParam();
    const std::string input = readFile(dataFile(std::string(fixture.name) + ".gcode"));
    const std::string expected = readFile(dataFile(std::string(fixture.name) + ".expected"));
    ASSERT_TRUE(input.starts_with("; ")) << fixture.name << ".gcode is missing or does not start with its comment";
    ASSERT_FALSE(expected.empty()) << fixture.name << ".expected is missing";
    EXPECT_EQ(processWithExecutable(input), expected) << fixture.rule;
}

INSTANTIATE_TEST_SUITE_P(Extrusion, RewriteFixture, testing::ValuesIn(fixtures),
                         [](const testing::TestParamInfo<Fixture>& info) { return std::string(info.param.name); });

TEST(RewriteFixtures, EveryFileInTheFolderIsRun)
{
    std::set<std::string> listed;
    for (const Fixture& f : fixtures)
        listed.insert(f.name);
    std::set<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(dataFile(""))) {
        const std::filesystem::path& p = entry.path();
        if (p.extension() == ".gcode" || p.extension() == ".expected") found.insert(p.stem().string());
    }
    EXPECT_EQ(found, listed) << "each NAME.gcode with its NAME.expected is listed in the fixture table";
}

} // namespace
} // namespace vorlane::test
