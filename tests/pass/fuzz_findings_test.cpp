// Inputs the line-pass fuzzer found, each reduced to the few lines that
// matter and run through the whole program.
#include "support.hpp"

#include <gtest/gtest.h>

#include <string>

namespace vorlane::test {
namespace {

// The largest float, as a G-code number: it reads, but a rewrite's boost or a
// lift's height above it does not fit a float.
constexpr std::string_view FLOAT_MAX_TEXT = "340282350000000000000000000000000000000";

struct Finding {
    const char* name;
    std::string gcode;
    const char* why;
    std::string_view refusal;
};

// The program never writes "inf" or "nan" into G-code, which no printer
// reads: a line whose rewrite would leave the float range is refused and the
// input stays as it was.
TEST(FuzzFindings, RewritesBeyondTheFloatRangeAreRefusedNotWrittenAsInf)
{
    const Finding findings[] = {
        {"sparse infill over stacked infill with the largest E",
         lines({"; *** Main G-code", "; 'Stacked Sparse Infill Path', 3.2 [feed mm/s], 55.2 [head mm/s]",
                "G1 X5 Y-2 Z0.25 F6000", "G1 X5 Y-1 E0.05 F3000", "G1 X5 Y1 E0.1", "G1 X0 Y0 Z0.5 F6000",
                "; 'Sparse Infill Path', 3.2 [feed mm/s], 55.2 [head mm/s]",
                "G1 X10 Y0 E" + std::string(FLOAT_MAX_TEXT) + " F3000"}),
         "E x 1.25 is beyond the float range; so large an E over 10 mm is taken for an extruder position first",
         "looks like an absolute extruder position"},
        {"a travel under another tool's path at the top of the float range",
         lines({"; *** Main G-code", "T0", "G1 Z" + std::string(FLOAT_MAX_TEXT) + " F1000", "G1 X10 Y-6 F9000",
                "; 'Perimeter Path', 4.2 [feed mm/s], 145.0 [head mm/s]", "G1 X10 Y-5 E0.1 F1800", "G1 X10 Y5 E0.5",
                "G1 Z-" + std::string(FLOAT_MAX_TEXT) + " F1000", "T1", "G1 X0 Y0 F9000", "G1 X20 Y0 F9000"}),
         "the lift over a layer infinitely far above (in floats) is infinite",
         " value is inf, which no G-code reader takes"},
    };
    for (const Finding& finding : findings) {
        SCOPED_TRACE(finding.name);
        TempDir dir;
        const std::string input = dir.file("part.gcode");
        writeFile(input, finding.gcode);
        const RunResult run = runVorlane({input});
        EXPECT_EQ(run.status, 1) << finding.why << ": the line is refused, the run ends with status 1";
        EXPECT_NE(run.err.find(finding.refusal), std::string::npos) << finding.why << "; standard error: " << run.err;
        EXPECT_EQ(readFile(input), finding.gcode) << "the input is left as it was";
    }
}

} // namespace
} // namespace vorlane::test
