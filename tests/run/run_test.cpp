// End-to-end runs of the executable: the output layout, the replacement of the
// input, every file failure and exit status.
#include "support.hpp"

#include <gtest/gtest.h>

#include <filesystem>

namespace vorlane::test {
namespace {

const std::string sample = lines({"; *** G-code Prefix", "G28", "; *** Main G-code", "G1 X10 Y10 F3000", "M107"});

TEST(Run, NormalRunReplacesTheInputWithHeaderLinesAndTimingLines)
{
    TempDir dir;
    const std::string input = dir.file("part.gcode");
    writeFile(input, sample);
    const RunResult run = runVorlane({input});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Vorlane v0024\n\nSuccess\n");
    EXPECT_EQ(readFile(input), "; Vorlane v0024\n" + sample + "; Lua Postproc took 0\n; D   Postproc took 0\n");
    EXPECT_FALSE(exists(input + "d")) << "the processing file takes the input's name";
}

} // namespace
} // namespace vorlane::test
