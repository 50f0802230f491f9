// One generated two-tool print written in every slicer's G-code, through the
// whole program: each dialect's comments, layers, tool-change blocks, G0
// travels and absolute E must lead to the same lifted travels, since the
// geometry is the same. Kisslicer's lifts may only be more: its infill
// boost and its lifts before a tool's first draw are its own.
#include "support.hpp"
#include "testing/corpus.hpp"
#include "testing/output_checker.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace vorlane::test {
namespace {

struct Dialect {
    CorpusSlicer slicer;
    std::string_view name;
    std::string_view summary; // how the output's summary comment begins
};

constexpr Dialect DIALECTS[] = {
    {CorpusSlicer::Kisslicer, "Kisslicer", "; Vorlane summary: lifted="},
    {CorpusSlicer::PrusaSlicer, "PrusaSlicer", "; Vorlane summary: slicer=PrusaSlicer lifted="},
    {CorpusSlicer::SuperSlicer, "SuperSlicer", "; Vorlane summary: slicer=SuperSlicer lifted="},
    {CorpusSlicer::OrcaSlicer, "OrcaSlicer", "; Vorlane summary: slicer=OrcaSlicer lifted="},
    {CorpusSlicer::BambuStudio, "BambuStudio", "; Vorlane summary: slicer=BambuStudio lifted="},
    {CorpusSlicer::Cura, "Cura", "; Vorlane summary: slicer=Cura lifted="},
};

std::string twoToolPrint(CorpusSlicer slicer)
{
    CorpusOptions options;
    options.seed = 5;
    options.tools = 2;
    options.layers = 12;
    options.objectSize_MM = 30;
    options.crlf = false;
    options.slicer = slicer;
    std::string text;
    generateCorpus(options, [&text](std::string_view piece) { text.append(piece); });
    return text;
}

// A lifted travel as the output shows it: where the travel ends, from the
// announced original line, and how high the nozzle rose on the way.
struct LiftedTravel {
    double x = 0, y = 0, liftedZ = 0;
    bool operator==(const LiftedTravel&) const = default;
};

std::ostream& operator<<(std::ostream& out, const LiftedTravel& lift)
{
    return out << "to X" << lift.x << " Y" << lift.y << " up to Z" << lift.liftedZ;
}

// The value of the line's word `letter` (" X12.5"), or nothing.
bool wordValue(std::string_view line, char letter, double& value)
{
    const char word[] = {' ', letter, '\0'};
    const std::size_t at = line.find(word);
    if (at == std::string_view::npos) return false;
    value = std::strtod(std::string(line.substr(at + 2)).c_str(), nullptr);
    return true;
}

// The rise of a lifted travel is its only line that moves X, Y and Z at
// once (the print is no vase); the announcement of the travel, its original
// line (G0 or G1, without E), comes last.
std::vector<LiftedTravel> liftedTravels(std::string_view output)
{
    constexpr std::string_view ANNOUNCED = "; original line:G";
    std::vector<LiftedTravel> lifts;
    double risenTo = 0;
    for (const std::string& line : splitAtLineFeeds(output)) {
        double x = 0, y = 0, z = 0, e = 0;
        const bool moves = wordValue(line, 'X', x) && wordValue(line, 'Y', y);
        if (line.starts_with("G1 ") && moves && wordValue(line, 'Z', z)) risenTo = z;
        if (line.starts_with(ANNOUNCED) && moves && !wordValue(line, 'E', e)) lifts.push_back({x, y, risenTo});
    }
    return lifts;
}

TEST(SlicerCorpus, TheSameGeometryIsLiftedAlikeInEverySlicersGCode)
{
    std::vector<LiftedTravel> otherSlicersLifts;
    std::size_t kisslicerLifts = 0;
    for (const Dialect& dialect : DIALECTS) {
        SCOPED_TRACE(dialect.name);
        const std::string input = twoToolPrint(dialect.slicer);
        const std::string output = processWithExecutable(input);
        CheckCounts counts;
        EXPECT_EQ(joined(checkOutput(input, output, OutputForm::Body, &counts)), "")
            << "the output holds to the checker's rules in every slicer's G-code";
        EXPECT_NE(output.find(dialect.summary), std::string::npos)
            << "the summary comment names the slicer that wrote the file (none for Kisslicer's)";
        const std::vector<LiftedTravel> lifts = liftedTravels(output);
        EXPECT_EQ(static_cast<int>(lifts.size()), counts.liftedTravels)
            << "every lifted travel the checker finds is announced with its original line";
        EXPECT_GT(lifts.size(), 0u) << "travels cross the other tool's fresh paths after its first draw";
        if (dialect.slicer == CorpusSlicer::Kisslicer)
            kisslicerLifts = lifts.size();
        else if (otherSlicersLifts.empty())
            otherSlicersLifts = lifts;
        else
            EXPECT_EQ(lifts, otherSlicersLifts)
                << "the same moves lift the same travels as high in every dialect other than Kisslicer's";
    }
    EXPECT_GE(kisslicerLifts, otherSlicersLifts.size())
        << "Kisslicer's reading lifts what the others lift, and before a tool's first draw too";
}

} // namespace
} // namespace vorlane::test
