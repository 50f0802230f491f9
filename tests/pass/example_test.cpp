// The bundled example (the file `scripts/run` processes when given none) run
// through the real executable: every kind of rewrite shows up where the
// example's geometry puts it, and every other line comes through untouched.
//
// The example in brief: tool 0 (PLA) prints the body, the main support and the
// ledge; tool 1 (PETG) the stripe beside the body and the support interface.
// Layers are 0.25 mm; tool 0 prints first on layers 1 and 3, tool 1 on 2 and 4.
#include "support.hpp"
#include "testing/output_checker.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

namespace vorlane::test {
namespace {

constexpr std::string_view bedComment = " ; we use higher of the two materials' bed temps";
constexpr std::string_view restoreComment = " ; restore the fan in case tool change messed it up";
constexpr std::string_view originalLine = "original line:";

struct Example {
    std::vector<std::string> input;
    std::string processed;
    std::vector<std::string> output;
};

Example runExample()
{
    const std::string bytes = readFile(std::string(VORLANE_EXAMPLES) + "/two_colour_cube.gcode");
    EXPECT_FALSE(bytes.empty()) << "examples/two_colour_cube.gcode is the file scripts/run processes";
    Example example{splitAtLineFeeds(bytes), processWithExecutable(bytes), {}};
    example.output = splitAtLineFeeds(example.processed);
    return example;
}

std::size_t countStartingWith(const std::vector<std::string>& lines, std::string_view prefix)
{
    std::size_t count = 0;
    for (const std::string& line : lines)
        count += line.starts_with(prefix) ? 1 : 0;
    return count;
}

// The M word of a bed line ("M140", "M190").
std::string_view mWord(std::string_view line) { return line.substr(0, line.find(' ')); }

// An output line that stands for input line `in`, which was not copied: a
// comment ending in "original line:" and the input's text, or the raised bed
// temperature line written in place of a prefix M140/M190.
bool announces(std::string_view out, std::string_view in)
{
    const std::size_t at = out.find(originalLine);
    if (out.starts_with("; ") && at != std::string_view::npos && out.substr(at + originalLine.size()) == in)
        return true;
    return out.ends_with(bedComment) && (in.starts_with("M140 ") || in.starts_with("M190 ")) && mWord(out) == mWord(in);
}

// Lines Vorlane adds of its own: fan restores, the comments of a rewritten
// draw, the empty line after a "found ..." comment, and the G1 lines of its
// writers, which always end in an F word and never carry the E0 of a travel.
bool isGeneratedLine(const std::string& line)
{
    static const std::regex generated("M106 P[0-9] S[0-9.]+ ; restore the fan in case tool change messed it up"
                                      "|; (Interface Crosses Main|TopInfill Crosses StackedInfilln): .*"
                                      "|; found (Main so emitting vanilla|other so emitting boosted Interface):"
                                      "|; found (StackedInfill so emitting nominally slowed vanilla to get "
                                      "there|other so emitting boosted TopInfill):"
                                      "|; finish off - emitting with factor of [-0-9.e+]+"
                                      "|G1( X[-0-9.e+]+ Y[-0-9.e+]+)?( Z[-0-9.e+]+)?( E[-0-9.e+]+)? F[0-9.e+]+"
                                      "|; Vorlane summary: .*");
    return line.empty() || (std::regex_match(line, generated) && line.find(" E0 ") == std::string::npos);
}

TEST(BundledExample, SummarySaysWhatWasDone)
{
    const std::string bytes = readFile(std::string(VORLANE_EXAMPLES) + "/two_colour_cube.gcode");
    RunResult run;
    const std::string processed = processWithExecutable(bytes, &run);
    // As the example's header lists them: lifts on every layer, two of them
    // on layer 2, nine interface draws (two split), three sparse infill draws,
    // a restore after each of the nine tool changes and resume markers, and
    // the hotter bed.
    EXPECT_EQ(run.summary, "Vorlane v0024: 6 travels lifted, 9 interface draws rewritten (2 split), 3 infill draws "
                           "rewritten (0 split), 9 fan restores, bed 60 -> 70 C; print time +0.0 min (+4.4 %); 456 "
                           "lines in <t> s");
    EXPECT_EQ(run.summary, summaryLineFor(bytes, processed, 456)) << "the checker's own count and estimate";
}

TEST(BundledExample, ShowsEveryRewriteKind)
{
    const Example example = runExample();
    struct Marker {
        std::string_view prefix;
        std::size_t count;
        std::string_view why;
    };
    const Marker markers[] = {
        {"M140 S70 ; we use higher of the two materials' bed temps", 1,
         "the prefix's M140 S60 takes the higher bed_C of the two materials (60 and 70)"},
        {"M190 S70 ; we use higher of the two materials' bed temps", 1,
         "the prefix's M190 S60 takes the higher bed_C of the two materials (60 and 70)"},
        {"; original line:G1 X109.7 Y110.35 E0 F9000", 3,
         "tool 1's travel from the pillar to its stripe is lifted on layers 1 and 3 (tool 0's fresh walls) and on "
         "layer 4 (tool 0's walls one layer down)"},
        {"; original line:G1 X103.3 Y107.9 E0 F9000", 1,
         "tool 1's travel from its stripe to the layer 3 interface crosses tool 0's fresh walls"},
        {"; original line:G1 X103.3 Y106.5 E0 F9000", 1,
         "tool 1's travel to the layer 2 interface rises straight up where it starts against tool 0's walls"},
        {"; Interface Crosses Main: ", 9,
         "4 interface lines of layer 2 and 5 draws of layer 3 cross tool 0's main support one layer down"},
        {"; boosted Interface over all-Main Support - original line:", 7,
         "the 4 lines of layer 2 and 3 draws of layer 3 cross main support and nothing else"},
        {"; found other so emitting boosted Interface:", 1,
         "one layer 3 line runs from main support onto layer 2's interface"},
        {"; found Main so emitting vanilla:", 1, "one layer 3 line runs from layer 2's interface onto main support"},
        {"; original line:G1 X", 8, "6 lifted travels and the 2 split interface lines"},
        {"; TopInfill Crosses StackedInfilln:  ", 3,
         "the 3 sparse infill lines of layer 3 cross layer 2's stacked infill"},
        {"; boosted TopInfill over all-Stacked Infill - original line:", 3,
         "no sparse infill lies below the sparse infill of layer 3"},
    };
    for (const Marker& marker : markers)
        EXPECT_EQ(countStartingWith(example.output, marker.prefix), marker.count)
            << "'" << marker.prefix << "': " << marker.why;

    // A tool change and a "Resume on Ext" marker each make the next move restore
    // the part fan of the tool in use at the last M106 S speed (0 before layer 2).
    std::vector<std::string> restores;
    for (const std::string& line : example.output)
        if (line.ends_with(restoreComment)) restores.push_back(line.substr(0, line.size() - restoreComment.size()));
    const std::vector<std::string> expectedRestores = {
        "M106 P0 S0",   "M106 P0 S0",   "M106 P1 S0", // layer 1: T0, its resume marker, T1
        "M106 P1 S191", "M106 P0 S191",               // layer 2: tool 1's resume marker, T0
        "M106 P0 S230", "M106 P1 S230",               // layer 3: tool 0's resume marker, T1
        "M106 P1 S255", "M106 P0 S255",               // layer 4: tool 1's resume marker, T0
    };
    EXPECT_EQ(restores, expectedRestores) << "one restore per tool change and per resume marker, in file order";
}

TEST(BundledExample, RewrittenDrawsCarryTheBoostedAmountsAndFeedRates)
{
    const Example example = runExample();
    // Layer 2, tool 1 over tool 0's main support, layer thickness 0.25: factor
    // 0.8 / 0.25 = 3.2, feed factor 1 / (0.5 * 3.2) = 0.625. Tool 0's main
    // support is on its first layer (0.25 - 0.25 = 0 < 0.4), which matters only
    // for one tool printing both. E 0.1611 * 3.2, F 1656 * 0.625.
    EXPECT_NE(example.processed.find(lines({
                  "; Interface Crosses Main: sameToolAsMainSupport: false mainIsFirstLayer: true canBoostVolume: true "
                  "boostedFactor: 3.2 prevLayerHeight for Main: 0",
                  "; boosted Interface over all-Main Support - original line:G1 X100.2 Y106.5 E0.1611 F1656",
                  "G1 X100.2 Y106.5 E0.51552 F1035",
                  "G1 F1656",
              })),
              std::string::npos)
        << "an interface line over main support only is drawn whole with more plastic, slower, then F is restored";

    // Layer 3, (97.7, 106.8) to (100.7, 109.8): main support at lambda 0.1 and
    // 0.6, layer 2's interface at 5/6 (the connector x 100.2) and 0.9. Boosted up
    // to 5/6: (100.2, 109.3), E 0.22049 * 5/6 * 3.2; the rest plain: E 0.22049 / 6.
    EXPECT_NE(example.processed.find(lines({
                  "; Interface Crosses Main: sameToolAsMainSupport: false mainIsFirstLayer: false canBoostVolume: "
                  "true boostedFactor: 3.2 prevLayerHeight for Main: 0.5",
                  "; original line:G1 X100.7 Y109.8 E0.22049",
                  "; found other so emitting boosted Interface:",
                  "",
                  "G1 X100.2 Y109.3 E0.587973 F1035",
                  "; finish off - emitting with factor of 1",
                  "G1 X100.7 Y109.8 E0.0367483 F1656",
              })),
              std::string::npos)
        << "a line from main support onto interface is boosted up to the first interface crossing";

    // Layer 3, (102.2, 109.8) to (98.6, 106.2): layer 2's interface at lambda
    // 1/12 and 13/36, main support at 0.75. Plain up to 13/36: (100.9, 108.5),
    // E 0.26458 * 13/36; boosted from there: E 0.26458 * 23/36 * 3.2, F 1035.
    EXPECT_NE(example.processed.find(lines({
                  "; original line:G1 X98.6 Y106.2 E0.26458",
                  "; found Main so emitting vanilla:",
                  "",
                  "G1 X100.9 Y108.5 E0.0955428 F1656",
                  "; finish off - emitting with factor of 3.2",
                  "G1 X98.6 Y106.2 E0.540919 F1035",
              })),
              std::string::npos)
        << "a line from interface onto main support is boosted from the last interface crossing on";

    // Layer 3, tool 0's sparse infill over its stacked infill, thickness 0.25,
    // F 3312: E * 1.25, F 3312 * min(1, 1.25 * 1 * 0.3312) = 1371.168. The
    // resume marker before it makes the draw restore tool 0's fan first.
    EXPECT_NE(example.processed.find(lines({
                  "M106 P0 S230 ; restore the fan in case tool change messed it up",
                  "; TopInfill Crosses StackedInfilln:  canBoostVolume: true boostedFactor: 1.25 prevLayerHeight for "
                  "Infill: 0.5",
                  "; boosted TopInfill over all-Stacked Infill - original line:G1 X107.9 Y106 E0.16006 F3312",
                  "G1 X107.9 Y106 E0.200075 F1371.17",
                  "G1 F3312",
              })),
              std::string::npos)
        << "sparse infill over stacked infill gets 1.25 times the plastic, slowed for a thin layer and fast feed";
}

TEST(BundledExample, LiftedTravelsRiseByTheClearanceNeededAndComeBack)
{
    const Example example = runExample();
    // Layer 1: from the pillar corner (97, 102) to (109.7, 110.35), 15.199 mm;
    // tool 0's left wall x 104.2 at lambda 7.2/12.7. Full height 0.5 mm up by
    // lambda 0.56693 - 1.275/15.199 - (0.7125/15.199) / sin = 0.42694, where sin
    // = 12.7/15.199: (102.422, 105.565). The travel crosses no path of its own
    // before the wall, so the rise starts where the travel does.
    EXPECT_NE(example.processed.find(lines({
                  "; 'Solid Path', 0.9 [feed mm/s], 20.0 [head mm/s]",
                  "G1 X102.422 Y105.565 Z0.75 F9000",
                  "G1 X109.7 Y110.35 F9000",
                  "G1 Z0.25 F450",
                  "G1 F9000",
                  "; original line:G1 X109.7 Y110.35 E0 F9000",
              })),
              std::string::npos)
        << "a travel whose first obstacle lies well ahead rises from its start, clear of the wall in time";

    struct Lift {
        std::string_view travel;
        std::string_view raisedZ;
        std::string_view layerZ;
        std::string_view why;
    };
    const Lift lifts[] = {
        {"G1 X109.7 Y110.35 E0 F9000", "0.75", "0.25", "layer 1: tool 0's fresh walls, 0.5 mm"},
        {"G1 X103.3 Y106.5 E0 F9000", "0.75", "0.5",
         "layer 2: a band of tool 0's walls and solid fill to the end, straight up where it starts"},
        {"G1 X97 Y102 E0 F9000", "1", "0.5", "layer 2: after the tool change, tool 1's fresh interface, 0.5 mm"},
        {"G1 X109.7 Y110.35 E0 F9000", "1.25", "0.75", "layer 3: tool 0's fresh walls, 0.5 mm"},
        {"G1 X103.3 Y107.9 E0 F9000", "1.25", "0.75",
         "layer 3: straight up against the wall beside the stripe, then 0.5 mm over the rest"},
        {"G1 X109.7 Y110.35 E0 F9000", "1.25", "1", "layer 4: tool 0's walls of layer 3, 0.5 - 0.25 mm"},
    };
    std::size_t found = 0;
    const std::vector<std::string>& out = example.output;
    for (std::size_t k = 4; k < out.size(); ++k) {
        if (!out[k].starts_with("; original line:") || out[k].find(" E0 ") == std::string::npos) continue;
        ASSERT_LT(found, std::size(lifts)) << "unexpected lifted travel: " << out[k];
        const Lift& lift = lifts[found++];
        const std::string travel(lift.travel);
        const std::string destination = travel.substr(0, travel.find(" E0 ")) + " F9000";
        EXPECT_EQ(out[k], "; original line:" + travel) << lift.why;
        EXPECT_EQ(out[k - 1], "G1 F9000") << lift.why << ": the travel's feed rate is restored";
        EXPECT_EQ(out[k - 2], "G1 Z" + std::string(lift.layerZ) + " F450") << lift.why << ": back down to the layer";
        EXPECT_EQ(out[k - 3], destination) << lift.why << ": the destination is reached at height";
        EXPECT_TRUE(out[k - 4].starts_with("G1 X") && out[k - 4].ends_with(" Z" + std::string(lift.raisedZ) + " F9000"))
            << lift.why << ": the rise along the travel, got " << out[k - 4];
    }
    EXPECT_EQ(found, std::size(lifts));

    // Copied as it is: tool 0's travel to its support on layer 2 crosses only
    // its own walls.
    for (const std::string_view travel : {"G1 X99.5 Y110 E0 F9000"}) {
        EXPECT_EQ(std::count(out.begin(), out.end(), std::string(travel)), 1) << travel << " is not lifted";
        EXPECT_EQ(countStartingWith(out, "; original line:" + std::string(travel)), 0u) << travel << " is not lifted";
    }
}

TEST(BundledExample, KeepsEveryInputLineInOrderUnlessItsReplacementIsAnnounced)
{
    const Example example = runExample();
    const std::vector<std::string>& out = example.output;
    std::size_t next = 0;
    std::size_t replaced = 0;
    const std::string* announced = nullptr;
    for (std::size_t i = 0; i < example.input.size(); ++i) {
        const std::string& line = example.input[i];
        std::size_t at = next;
        while (at < out.size() && out[at] != line && !announces(out[at], line))
            ++at;
        ASSERT_LT(at, out.size()) << "input line " << i + 1 << " '" << line
                                  << "' is neither copied nor announced as replaced after output line " << next;
        for (std::size_t k = next; k < at; ++k) {
            EXPECT_TRUE(isGeneratedLine(out[k])) << "output line " << k + 1 << " '" << out[k]
                                                 << "' is neither a copy of the next input line nor Vorlane's own";
            if (announced) {
                EXPECT_NE(out[k], *announced) << "a replaced line is not copied as well";
            }
        }
        announced = out[at] == line ? nullptr : &line;
        replaced += announced ? 1 : 0;
        next = at + 1;
    }
    for (std::size_t k = next; k < out.size(); ++k)
        EXPECT_TRUE(isGeneratedLine(out[k]))
            << "output line " << k + 1 << " '" << out[k] << "' follows the last input line";
    // 2 bed lines, 4 lifted travels, 7 whole and 2 split interface lines, 3
    // sparse infill lines.
    EXPECT_EQ(replaced, 20u) << "the replacements are exactly the rewrites the example is built to show";
}

} // namespace
} // namespace vorlane::test
